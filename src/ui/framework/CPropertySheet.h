#pragma once
// A modal dialog of tabbed pages with one "Close" button at its bottom right. No Apply, Help or
// visible Cancel button; always on top; it closes itself within a second when the program quits.
//
//   "Close" (or Enter)        OnOK of every initialised page, then the loop ends with IDOK (1)
//   Esc or the close box      OnCancel of every initialised page, then ends with ui::IDCANCEL (2)
//   the program quits         ends with ui::IDQUIT (0); neither OnOK nor OnCancel is called
#include <QBasicTimer>
#include <QDialog>
#include <QList>

class CPropertyPage;
class QPushButton;
class QTabWidget;

class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    // selectPage: the page shown when the sheet opens (see SetActivePage).
    explicit CPropertySheet(const QString& caption, QWidget* parent = nullptr, int selectPage = 0);
    ~CPropertySheet() override;

    // Adds page as the last tab. The sheet does not own a page that is a member of a derived sheet;
    // a page created with new is deleted with the sheet as any child widget is.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const;
    CPropertyPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyPage* page) const;

    // Before the sheet opens: the start page. While it is open: shows that page (with its hooks).
    // Returns false for an index that names no page.
    bool SetActivePage(int index);
    bool SetActivePage(CPropertyPage* page);
    int GetActiveIndex() const;
    CPropertyPage* GetActivePage() const;

    // Ends the modal loop with result (what exec() returns). Pages' OnOK/OnCancel are not called.
    void EndDialog(int result);

    QPushButton* CloseButton() const { return m_pCloseButton; }
    QTabWidget* TabControl() const { return m_pTabs; }

    // "Close" and Enter.
    void accept() override;
    // Esc and the close box.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    friend class CPropertyPage;

    void OnOpen();
    void OnTabChanged(int index);
    void OnQuitTimer();
    // Initialises page index when this opening has not shown it yet, then activates it.
    bool ActivatePage(int index);
    void DetachPage(CPropertyPage* page);
    void OnPageCaptionChanged(CPropertyPage* page);
    QList<CPropertyPage*> InitialisedPages() const;

    QTabWidget* m_pTabs = nullptr;
    QPushButton* m_pCloseButton = nullptr;
    QList<CPropertyPage*> m_pages;
    // Polls the quit flag while the sheet is open.
    QBasicTimer m_quitTimer;
    int m_nStartPage = 0;
    // The page whose OnSetActive last accepted; a refused activation returns to it.
    int m_nActivePage = -1;
    bool m_bOpen = false;
    // Set while the sheet changes the tab itself, so that the change is not taken for the user's.
    bool m_bSwitching = false;
};
