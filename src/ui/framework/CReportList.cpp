#include "ui/framework/CReportList.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QResizeEvent>
#include <algorithm>
#include <cstring>
#include <vector>

CReportList::CReportList(QWidget* parent)
    : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);

    QHeaderView* head = header();
    // Column widths are set from fractions; a stretched last column would break them.
    head->setStretchLastSection(false);
    head->setSectionsMovable(false);
    head->setSectionsClickable(true);
    head->setSortIndicatorShown(false);
    head->setHighlightSections(false);
    connect(head, &QHeaderView::sectionClicked, this, &CReportList::OnColumnClick);
    connect(head, &QHeaderView::sectionResized, this, &CReportList::OnSectionResized);
}

void CReportList::SetColumns(const QList<ReportColumn>& columns)
{
    clear();
    setColumnCount(0);
    m_columns = columns;
    setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const ReportColumn& column : columns)
        titles.append(column.title);
    setHeaderLabels(titles);
    for (int i = 0; i < columns.size(); ++i) {
        header()->setSectionResizeMode(i, QHeaderView::Interactive);
        setColumnHidden(i, columns.at(i).numerator == 0);
    }
    m_bUserSized = false;
    ApplyColumnWidths();
}

void CReportList::ApplyColumnWidths()
{
    const int width = viewport()->width();
    m_bApplyingWidths = true;
    for (int i = 0; i < m_columns.size() && i < columnCount(); ++i) {
        const ReportColumn& column = m_columns.at(i);
        if (column.numerator != 0 && column.denominator > 0)
            header()->resizeSection(i, width * column.numerator / column.denominator);
    }
    m_bApplyingWidths = false;
}

void CReportList::OnSectionResized(int)
{
    if (!m_bApplyingWidths)
        m_bUserSized = true;
}

void CReportList::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    // Columns are often made before the page is laid out, and a vertical scroll bar narrows the
    // list when rows arrive; the fractions hold for the width the user sees.
    if (!m_bUserSized)
        ApplyColumnWidths();
}

int CReportList::AddRow(const QStringList& texts)
{
    const int row = topLevelItemCount();
    auto* item = new QTreeWidgetItem(texts);
    item->setData(0, Qt::UserRole, row);
    addTopLevelItem(item);
    return row;
}

void CReportList::DeleteAllRows()
{
    clear();
}

int CReportList::RowCount() const
{
    return topLevelItemCount();
}

QString CReportList::Text(int row, int column) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->text(column) : QString();
}

int CReportList::ItemData(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->data(0, Qt::UserRole).toInt() : -1;
}

int CReportList::SelectedRow() const
{
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> CReportList::SelectedRows() const
{
    QList<int> rows;
    for (QTreeWidgetItem* item : selectedItems())
        rows.append(indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CReportList::SelectRow(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        clearSelection();
        return;
    }
    setCurrentItem(item);
    item->setSelected(true);
}

void CReportList::SetMultiSelection(bool multi)
{
    setSelectionMode(multi ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void CReportList::SortByColumn(int column)
{
    if (column < 0 || column >= columnCount())
        return;

    const QList<QTreeWidgetItem*> selected = selectedItems();
    QTreeWidgetItem* current = currentItem();

    struct Row {
        QByteArray key;
        QTreeWidgetItem* item;
    };
    std::vector<Row> rows;
    const QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
    rows.reserve(items.size());
    for (QTreeWidgetItem* item : items)
        rows.push_back({item->text(column).toUtf8(), item});
    // strcmp, not QString::compare or a collation: the order is the bytes' order, as users of the
    // lists have always seen it (ABC before abc, 10 before 9).
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return std::strcmp(a.key.constData(), b.key.constData()) < 0; });

    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(static_cast<qsizetype>(rows.size()));
    for (const Row& row : rows)
        sorted.append(row.item);
    addTopLevelItems(sorted);
    Renumber();

    if (current != nullptr)
        selectionModel()->setCurrentIndex(indexFromItem(current), QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
}

void CReportList::Renumber()
{
    for (int row = 0; row < topLevelItemCount(); ++row)
        topLevelItem(row)->setData(0, Qt::UserRole, row);
}

void CReportList::OnColumnClick(int column)
{
    if (m_bSortOnHeaderClick)
        SortByColumn(column);
}

void CReportList::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    emit RowDoubleClicked(item != nullptr ? indexOfTopLevelItem(item) : -1);
}
