#pragma once
// The search window: a field over one list of the best matches across the shortcuts, the clipboard
// history, the source library and the environments. It is made hidden when the program starts, so
// the Search chord only has to show it: in the middle of the screen, over the window in front, with
// the caret in its field. Enter or a double click uses the selected entry as its own sheet would,
// Esc closes it and gives the focus back; it also closes when another window takes the focus.
#include "platform/Platform.h"

#include <QDialog>

class CSearchModel;
class QLineEdit;
class QListView;

class CSearchDlg : public QDialog {
    Q_OBJECT
public:
    // The list shows at most this many of the best matches.
    static constexpr int kRows = 50;

    explicit CSearchDlg(QWidget* parent = nullptr);

    // Shows the window, its field empty (the history listed), for previous, the window in front.
    void Open(platform::WindowId previous);
    bool IsOpen() const { return m_open; }

signals:
    // The window has closed, and whatever the user chose has been done.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void reject() override;

private:
    void OnTextChanged();
    void OnUse();
    // Hides the window; giveBack: the window that was in front gets the focus again.
    void Close(bool giveBack);
    void CenterOnScreen();
    // Ends the keyboard helper's hold of the keys typed since the chord once the window is in front;
    // looks again every kFocusPollMs until then, for this opening only.
    void ReleaseKeysInFront(int opening);
    static constexpr int kFocusPollMs = 5;

    QLineEdit* m_edit = nullptr;
    QListView* m_list = nullptr;
    CSearchModel* m_model = nullptr;
    platform::WindowId m_previous = 0;
    bool m_open = false;
    int m_opens = 0; // counts the showings, so a late check sees only its own
    // What the next paint of the list completes, for the log: "shown" or "listed".
    const char* m_paintNote = nullptr;
};
