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
    QString text = hold ? QStringLiteral("hold") : record ? QStringLiteral("rec") : QString();
    if (forward)
        text += QStringLiteral("fwd");
    if (message) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QStringLiteral("0x%1").arg(message->number, 0, 16);
        if (message->lParam != 0)
            text += QStringLiteral("/%1").arg(message->lParam);
    }
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestHookEvents : public QObject {
    Q_OBJECT

private slots:
    void ChordSequences_data();
    void ChordSequences();
    void SelectionOwner_data();
    void SelectionOwner();
    void DecodeClientMessage_data();
    void DecodeClientMessage();
    void TypedKeysKept_data();
    void TypedKeysKept();
};

void TestHookEvents::ChordSequences_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<bool>("hold"); // the expand chord holds the type-ahead

    // The grabbed chords: expand Ctrl+Alt+Space, the Ctrl+Shift clipboard pair, the shortcut list.
    // Only the Ctrl+Shift pair is grabbed, so Ctrl+Alt+Insert never reaches the hook; were it to,
    // it must not match.
    QTest::newRow("expand: key up, then the modifiers")
        << QList<Step>{H(Ctrl), H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeySpace, Ctrl | Alt), H(Ctrl), H(0)}
        << QStringList{"-", "-", "-", "-", "-", "0x427"} << false;
    QTest::newRow("expand: modifiers up first, their releases handed back")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeyAltL, Ctrl | Alt), H(Ctrl),
                       R(KeyCtrlL, Ctrl), H(0), R(KeySpace, 0)}
        << QStringList{"-", "-", "fwd", "-", "fwd", "-", "0x427"} << false;
    QTest::newRow("held key repeats: one message")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), P(KeySpace, Ctrl | Alt), P(KeySpace, Ctrl | Alt),
                       R(KeySpace, Ctrl | Alt), H(0), H(0)}
        << QStringList{"-", "-", "-", "-", "-", "0x427", "-"} << false;
    QTest::newRow("clipboard manager, chosen pair")
        << QList<Step>{H(Ctrl | Shift), P(KeyInsert, Ctrl | Shift), R(KeyInsert, Ctrl | Shift), H(0)}
        << QStringList{"-", "-", "-", "0x420"} << false;
    QTest::newRow("clipboard manager, other pair")
        << QList<Step>{H(Ctrl | Alt), P(KeyInsert, Ctrl | Alt), R(KeyInsert, Ctrl | Alt), H(0)}
        << QStringList{"-", "-", "-", "-"} << false;
    QTest::newRow("one modifier too many")
        << QList<Step>{H(Ctrl | Alt | Shift), P(KeySpace, Ctrl | Alt | Shift), R(KeySpace, Ctrl | Alt | Shift), H(0)}
        << QStringList{"-", "-", "-", "-"} << false;
    QTest::newRow("held: keys typed after the chord kept, the chord's modifiers handed back")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeySpace, Ctrl | Alt), R(KeyAltL, Ctrl | Alt), H(Ctrl),
                       R(KeyCtrlL, Ctrl), H(0), P(KeyA, 0), P(KeyS, 0), R(KeyA, 0), R(KeyS, 0)}
        << QStringList{"-", "hold", "-", "fwd", "-", "fwd", "0x427", "rec", "rec", "rec", "rec"} << true;
}

void TestHookEvents::ChordSequences()
{
    QFETCH(QList<Step>, steps);
    QFETCH(QStringList, outcomes);
    QFETCH(bool, hold);

    ChordMachine machine({{KeySpace, Ctrl | Alt, {QB_MSG_EXPAND, 0, 0}, hold},
                          {KeyInsert, Ctrl | Shift, {QB_MSG_CLIPBOARD_MANAGER, 0, QB_CLIPBOARD_PAIR_CTRL_SHIFT}},
                          {KeyS, Ctrl | Alt | Shift, {QB_MSG_SHOW_SHORTCUTS, 0, 0}}},
                         Caps | Num, 0);
    QStringList got;
    for (const Step& step : steps) {
        if (step.kind == Step::Held) {
            got << Outcome(machine.OnModifiers(step.code), false);
        } else {
            const KeyOutcome outcome = machine.OnKey({step.kind == Step::Press, step.code, step.state});
            got << Outcome(outcome.message, outcome.forwardRelease, outcome.startHold, outcome.record);
        }
    }
    QCOMPARE(got, outcomes);
}

