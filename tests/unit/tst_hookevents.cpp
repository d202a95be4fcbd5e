// Translation of X events into hook messages, without an X server: the chord state machine,
// copy notifications, and the main window's decoding.
#include "hook/qbhook/HookMessage.h"
#include "hook/qbhook/ChordMachine.h"
#include "hook/qbhook/HookEvents.h"
#include "hook/qbhook/TypedKeys.h"

#include <QtTest>

#ifndef Q_MOC_RUN // Xlib's macros are no C++ for moc
#include <X11/Xlib.h>
#endif

using namespace qbhook;

namespace {

// Modifier bits as the server reports them on a common keymap.
constexpr unsigned Shift = 0x01, Caps = 0x02, Ctrl = 0x04, Alt = 0x08, Num = 0x10;
// Keycodes of a pc105 keymap.
constexpr unsigned KeySpace = 65, KeyInsert = 118, KeyS = 39, KeyA = 38, KeyAltL = 64, KeyCtrlL = 37;

// One input of the machine: a key event, or XKB's report of the modifiers held.
struct Step {
    enum Kind { Press, Release, Held } kind;
    unsigned code; // keycode, or the modifiers held for Held
    unsigned state;
};
Step P(unsigned key, unsigned state) { return {Step::Press, key, state}; }
Step R(unsigned key, unsigned state) { return {Step::Release, key, state}; }
Step H(unsigned held) { return {Step::Held, held, 0}; }

// What a step gave, in short: "-" nothing, "hold" a hold begun, "rec" a key kept for the replay,
// "fwd" the release handed to the application, "0x427" a message, "0x420/1" one with its lParam.
QString Outcome(const std::optional<HookMessage>& message, bool forward, bool hold = false, bool record = false)
{
    QStringList parts;
    if (hold || record || forward)
        parts << QString(hold ? "hold" : record ? "rec" : "") + (forward ? "fwd" : "");
    if (message)
        parts << QString("0x%1").arg(message->number, 0, 16) + (message->lParam ? QString("/%1").arg(message->lParam) : "");
    return parts.isEmpty() ? QString("-") : parts.join(' ');
}

} // namespace

