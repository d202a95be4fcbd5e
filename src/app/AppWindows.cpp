#include "app/AppWindows.h"

#include "core/CMain.h"
#include "ui/common/CSplashDlg.h"
#include "ui/framework/MessageBox.h"
#include "ui/main/CQuillboxDlg.h"

AppWindows::~AppWindows()
{
    Destroy();
    delete m_pTray;
    delete m_pSplash;
    if (m_pMain) {
        m_pMain->m_pTrayDlg = nullptr;
        m_pMain->m_pSplashDlg = nullptr;
    }
}

void AppWindows::Create(CMain& main)
{
    m_pMain = &main;
    m_pSplash = new CSplashDlg;
    m_pSplash->Create();
    m_pTray = new CQuillboxDlg;
    m_pTray->Create();
    m_pTray->CreateSystrayIcon();
    m_pSplash->SetCloseSplashHandler([this] { m_pTray->OnCloseSplashWnd(); });
    main.m_pSplashDlg = m_pSplash;
    main.m_pTrayDlg = m_pTray;
}

platform::WindowId AppWindows::MainWindowId() const
{
    return m_pTray ? platform::WindowId(m_pTray->winId()) : 0;
}

void AppWindows::SetAutoSaveTimer(bool on)
{
    if (m_pTray)
        m_pTray->SetAutoSaveTimer(on);
}

void AppWindows::HideSplash()
{
    if (m_pSplash)
        m_pSplash->hide();
}

void AppWindows::ShowNotice(const QString& text)
{
    ui::ShowNotice(text);
}

void AppWindows::Destroy()
{
    // The objects go with the controller; their windows go now, before the preferences are written.
    if (m_pTray && !m_bDestroyed) {
        m_pTray->DestroySystrayIcon();
        m_pTray->DestroyWindow();
    }
    m_bDestroyed = true;
}
