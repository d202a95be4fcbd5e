#pragma once
// What the controller asks of the program's windows. The core has no widgets: the program gives it
// an implementation (app/), tests give it none or a fake.
#include "platform/Platform.h"

#include <QString>

class CMain;

class IMainWindows {
public:
    virtual ~IMainWindows() = default;
    // Makes the splash, the hidden main window and its tray icon.
    virtual void Create(CMain& main) = 0;
    // The main window's native id: where the keyboard helper sends its messages.
    virtual platform::WindowId MainWindowId() const = 0;
    // Starts (every minute) or stops the clipboard's auto save.
    virtual void SetAutoSaveTimer(bool on) = 0;
    virtual void HideSplash() = 0;
    // A message for the user that needs no answer.
    virtual void ShowNotice(const QString& text) = 0;
    // Removes the tray icon and destroys the main window's native window (the objects themselves go
    // with the controller).
    virtual void Destroy() = 0;
};
