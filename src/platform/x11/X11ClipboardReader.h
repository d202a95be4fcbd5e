#pragma once
#include "platform/Platform.h"

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class QObject;
struct xcb_connection_t;

namespace platform {

// Reads CLIPBOARD as any X client pastes it, on a thread and a connection of its own: the list of
// formats first, then the password managers' mark, then the text in the best text format offered.
// An owner sends a large text by the INCR protocol, one piece each time the last one was taken;
// all of that happens here, and the user-interface thread only gets the finished text.
class X11ClipboardReader final : public IClipboardReader {
public:
    X11ClipboardReader();
    ~X11ClipboardReader() override;
    X11ClipboardReader(const X11ClipboardReader&) = delete;
    X11ClipboardReader& operator=(const X11ClipboardReader&) = delete;

    void Read(std::function<void(const ClipboardContent&)> done) override;
    void ReadText(std::function<void(const ClipboardContent&)> done) override;
    // The text of CLIPBOARD (or PRIMARY) to be put back later, with the password managers' mark
    // when withMark: unlike Read, a marked text is read too, since it is never kept. Waits at most
    // boundMs on the calling thread; nothing when the owner has not answered by then.
    std::optional<ClipboardContent> ReadNow(bool primary, bool withMark, int boundMs);

    // An owner that has not answered or sent the next piece within this time has given up.
    static constexpr int kStepTimeoutMs = 2000;

    // The window its requests come from: not a paste into another application.
    quint32 Window() const { return m_window; }

private:
    using Done = std::function<void(const ClipboardContent&)>;
    enum class Kind { Everything, TextOnly, TextAndMark };
    struct Request {
        Kind kind = Kind::Everything;
        bool primary = false;
        Done done;
        bool onThread = false; // done runs on the reader's thread (ReadNow), not the caller's loop
    };
    struct Data {
        quint32 type = 0;
        QByteArray bytes;
    };

    void CreateWindow();
    void Run();
    void Queue(Request request);
    // Drops answers left over from a read that gave up; false without a connection.
    bool BeginRead();
    ClipboardContent ReadClipboard();
    // The text alone, asked for as UTF-8 (Latin-1 when refused): ReadText; with the mark asked for
    // first when withMark, the text read whether marked or not: ReadNow.
    ClipboardContent ReadTextOnly(bool withMark);
    // The first of wanted that the owner serves, skipping what it does not offer (when it listed
    // its formats), into content.text; stops at a format left unanswered or a text too large.
    void ReadFirstText(const QList<quint32>& wanted, const QList<quint32>& offered, ClipboardContent& content);
    // The clipboard converted to target: nothing when the owner refused or went silent.
    std::optional<Data> Convert(quint32 target, bool* tooLarge = nullptr);
    std::optional<Data> ReadProperty();
    static QString Decoded(Data data);
    std::optional<Data> ReadIncrementally(quint32 type, bool* tooLarge);

    xcb_connection_t* m_connection = nullptr;
    bool m_ownerSilent = false; // the owner did not answer a conversion in time
    quint32 m_root = 0;
    quint32 m_window = 0;
    quint32 m_selection = 0; // the selection of the read under way: CLIPBOARD or PRIMARY
    quint32 m_clipboard = 0, m_targets = 0, m_incr = 0, m_hint = 0, m_property = 0;
    quint32 m_utf8 = 0, m_mimeUtf8 = 0, m_text = 0, m_mimeText = 0;

    std::unique_ptr<QObject> m_context; // lives on the calling thread; results are delivered to it
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    std::deque<Request> m_requests;
    std::atomic<bool> m_stop{false};
    int m_wake[2] = {-1, -1}; // written to when the reader is destroyed, to end a wait at once
};

} // namespace platform
