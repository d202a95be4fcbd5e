// The property sheet: pages and their hooks, the ways a sheet closes, its Close button and the quit
// timer.
#include "ui/ModalRun.h"
#include "ui/MessageRecorder.h"

#include "core/CMain.h"
#include "data/DatabaseError.h"
#include "ui/framework/CPropertyPage.h"
#include "ui/framework/CPropertySheet.h"
#include "ui/framework/ModalLoop.h"

#include <QApplication>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>

namespace {

// Writes each hook the sheet calls into a shared log as "<caption>:<hook>".
class CLogPage : public CPropertyPage {
public:
    CLogPage(const QString& caption, QStringList* log) : CPropertyPage(caption), m_pLog(log) {}
    std::function<void()> onSetActive;

protected:
    void OnInitDialog() override { Log("Init"); }
    bool OnSetActive() override
    {
        Log("Active");
        if (onSetActive)
            onSetActive();
        return true;
    }
    void OnOK() override { Log("OK"); }
    void OnCancel() override { Log("Cancel"); }
    void PostNcDestroy() override { Log("Destroy"); }

private:
    void Log(const char* hook) { m_pLog->append(Caption() + ':' + QLatin1String(hook)); }
    QStringList* m_pLog;
};

// A service's sheet: it owns its two pages as members, adding page first.
struct CTwoPageSheet : CPropertySheet {
    explicit CTwoPageSheet(int startPage) : CPropertySheet("Shortcuts", nullptr, startPage)
    {
        AddPage(&add);
        AddPage(&list);
    }
    QStringList log;
    CLogPage add{"New", &log};
    CLogPage list{"List", &log};
};

void ClickTab(CPropertySheet& sheet, int index)
{
    QTabBar* bar = sheet.TabControl()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

} // namespace

class TestPropertySheet : public QObject {
    Q_OBJECT
private slots:
    void StartPageThenInitOnceActivateEveryTime();
    void WaysOfClosing_data();
    void WaysOfClosing();
    void QuitFlagEndsSheetWithinASecond();
    void DataFileErrorInPageIsShownAndSheetGoesOn();
};

void TestPropertySheet::StartPageThenInitOnceActivateEveryTime()
{
    CTwoPageSheet sheet(1);
    QStringList tabs;
    int shown = -1;
    test::RunModal(sheet, [&] {
        tabs << sheet.TabControl()->tabText(0) << sheet.TabControl()->tabText(1);
        shown = sheet.GetActiveIndex();
        ClickTab(sheet, 0);
        ClickTab(sheet, 1);
        sheet.reject();
    });
    QCOMPARE(tabs, (QStringList{"New", "List"}));
    QCOMPARE(shown, 1);
    QCOMPARE(sheet.log.mid(0, 5), (QStringList{"List:Init", "List:Active", "New:Init", "New:Active", "List:Active"}));
}

void TestPropertySheet::WaysOfClosing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("hook");
    QTest::newRow("Close button") << "button" << platform::IDOK << "OK";
    QTest::newRow("Enter") << "enter" << platform::IDOK << "OK";
    QTest::newRow("Esc") << "escape" << ui::IDCANCEL << "Cancel";
    QTest::newRow("close box") << "closebox" << ui::IDCANCEL << "Cancel";
}

void TestPropertySheet::WaysOfClosing()
{
    QFETCH(QString, how);
    QFETCH(int, result);
    QFETCH(QString, hook);
    // The adding page is never shown: it has no window to close, so its hooks are not called.
    CTwoPageSheet sheet(1);
    const int ended = test::RunModal(sheet, [&] {
        sheet.log.clear();
        QWidget* focus = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &sheet;
        if (how == "button")
            QTest::mouseClick(sheet.CloseButton(), Qt::LeftButton);
        else if (how == "closebox")
            sheet.close();
        else
            QTest::keyClick(focus, how == "enter" ? Qt::Key_Return : Qt::Key_Escape);
    });
    QCOMPARE(ended, result);
    QCOMPARE(sheet.log, (QStringList{"List:" + hook, "List:Destroy"}));
}

void TestPropertySheet::QuitFlagEndsSheetWithinASecond()
{
    CMain main;
    CTwoPageSheet sheet(0);
    const int ended = test::RunModal(sheet, [&] {
        main.m_bQuit = 1;
        QVERIFY(test::FireTimer(&sheet, [](int ms) { return ms <= 1000; }));
    });
    QCOMPARE(ended, ui::IDQUIT);
    // Quitting is neither Close nor Cancel.
    QCOMPARE(sheet.log, (QStringList{"New:Init", "New:Active", "New:Destroy"}));
}

void TestPropertySheet::DataFileErrorInPageIsShownAndSheetGoesOn()
{
    MessageRecorder messages;
    CTwoPageSheet sheet(0);
    sheet.list.onSetActive = [] { throw data::DatabaseError("database is locked", "/tmp/qbdat.dbf"); };
    int shown = -1;
    const int ended = test::RunModal(sheet, [&] {
        ClickTab(sheet, 1);
        shown = sheet.GetActiveIndex();
        sheet.CloseButton()->click();
    });
    QCOMPARE(messages.Count(), 1);
    QVERIFY(messages.Last().text.contains("database is locked"));
    QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
    QCOMPARE(shown, 1);
    QCOMPARE(ended, platform::IDOK);
}

QTEST_MAIN(TestPropertySheet)
#include "tst_PropertySheet.moc"
