// The report list (columns, byte-wise sorting, double clicks) and the icon button.
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

namespace {

// A shown list of the Shortcuts kind, with a hidden id column that must travel with its row.
struct ShownList {
    explicit ShownList(const QStringList& names = {})
    {
        list.resize(400, 300);
        list.SetColumns({{"Shortcut", 1, 6}, {"Description", 2, 6}, {"Text", 3, 6}, {"ID", 0}});
        for (const QString& name : names)
            list.AddRow({name, "desc " + name, "text", name + "#id"});
        list.show();
    }
    void ClickHeader(int column)
    {
        QHeaderView* header = list.header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < list.RowCount(); ++row)
            texts << list.Text(row, column);
        return texts;
    }
    CReportList list;
};

} // namespace

class TestFrameworkWidgets : public QObject {
    Q_OBJECT
private slots:
    void HeaderClickSortsByBytes_data();
    void HeaderClickSortsByBytes();
    void SortKeepsSelectedRow();
    void ColumnsAreFractionsAndMadeAfresh();
    void IconButtonShowsIconAndNamesItself();
};

void TestFrameworkWidgets::HeaderClickSortsByBytes_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("capitals first") << QStringList{"abc", "ABC"} << QStringList{"ABC", "abc"};
    QTest::newRow("digits as text") << QStringList{"9", "10", "100"} << QStringList{"10", "100", "9"};
    // UTF-8: every byte of a non-ASCII letter is above the ASCII ones.
    QTest::newRow("non-ASCII last") << QStringList{"\u00e9t\u00e9", "zoo", "Eve"} << QStringList{"Eve", "zoo", "\u00e9t\u00e9"};
}

void TestFrameworkWidgets::HeaderClickSortsByBytes()
{
    QFETCH(QStringList, rows);
    QFETCH(QStringList, sorted);
    ShownList shown(rows);
    QVERIFY(QTest::qWaitForWindowExposed(&shown.list));
    // Sorting by the description column, whose texts follow the names.
    for (int click = 0; click < 2; ++click) {
        shown.ClickHeader(1);
        QCOMPARE(shown.Column(0), sorted);
    }
    for (int row = 0; row < shown.list.RowCount(); ++row) {
        QCOMPARE(shown.list.Text(row, 3), sorted.at(row) + "#id");
        QCOMPARE(shown.list.ItemData(row), row);
    }
    QVERIFY(!shown.list.header()->isSortIndicatorShown());
}

void TestFrameworkWidgets::SortKeepsSelectedRow()
{
    // Remove and Delete act on the selected row after a sort: the selection stays on the user's row.
    ShownList shown({"b", "c", "a"});
    shown.list.SelectRow(0);
    shown.list.SortByColumn(0);
    QCOMPARE(shown.list.SelectedRow(), 1);
    QCOMPARE(shown.list.Text(1, 3), QString("b#id"));
}

void TestFrameworkWidgets::ColumnsAreFractionsAndMadeAfresh()
{
    QStringList many;
    for (int i = 0; i < 100; ++i)
        many << QString::number(i);
    ShownList shown(many);
    QVERIFY(QTest::qWaitForWindowExposed(&shown.list));
    // The vertical scroll bar narrows the list; the columns fit what is left.
    QTRY_VERIFY_WITH_TIMEOUT(shown.list.verticalScrollBar()->isVisible(), 2000);
    const int w = shown.list.viewport()->width();
    QCOMPARE(shown.list.columnWidth(0), w / 6);
    QCOMPARE(shown.list.columnWidth(1), 2 * w / 6);
    QCOMPARE(shown.list.columnWidth(2), 3 * w / 6);
    QCOMPARE(shown.list.columnWidth(3), 0);
    QVERIFY(shown.list.header()->isSectionHidden(3));
    QVERIFY(!shown.list.horizontalScrollBar()->isVisible());

    // The next activation makes its columns again: nothing of the earlier ones is left.
    shown.list.SetColumns({{"Text", 1, 1}, {"ID", 0}});
    QCOMPARE(shown.list.columnCount(), 2);
    QCOMPARE(shown.list.RowCount(), 0);
    QVERIFY(!shown.list.header()->isSectionHidden(0));
    QVERIFY(shown.list.header()->isSectionHidden(1));
    QCOMPARE(shown.list.columnWidth(0), shown.list.viewport()->width());
}

void TestFrameworkWidgets::IconButtonShowsIconAndNamesItself()
{
    CIconButton button(153, "Add shortcut");
    // A missing resource or SVG support would leave a blank button.
    QVERIFY(!button.icon().pixmap(QSize(24, 24)).isNull());
    QCOMPARE(button.accessibleName(), QString("Add shortcut"));
    QVERIFY(button.text().isEmpty());
}

QTEST_MAIN(TestFrameworkWidgets)
#include "tst_FrameworkWidgets.moc"
