#pragma once
// Seams to the operating system. Each concern is one small interface; the X11 backend
// (platform/x11) implements them for a desktop session and the fake backend (platform/fake) for
// tests. Nothing above this layer includes an X11 header.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace platform {

// A top-level window of any application (an X11 window id here); 0 is "none".
using WindowId = quint64;

// Virtual-key numbers of the keys Quillbox synthesizes, numbered as on Windows so that the
// services read the same on every backend.
constexpr int VK_BACK = 0x08;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_LEFT = 0x25;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_C = 0x43;
constexpr int VK_V = 0x56;

// One key going down (up == false) or up.
struct KeyStep {
    int vk;
    bool up;
};

// Ctrl+V: paste the clipboard into the focused window.
inline constexpr KeyStep PasteKeys[] = {{VK_CONTROL, false}, {VK_V, false}, {VK_V, true}, {VK_CONTROL, true}};
// The terminals' paste keys: Ctrl+Shift+V pastes the clipboard, Shift+Insert the PRIMARY selection.
inline constexpr KeyStep CtrlShiftVKeys[] = {{VK_CONTROL, false}, {VK_SHIFT, false}, {VK_V, false},
                                             {VK_V, true},        {VK_SHIFT, true},   {VK_CONTROL, true}};
inline constexpr KeyStep ShiftInsertKeys[] = {{VK_SHIFT, false}, {VK_INSERT, false}, {VK_INSERT, true}, {VK_SHIFT, true}};

class IKeyboard {
public:
    virtual ~IKeyboard() = default;
    // Presses (up == false) or releases (up == true) the key vk in the window that has the focus.
    virtual void KeyEvent(int vk, bool up) = 0;
    // Sends steps in their order.
    template <typename Steps>
    void Send(const Steps& steps)
    {
        for (const KeyStep& step : steps)
            KeyEvent(step.vk, step.up);
    }
    void Send(std::initializer_list<KeyStep> steps) { Send<std::initializer_list<KeyStep>>(steps); }
};

class IForeground {
public:
    virtual ~IForeground() = default;
    // The window the user is working in, or 0.
    virtual WindowId GetForegroundWindow() = 0;
    // Asks for window to become the active window and waits, with a bound, until it is.
    // Returns false when it did not happen in time.
    virtual bool SetForegroundWindow(WindowId window) = 0;
    // The window's class as it names itself (WM_CLASS: its instance and class names); empty when
    // it has none or is gone.
    virtual QStringList WindowClass(WindowId window) = 0;
};

class IQuietWait {
public:
    virtual ~IQuietWait() = default;
    // Serves the display connection (clipboard requests of other applications) without dispatching
    // timers, input or hook messages to the program's windows, until done() is true or capMs have
    // passed; returns done().
    virtual bool WaitUntil(const std::function<bool()>& done, int capMs) = 0;
    // After a synthesized copy: serves the display until another application has taken the
    // clipboard from this program, or until capMs have passed. Returns true when it was taken.
    virtual bool WaitForClipboardTaken(int capMs) = 0;
    // After a synthesized paste: serves the display until a request for the clipboard's (or
    // PRIMARY's) text has been answered and no new request came for settleMs, or until capMs have passed.
    // Returns true when a text request was served.
    virtual bool WaitForPasteServed(int settleMs, int capMs) = 0;
};

class IShell {
public:
    virtual ~IShell() = default;
    // Starts file in directory. An executable is started detached with parameters split into
    // arguments as a Windows program splits its command line (blanks separate, double quotes group
    // and are removed); any other file is opened by the desktop with its associated application.
    // On failure returns false and puts the system's text in *error.
    virtual bool ShellExecute(const QString& file, const QString& parameters, const QString& directory,
                              QString* error) = 0;
    // Shows folder in the desktop's file manager (the file manager's default folder when empty).
    virtual bool Explore(const QString& folder, QString* error) = 0;
    // Opens path in the desktop's default text editor, in directory.
    virtual bool OpenInDefaultEditor(const QString& path, const QString& directory, QString* error) = 0;
    // Opens a document (the help page) with the desktop's default handler.
    virtual bool OpenDocument(const QString& path, QString* error) = 0;
};

