#pragma once
// The report list of the list pages: titled columns whose widths are fixed fractions of the list's
// width, hidden columns that carry a row's id or path, item data equal to the row number, and a
// header click that sorts ascending by the column's text compared byte by byte.
#include <QList>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

struct ReportColumn {
    QString title;
    // The column is numerator/denominator of the list's width wide (integer division of
    // width * numerator by denominator). A numerator of 0 hides the column: width 0, and the user
    // cannot drag it into view.
    int numerator = 0;
    int denominator = 1;
};

class CReportList : public QTreeWidget {
    Q_OBJECT
public:
    explicit CReportList(QWidget* parent = nullptr);

    // Deletes every row and column, then makes columns. List pages call it at each activation.
    void SetColumns(const QList<ReportColumn>& columns);
    // Appends a row (one text per column, missing ones empty); its item data is its row number.
    // Returns the row number.
    int AddRow(const QStringList& texts);
    void DeleteAllRows();

    int RowCount() const;
    QString Text(int row, int column) const;
    // The row's item data (Qt::UserRole of column 0); -1 for a row that does not exist.
    int ItemData(int row) const;

    // The selected row (the first one when several are), or -1.
    int SelectedRow() const;
    QList<int> SelectedRows() const;
    void SelectRow(int row);
    // Single selection unless multi is true.
    void SetMultiSelection(bool multi);

    // Sorts the rows ascending by the texts of column, compared as strcmp compares their UTF-8 bytes
    // (capitals before small letters, a text before every longer text it begins, digits as
    // characters), keeps the selection on the same rows and renumbers the item data 0 upwards.
    // Rows with equal texts keep their order.
    void SortByColumn(int column);
    // Whether a header click sorts (on by default).
    void SetSortOnHeaderClick(bool on) { m_bSortOnHeaderClick = on; }

signals:
    // A left double click: the row under the mouse, or -1 on empty space.
    void RowDoubleClicked(int row);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnColumnClick(int column);
    void OnSectionResized(int column);
    void ApplyColumnWidths();
    void Renumber();

    QList<ReportColumn> m_columns;
    bool m_bSortOnHeaderClick = true;
    // The widths follow the list's width until the user drags a column border.
    bool m_bUserSized = false;
    bool m_bApplyingWidths = false;
};