void TestHookEvents::SelectionOwner_data()
{
    QTest::addColumn<bool>("clipboard");
    QTest::addColumn<qulonglong>("owner");
    QTest::addColumn<qulonglong>("target");
    QTest::addColumn<bool>("copy");

    // Ids of one client share the bits outside the resource-id mask (0x001FFFFF on Xorg).
    QTest::newRow("another client copies") << true << 0x03A00004ull << 0x04200007ull << true;
    QTest::newRow("PRIMARY is not a copy") << false << 0x03A00004ull << 0x04200007ull << false;
    QTest::newRow("clipboard cleared") << true << 0ull << 0x04200007ull << false;
    QTest::newRow("Quillbox's own window") << true << 0x04200007ull << 0x04200007ull << false;
    QTest::newRow("another window of Quillbox") << true << 0x0420002Full << 0x04200007ull << false;
}

void TestHookEvents::SelectionOwner()
{
    QFETCH(bool, clipboard);
    QFETCH(qulonglong, owner);
    QFETCH(qulonglong, target);
    QFETCH(bool, copy);

    const SelectionOwnerChange change{clipboard, owner, SameClient(owner, target, 0x001FFFFF)};
    const std::optional<HookMessage> message = TranslateSelectionOwnerChange(change);
    QCOMPARE(message.has_value(), copy);
    if (copy)
        QCOMPARE(message->number, QB_MSG_COPY);
}

void TestHookEvents::DecodeClientMessage_data()
{
    QTest::addColumn<long>("number");
    QTest::addColumn<long>("lParam");
    QTest::addColumn<long>("l3");
    QTest::addColumn<long>("l4");
    QTest::addColumn<bool>("decoded");

    // The run's secret 0x89ABCDEF01234567: l3 its low half, l4 its high half. Xlib hands the words
    // out sign-extended on 64-bit machines, so a half with its top bit set arrives negative.
    const long low = 0x01234567L, high = long(std::int32_t(0x89ABCDEFu));
    QTest::newRow("copy") << QB_MSG_COPY << 0L << low << high << true;
    QTest::newRow("high half not sign-extended") << QB_MSG_EXPAND << 0L << low << 0x89ABCDEFL << true;
    QTest::newRow("no secret: another client's") << QB_MSG_EXPAND << 0L << 0L << 0L << false;
    QTest::newRow("another secret: an earlier run's") << QB_MSG_EXPAND << 0L << low + 1 << high << false;
    QTest::newRow("unknown number") << 0x42AL << 0L << low << high << false;
}

void TestHookEvents::DecodeClientMessage()
{
    QFETCH(long, number);
    QFETCH(long, lParam);
    QFETCH(long, l3);
    QFETCH(long, l4);
    QFETCH(bool, decoded);

    const std::optional<HookMessage> message =
        DecodeHookClientMessage(number, 0, lParam, l3, l4, 0x89ABCDEF01234567u);
    QCOMPARE(message.has_value(), decoded);
    if (decoded)
        QVERIFY(*message == (HookMessage{number, 0, lParam}));
}

void TestHookEvents::TypedKeysKept_data()
{
    // Keys by keysym name, pressed in window 1; "^x" with Ctrl held, "@2" the focus moves to window
    // 2, "click" a click. The text is read for window 1.
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("cut");
    const auto keys = [](const char* names) { return QString::fromLatin1(names).split(QLatin1Char(' ')); };
    QTest::newRow("printable") << keys("e c h o space s i g") << "echo sig" << false;
    QTest::newRow("BackSpace takes one back") << keys("BackSpace s i x BackSpace g") << "sig" << false;
    QTest::newRow("modifiers alone") << keys("s Shift_L I Caps_Lock ISO_Level3_Shift g") << "sIg" << false;
    QTest::newRow("beyond Latin-1, the keypad") << keys("udiaeresis EuroSign U0436 KP_1 KP_Add") << "ü€ж1+" << false;
    QTest::newRow("Return, Tab, a move, Delete") << keys("a Return b Tab c Left d Delete e") << "e" << false;
    QTest::newRow("a chord") << keys("a ^u b") << "b" << false;
    QTest::newRow("a dead key") << keys("a dead_acute") << "" << false;
    QTest::newRow("a click") << keys("a click b") << "b" << false;
    QTest::newRow("another window") << keys("a @2 b") << "" << false;
    QTest::newRow("twelve kept") << keys("a b c d e f g h i j k l m n") << "cdefghijklmn" << true;
    QTest::newRow("twelve, one taken back") << keys("a b c d e f g h i j k l m BackSpace") << "bcdefghijkl" << true;
}

void TestHookEvents::TypedKeysKept()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, text);
    QFETCH(bool, cut);
    TypedKeys typed;
    unsigned long window = 1;
    for (const QString& key : keys) {
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
    QCOMPARE(QString::fromStdString(typed.Text(1, &dropped)), text);
    QCOMPARE(dropped, cut);
}

QTEST_APPLESS_MAIN(TestHookEvents)
#include "tst_hookevents.moc"