// The mark password managers put on a text that no clipboard history may keep: a target of this
// name whose content is this value. Quillbox puts it on its own passing texts too.
inline constexpr const char* kSecretMimeType = "x-kde-passwordManagerHint";
inline constexpr const char* kSecretMimeValue = "secret";
// Whether the content of the mark's target says "secret" (blanks around it allowed).
bool IsSecretMark(const QByteArray& content);

class IClipboardWriter {
public:
    virtual ~IClipboardWriter() = default;
    // Puts text on the clipboard in every text format the desktop offers. A secret text carries the
    // password managers' mark, so that clipboard histories do not keep it.
    virtual void SetText(const QString& text, bool secret = false) = 0;
    // The clipboard's text as this program sees it now (empty when it holds no text); *secret,
    // when given, tells whether it carries the mark.
    virtual QString Text(bool* secret = nullptr) = 0;
    // The same for PRIMARY, the selection that Shift+Insert pastes in a terminal; an empty text
    // gives it up.
    virtual void SetPrimaryText(const QString& text, bool secret = false) = 0;
    virtual QString PrimaryText() = 0;
};

// What the clipboard held when it was read.
struct ClipboardContent {
    QString text;        // the text offered; empty when there was none (nothing copied, an image)
    bool secret = false; // marked by a password manager (x-kde-passwordManagerHint "secret"); text is not read then
    bool tooLarge = false; // more than IClipboardReader::kMaxBytes; text is not kept then
};

class IClipboardReader {
public:
    virtual ~IClipboardReader() = default;
    // A larger text is not read to the end.
    static constexpr qint64 kMaxBytes = qint64(64) << 20;
    // Reads the clipboard away from the calling thread, so that a large text, which its owner sends
    // in many pieces, never holds the caller up. done runs later on the calling thread's event loop
    // with what the clipboard held, once per call and in the order of the calls; never after the
    // reader is destroyed.
    virtual void Read(std::function<void(const ClipboardContent&)> done) = 0;
    // As Read, for a text that is used at once and never kept (the word an expansion copied): the
    // text is asked for as UTF-8 straight away, with no look at the formats or the password
    // managers' mark, one round trip to its owner instead of three.
    virtual void ReadText(std::function<void(const ClipboardContent&)> done) = 0;
};

// One message of the keyboard helper as it reached a window: its number and parameters.
struct NativeMessage {
    long number = 0;
    long wParam = 0;
    long lParam = 0;
    long secretLow = 0;  // data word l[3]: the run's secret, low half
    long secretHigh = 0; // data word l[4]: its high half
};

class INativeMessages {
public:
    virtual ~INativeMessages() = default;
    // Recognises a message of the keyboard helper among the native events that reach a window.
    virtual std::optional<NativeMessage> Decode(const QByteArray& eventType, void* message) = 0;
};

// The set of seams a running program uses; owned by the controller.
struct Services {
    std::unique_ptr<IKeyboard> keyboard;
    std::unique_ptr<IForeground> foreground;
    std::unique_ptr<IQuietWait> quietWait;
    std::unique_ptr<IShell> shell;
    std::unique_ptr<INativeMessages> messages;
    std::unique_ptr<IClipboardReader> clipboard;
    std::unique_ptr<IClipboardWriter> clipboardWriter;
};

// The backend CMake chose (QB_PLATFORM) provides these three.
// The services of this desktop; messageType names the messages of the keyboard helper. Create them
// once the application object exists.
std::unique_ptr<Services> CreateServices(const QByteArray& messageType);
// Whether Quillbox's keys and clipboard history can work in this session; when not, *why says so
// in one sentence for the user. Usable before the application is created.
bool SessionSupported(QString* why);
// Lets the program end in order, from its own thread, when the desktop's display goes away.
void InstallDisplayLossHandler();

} // namespace platform
