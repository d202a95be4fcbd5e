#pragma once
// Terminal emulators, known by their window's class. A terminal is never sent Ctrl+C (it would
// interrupt the program reading the line): the expansion takes the word from the keys typed into
// it, and text is pasted with the terminal's own paste key.
#include <QSettings>
#include <QString>
#include <QStringList>

enum class TerminalPaste {
    None,        // not a terminal: Ctrl+V
    CtrlShiftV,  // pastes the clipboard with Ctrl+Shift+V (VTE, Konsole, kitty, ...)
    ShiftInsert, // pastes PRIMARY with Shift+Insert (xterm, rxvt)
};

class TerminalClasses {
public:
    // The settings group and its keys: window classes, separated by commas, that are terminals
    // pasting with Ctrl+Shift+V and with Shift+Insert, added to the common ones Quillbox knows.
    static constexpr const char* Group = "Terminals";
    static constexpr const char* CtrlShiftVKey = "PasteCtrlShiftV";
    static constexpr const char* ShiftInsertKey = "PasteShiftInsert";

    // The common terminals only.
    TerminalClasses() = default;
    // The common terminals and those of the settings' group (which must stand at its top level).
    static TerminalClasses Read(QSettings& settings);

    // How a window whose WM_CLASS names are windowClass pastes; the names compare in any case.
    TerminalPaste PasteOf(const QStringList& windowClass) const;

private:
    QStringList m_ctrlShiftV;  // the user's
    QStringList m_shiftInsert; // the user's
};

// The words the characters typed into a terminal may end with, the longest first: the blank-free
// end of the text, then its end of letters, digits and '_' (so that "(sig" also offers "sig").
// cut: characters typed before the text were dropped, so an end that fills the whole text began
// earlier and is no word.
QStringList TypedWords(const QString& typed, bool cut);
