// Translation of X events into hook messages, without an X server: the chord state machine,
// copy notifications.
#include "hook/HookMessage.h"
#include "hook/qbhook/ChordMachine.h"
#include "hook/qbhook/HookEvents.h"

#include <QtTest>

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

// What a step gave, in short: "-" nothing, "fwd" the release handed to the application,
// "0x427" a message, "0x420/1" a message with its lParam.
QString Outcome(const std::optional<HookMessage>& message, bool forward)
{
    QString text = forward ? QStringLiteral("fwd") : QString();
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
};

void TestHookEvents::ChordSequences_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QStringList>("outcomes");

    // The grabbed chords: expand Ctrl+Alt+Space, the Ctrl+Shift clipboard pair, the shortcut list.
    // Only the Ctrl+Shift pair is grabbed, so Ctrl+Alt+Insert never reaches the hook; were it to,
    // it must not match.
    QTest::newRow("expand: key up, then the modifiers")
        << QList<Step>{H(Ctrl), H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeySpace, Ctrl | Alt), H(Ctrl), H(0)}
        << QStringList{"-", "-", "-", "-", "-", "0x427"};
    QTest::newRow("expand: modifiers up first, their releases handed back")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeyAltL, Ctrl | Alt), H(Ctrl),
                       R(KeyCtrlL, Ctrl), H(0), R(KeySpace, 0)}
        << QStringList{"-", "-", "fwd", "-", "fwd", "-", "0x427"};
    QTest::newRow("expand with NumLock on")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt | Num), R(KeySpace, Ctrl | Alt | Num), H(0)}
        << QStringList{"-", "-", "-", "0x427"};
    QTest::newRow("held key repeats: one message")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), P(KeySpace, Ctrl | Alt), P(KeySpace, Ctrl | Alt),
                       R(KeySpace, Ctrl | Alt), H(0), H(0)}
        << QStringList{"-", "-", "-", "-", "-", "0x427", "-"};
    QTest::newRow("a key pressed during the chord is not handed back")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), P(KeyA, Ctrl | Alt), R(KeyA, Ctrl | Alt),
                       R(KeySpace, Ctrl | Alt), H(0)}
        << QStringList{"-", "-", "-", "-", "-", "0x427"};
    QTest::newRow("clipboard manager, chosen pair")
        << QList<Step>{H(Ctrl | Shift), P(KeyInsert, Ctrl | Shift), R(KeyInsert, Ctrl | Shift), H(0)}
        << QStringList{"-", "-", "-", "0x420"};
    QTest::newRow("clipboard manager, other pair")
        << QList<Step>{H(Ctrl | Alt), P(KeyInsert, Ctrl | Alt), R(KeyInsert, Ctrl | Alt), H(0)}
        << QStringList{"-", "-", "-", "-"};
    QTest::newRow("one modifier too many")
        << QList<Step>{H(Ctrl | Alt | Shift), P(KeySpace, Ctrl | Alt | Shift), R(KeySpace, Ctrl | Alt | Shift), H(0)}
        << QStringList{"-", "-", "-", "-"};
    QTest::newRow("release without its press")
        << QList<Step>{R(KeySpace, Ctrl | Alt), R(KeyAltL, Ctrl | Alt), H(0)} << QStringList{"-", "-", "-"};
    QTest::newRow("two chords in a row")
        << QList<Step>{H(Ctrl | Alt), P(KeySpace, Ctrl | Alt), R(KeySpace, Ctrl | Alt), H(0), H(Ctrl | Alt),
                       P(KeySpace, Ctrl | Alt), R(KeySpace, Ctrl | Alt), H(0)}
        << QStringList{"-", "-", "-", "0x427", "-", "-", "-", "0x427"};
}

void TestHookEvents::ChordSequences()
{
    QFETCH(QList<Step>, steps);
    QFETCH(QStringList, outcomes);

    ChordMachine machine({{KeySpace, Ctrl | Alt, {QB_MSG_EXPAND, 0, 0}},
                          {KeyInsert, Ctrl | Shift, {QB_MSG_CLIPBOARD_MANAGER, 0, QB_CLIPBOARD_PAIR_CTRL_SHIFT}},
                          {KeyS, Ctrl | Alt | Shift, {QB_MSG_SHOW_SHORTCUTS, 0, 0}}},
                         Caps | Num, 0);
    QStringList got;
    for (const Step& step : steps) {
        if (step.kind == Step::Held) {
            got << Outcome(machine.OnModifiers(step.code), false);
        } else {
            const KeyOutcome outcome = machine.OnKey({step.kind == Step::Press, step.code, step.state});
            got << Outcome(outcome.message, outcome.forwardRelease);
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

QTEST_APPLESS_MAIN(TestHookEvents)
#include "tst_hookevents.moc"
