#pragma once
// One page of a property sheet. The sheet calls the hooks below; a page overrides those it needs.
#include <QString>
#include <QWidget>

class CPropertySheet;

class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyPage(const QString& caption, QWidget* parent = nullptr);
    ~CPropertyPage() override;

    // The text of the page's tab.
    QString Caption() const { return m_strCaption; }
    void SetCaption(const QString& caption);

    // The sheet the page was added to, or null.
    CPropertySheet* Sheet() const { return m_pSheet; }

    static constexpr int MinimumWidth = 520;
    static constexpr int MinimumHeight = 300;

    // Whether OnInitDialog has run in the sheet's current opening.
    bool IsInitialised() const { return m_bInitialised; }

protected:
    // Lays the page out as a list page: the list, and beside it a column of buttons from the top.
    void LayOutListPage(QWidget* list, const QList<QWidget*>& buttons);

    // Each hook runs inside the error boundary (ui/framework/RunHandler.h): a data-file error ends
    // the hook with a message and the sheet goes on.

    // Once per opening of the sheet, the first time the page is shown, before its OnSetActive.
    virtual void OnInitDialog() {}
    // Every time the page becomes the visible page. Returning false refuses the activation: the
    // sheet goes back to the page shown before (if any).
    virtual bool OnSetActive() { return true; }
    // The sheet is closing with "Close"; called for every page initialised in this opening.
    virtual void OnOK() {}
    // The sheet is closing with Esc or its close box; called for every initialised page.
    virtual void OnCancel() {}
    // The sheet's window has gone (closed by any means, the quit timer included); called for every
    // initialised page. The page object itself lives on with its sheet.
    virtual void PostNcDestroy() {}

private:
    friend class CPropertySheet;

    QString m_strCaption;
    CPropertySheet* m_pSheet = nullptr;
    bool m_bInitialised = false;
};