class TestHookEvents : public QObject {
    Q_OBJECT

private slots:
    void ChordSequences()
    {
        // The grabbed chords: expand Ctrl+Alt+Space, the Ctrl+Shift clipboard pair, the shortcut list.
        // Only the Ctrl+Shift pair is grabbed, so Ctrl+Alt+Insert never reaches the hook; were it to,
        // it must not match. hold: the expand chord holds the type-ahead.
        const struct {
            QList<Step> steps;
            QStringList outcomes;
            bool hold;
        } cases[] = {
            {{H(Ctrl), H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeySpace, Ctrl | Alt), H(Ctrl), H(0)},
             {"-", "-", "-", "-", "-", "0x427"}, false},
            // Modifiers up first: their releases are handed back.
            {{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeyAltL, Ctrl | Alt), H(Ctrl), R(KeyCtrlL, Ctrl), H(0), R(KeySpace, 0)},
             {"-", "-", "fwd", "-", "fwd", "-", "0x427"}, false},
            // A held key repeats: one message.
            {{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), P(KeySpace, Ctrl | Alt), P(KeySpace, Ctrl | Alt),
              R(KeySpace, Ctrl | Alt), H(0), H(0)},
             {"-", "-", "-", "-", "-", "0x427", "-"}, false},
            {{H(Ctrl | Shift), P(KeyInsert, Ctrl | Shift), R(KeyInsert, Ctrl | Shift), H(0)}, {"-", "-", "-", "0x420"}, false},
            {{H(Ctrl | Alt), P(KeyInsert, Ctrl | Alt), R(KeyInsert, Ctrl | Alt), H(0)}, {"-", "-", "-", "-"}, false},
            // One modifier too many.
            {{H(Ctrl | Alt | Shift), P(KeySpace, Ctrl | Alt | Shift), R(KeySpace, Ctrl | Alt | Shift), H(0)},
             {"-", "-", "-", "-"}, false},
            // Held: keys typed after the chord kept, the chord's modifiers handed back.
            {{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeySpace, Ctrl | Alt), R(KeyAltL, Ctrl | Alt), H(Ctrl),
              R(KeyCtrlL, Ctrl), H(0), P(KeyA, 0), P(KeyS, 0), R(KeyA, 0), R(KeyS, 0)},
             {"-", "hold", "-", "fwd", "-", "fwd", "0x427", "rec", "rec", "rec", "rec"}, true},
        };
        for (const auto& c : cases) {
            ChordMachine machine({{KeySpace, Ctrl | Alt, {QB_MSG_EXPAND, 0, 0}, c.hold},
                                  {KeyInsert, Ctrl | Shift, {QB_MSG_CLIPBOARD_MANAGER, 0, QB_CLIPBOARD_PAIR_CTRL_SHIFT}},
                                  {KeyS, Ctrl | Alt | Shift, {QB_MSG_SHOW_SHORTCUTS, 0, 0}}},
                                 Caps | Num, 0);
            QStringList got;
            for (const Step& step : c.steps) {
                if (step.kind == Step::Held) {
                    got << Outcome(machine.OnModifiers(step.code), false);
                } else {
                    const KeyOutcome outcome = machine.OnKey({step.kind == Step::Press, step.code, step.state});
                    got << Outcome(outcome.message, outcome.forwardRelease, outcome.startHold, outcome.record);
                }
            }
            QCOMPARE(got, c.outcomes);
        }
    }

    void SelectionOwner()
    {
        // Ids of one client share the bits outside the resource-id mask (0x001FFFFF on Xorg).
        const struct {
            const char* name;
            bool clipboard;
            qulonglong owner, target;
            bool copy;
        } cases[] = {
            {"another client copies", true, 0x03A00004ull, 0x04200007ull, true},
            {"PRIMARY is not a copy", false, 0x03A00004ull, 0x04200007ull, false},
            {"clipboard cleared", true, 0ull, 0x04200007ull, false},
            {"Quillbox's own window", true, 0x04200007ull, 0x04200007ull, false},
            {"another window of Quillbox", true, 0x0420002Full, 0x04200007ull, false},
        };
        for (const auto& c : cases) {
            const std::optional<HookMessage> message =
                TranslateSelectionOwnerChange({c.clipboard, c.owner, SameClient(c.owner, c.target, 0x001FFFFF)});
            QVERIFY2(message.has_value() == c.copy, c.name);
            QVERIFY2(!c.copy || message->number == QB_MSG_COPY, c.name);
        }
    }

    void DecodeClientMessage()
    {
        // The run's secret 0x89ABCDEF01234567: l3 its low half, l4 its high half. Xlib hands the words
        // out sign-extended on 64-bit machines, so a half with its top bit set arrives negative.
        const long low = 0x01234567L, high = long(std::int32_t(0x89ABCDEFu));
        const struct {
            const char* name;
            long number, l3, l4;
            bool decoded;
        } cases[] = {
            {"copy", QB_MSG_COPY, low, high, true},
            {"high half not sign-extended", QB_MSG_EXPAND, low, 0x89ABCDEFL, true},
            {"no secret: another client's", QB_MSG_EXPAND, 0L, 0L, false},
            {"another secret: an earlier run's", QB_MSG_EXPAND, low + 1, high, false},
            {"unknown number", 0x42AL, low, high, false},
        };
        for (const auto& c : cases) {
            const std::optional<HookMessage> message = DecodeHookClientMessage(c.number, 0, 0, c.l3, c.l4, 0x89ABCDEF01234567u);
            QVERIFY2(message.has_value() == c.decoded, c.name);
            QVERIFY2(!c.decoded || *message == (HookMessage{c.number, 0, 0}), c.name);
        }
    }

    void TypedKeysKept()
    {
        // Keys by keysym name, pressed in window 1; "^x" with Ctrl held, "@2" the focus moves to window
        // 2, "click" a click. The text is read for window 1; cut: older keys were dropped.
        const struct {
            const char* keys;
            QString text;
            bool cut;
        } cases[] = {
            {"e c h o space s i g", "echo sig", false},
            {"BackSpace s i x BackSpace g", "sig", false},
            {"s Shift_L I Caps_Lock ISO_Level3_Shift g", "sIg", false},
            {"udiaeresis EuroSign U0436 KP_1 KP_Add", "ü€ж1+", false},
            {"a Return b Tab c Left d Delete e", "e", false},
            {"a ^u b", "b", false},
            {"a dead_acute", "", false},
            {"a click b", "b", false},
            {"a @2 b", "", false},
            {"a b c d e f g h i j k l m n", "cdefghijklmn", true},
            {"a b c d e f g h i j k l m BackSpace", "bcdefghijkl", true},
        };
        for (const auto& c : cases) {
            TypedKeys typed;
            unsigned long window = 1;
            for (const QString& key : QString::fromLatin1(c.keys).split(QLatin1Char(' '))) {
                if (key == QLatin1String("click")) {
                    typed.Clear();
                } else if (key.startsWith(QLatin1Char('@'))) {
                    window = key.mid(1).toULong();
                } else {
                    const bool command = key.startsWith(QLatin1Char('^'));
                    const KeySym keysym = XStringToKeysym(key.mid(command ? 1 : 0).toLatin1().constData());
                    QVERIFY2(keysym != NoSymbol, qPrintable(key));
                    typed.OnKeyPress(window, keysym, command);
                }
            }
            bool dropped = false;
            QCOMPARE(QString::fromStdString(typed.Text(1, &dropped)), c.text);
            QVERIFY2(dropped == c.cut, c.keys);
        }
    }
};

QTEST_APPLESS_MAIN(TestHookEvents)
#include "tst_hookevents.moc"
