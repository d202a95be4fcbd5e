#pragma once
// The program's windows as the controller asks for them: the splash, the hidden main window with
// its tray icon, message boxes.
#include "core/MainWindows.h"

class CQuillboxDlg;
class CSplashDlg;

class AppWindows final : public IMainWindows {
public:
    ~AppWindows() override;

    void Create(CMain& main) override;
    platform::WindowId MainWindowId() const override;
    void SetAutoSaveTimer(bool on) override;
    void HideSplash() override;
    void ShowNotice(const QString& text) override;
    void Destroy() override;

private:
    CMain* m_pMain = nullptr;
    CSplashDlg* m_pSplash = nullptr;
    CQuillboxDlg* m_pTray = nullptr;
    bool m_bDestroyed = false;
};
