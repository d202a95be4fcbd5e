#include "ui/framework/CPropertySheet.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "ui/framework/CPropertyPage.h"
#include "ui/framework/ModalLoop.h"
#include "ui/framework/RunHandler.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimerEvent>
#include <QVBoxLayout>
#include <utility>

namespace {
// The Close button's bottom right corner lies this far inside the client area's bottom right corner;
// the other edges keep the same margin.
constexpr int kMargin = 6;
} // namespace

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent, int selectPage)
    : QDialog(parent)
    , m_nStartPage(selectPage)
{
    setWindowTitle(caption);
    // A sheet is opened from the tray while the user works in another application: keep it in front.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Modal to its owner only: the tray icon stays usable while a sheet runs (its Quit included),
    // where an application-modal loop would block the icon's window too.
    setWindowModality(Qt::WindowModal);

    m_pTabs = new QTabWidget(this);
    m_pCloseButton = new QPushButton(tr("Close"), this);
    m_pCloseButton->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch(1);
    buttons->addWidget(m_pCloseButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin);
    layout->addWidget(m_pTabs, 1);
    layout->addLayout(buttons);
    // Sheets are not resized: the pages set their own sizes and the sheet fits them.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_pCloseButton, &QPushButton::clicked, this, &CPropertySheet::accept);
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CPropertySheet::OnTabChanged);
}

CPropertySheet::~CPropertySheet()
{
    // Pages created with new are deleted by QWidget's destructor after this one has run; they must
    // not call back into a sheet that is half gone.
    for (CPropertyPage* page : std::as_const(m_pages))
        page->m_pSheet = nullptr;
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (page == nullptr || m_pages.contains(page))
        return;
    m_pages.append(page);
    page->m_pSheet = this;
    page->m_bInitialised = false;
    m_bSwitching = true;
    const int index = m_pTabs->addTab(page, page->Caption());
    if (!m_bOpen && index == m_nStartPage)
        m_pTabs->setCurrentIndex(index);
    m_bSwitching = false;
}

int CPropertySheet::GetPageCount() const
{
    return m_pages.size();
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < m_pages.size() ? m_pages.at(index) : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const
{
    return m_pTabs->indexOf(const_cast<CPropertyPage*>(page));
}

bool CPropertySheet::SetActivePage(int index)
{
    if (index < 0 || index >= m_pTabs->count())
        return false;
    if (!m_bOpen) {
        m_nStartPage = index;
        m_bSwitching = true;
        m_pTabs->setCurrentIndex(index);
        m_bSwitching = false;
        return true;
    }
    // While open, the change of tab activates the page (OnTabChanged).
    m_pTabs->setCurrentIndex(index);
    return m_pTabs->currentIndex() == index;
}

bool CPropertySheet::SetActivePage(CPropertyPage* page)
{
    return SetActivePage(GetPageIndex(page));
}

int CPropertySheet::GetActiveIndex() const
{
    return m_pTabs->currentIndex();
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    return qobject_cast<CPropertyPage*>(m_pTabs->currentWidget());
}

void CPropertySheet::EndDialog(int result)
{
    done(result);
}

void CPropertySheet::accept()
{
    for (CPropertyPage* page : InitialisedPages())
        ui::RunHandler([page] { page->OnOK(); });
    EndDialog(platform::IDOK);
}

void CPropertySheet::reject()
{
    for (CPropertyPage* page : InitialisedPages())
        ui::RunHandler([page] { page->OnCancel(); });
    EndDialog(ui::IDCANCEL);
}

void CPropertySheet::done(int result)
{
    const bool wasOpen = m_bOpen;
    m_bOpen = false;
    m_quitTimer.stop();
    QDialog::done(result);
    if (!wasOpen)
        return;
    // The pages' windows go with the sheet's; a later opening initialises them again.
    const QList<CPropertyPage*> pages = InitialisedPages();
    for (CPropertyPage* page : pages)
        page->m_bInitialised = false;
    m_nActivePage = -1;
    for (CPropertyPage* page : pages)
        ui::RunHandler([page] { page->PostNcDestroy(); });
}

void CPropertySheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_bOpen) {
        // The main window that owns a sheet is never shown, so a sheet would open in the corner of
        // the screen: it opens in the middle of the screen the user is working on instead.
        if (!parentWidget() || !parentWidget()->isVisible()) {
            if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
                move(screen->availableGeometry().center() - rect().center());
        }
        OnOpen();
    }
}

void CPropertySheet::OnOpen()
{
    m_bOpen = true;
    m_quitTimer.start(ui::kQuitPollMs, this);
    if (m_pTabs->count() == 0)
        return;
    const int start = qBound(0, m_nStartPage, m_pTabs->count() - 1);
    m_bSwitching = true;
    m_pTabs->setCurrentIndex(start);
    m_bSwitching = false;
    ActivatePage(start);
}

void CPropertySheet::OnTabChanged(int index)
{
    if (!m_bOpen || m_bSwitching || index < 0)
        return;
    if (ActivatePage(index) || m_nActivePage < 0 || m_nActivePage == index)
        return;
    m_bSwitching = true;
    m_pTabs->setCurrentIndex(m_nActivePage);
    m_bSwitching = false;
}

bool CPropertySheet::ActivatePage(int index)
{
    CPropertyPage* page = qobject_cast<CPropertyPage*>(m_pTabs->widget(index));
    if (page == nullptr)
        return false;
    if (!page->m_bInitialised) {
        // Initialised even when its OnInitDialog fails: its window exists, so it is closed with the rest.
        page->m_bInitialised = true;
        ui::RunHandler([page] { page->OnInitDialog(); });
    }
    // A page ended by a data-file error stays shown, with whatever it could fill.
    bool active = true;
    ui::RunHandler([page, &active] { active = page->OnSetActive(); });
    if (active)
        m_nActivePage = index;
    return active;
}

void CPropertySheet::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_quitTimer.timerId())
        OnQuitTimer();
    else
        QDialog::timerEvent(event);
}

void CPropertySheet::OnQuitTimer()
{
    if (!ui::QuitRequested())
        return;
    m_quitTimer.stop();
    EndDialog(ui::IDQUIT);
}

void CPropertySheet::DetachPage(CPropertyPage* page)
{
    m_pages.removeAll(page);
    page->m_pSheet = nullptr;
    // The tab goes with the page's widget; the remembered position may now name another page.
    m_nActivePage = -1;
}

void CPropertySheet::OnPageCaptionChanged(CPropertyPage* page)
{
    const int index = m_pTabs->indexOf(page);
    if (index >= 0)
        m_pTabs->setTabText(index, page->Caption());
}

QList<CPropertyPage*> CPropertySheet::InitialisedPages() const
{
    QList<CPropertyPage*> pages;
    for (CPropertyPage* page : m_pages)
        if (page->m_bInitialised)
            pages.append(page);
    return pages;
}
