// Reading and printing the key chords that users write in the [Hook] settings group.
#include "hook/qbhook/Chord.h"
#include "hook/qbhook/ChordSetting.h"

#include <QtTest>

using qbhook::Chord;

class TestChord : public QObject {
    Q_OBJECT

private slots:
    void Parse_data();
    void Parse();
    void DefaultsReadAsWritten();
};

void TestChord::Parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("canonical"); // empty: unreadable

    // Readable: any case, any order, blanks around the parts, the keysym spellings.
    QTest::newRow("canonical") << "Ctrl+Alt+Space" << "Ctrl+Alt+Space";
    QTest::newRow("upper case, other order") << "ALT+CTRL+SPACE" << "Ctrl+Alt+Space";
    QTest::newRow("Control, key first") << "space+Alt+Control" << "Ctrl+Alt+Space";
    QTest::newRow("blanks") << "  Ctrl + Alt +Space " << "Ctrl+Alt+Space";
    QTest::newRow("small letter") << "shift+alt+ctrl+s" << "Ctrl+Alt+Shift+S";
    QTest::newRow("insert lower") << "ctrl+shift+insert" << "Ctrl+Shift+Insert";
    QTest::newRow("super") << "Super+e" << "Super+E";
    QTest::newRow("meta is super") << "Meta+E" << "Super+E";
    QTest::newRow("function key") << "ctrl+f5" << "Ctrl+F5";
    QTest::newRow("two-word keysym") << "Alt+scroll_lock" << "Alt+Scroll_Lock";
    // Keysyms with two names print under the one X gives first.
    QTest::newRow("alias of a keysym") << "Ctrl+page_up" << "Ctrl+Prior";
    QTest::newRow("keypad keysym") << "Alt+kp_enter" << "Alt+KP_Enter";
    QTest::newRow("punctuation by name") << "Ctrl+Alt+COMMA" << "Ctrl+Alt+Comma";

    // Unreadable: nothing, no key, only modifiers, unknown names, empty parts, two keys.
    QTest::newRow("empty") << "" << "";
    QTest::newRow("trailing plus") << "Ctrl+" << "";
    QTest::newRow("only modifiers") << "Ctrl+Alt" << "";
    QTest::newRow("unknown modifier") << "Foo+X" << "";
    QTest::newRow("unknown key") << "Ctrl+NoSuchKey" << "";
    QTest::newRow("double plus") << "Ctrl++" << "";
    QTest::newRow("two keys") << "Ctrl+A+B" << "";
    QTest::newRow("modifier key as key") << "Ctrl+Shift_L" << "";
    // Grabbing these would take the key away from ordinary typing everywhere.
    QTest::newRow("letter alone") << "S" << "";
    QTest::newRow("shift and letter") << "Shift+S" << "";
    // The X server switches virtual terminals on these; no application ever gets them.
    QTest::newRow("terminal switch key") << "Ctrl+Alt+F9" << "";
    QTest::newRow("F9 with more modifiers") << "Ctrl+Alt+Shift+F9" << "Ctrl+Alt+Shift+F9";
}

void TestChord::Parse()
{
    QFETCH(QString, text);
    QFETCH(QString, canonical);

    const std::optional<Chord> chord = Chord::Parse(text.toStdString());
    if (canonical.isEmpty()) {
        QVERIFY2(!chord, qPrintable(QStringLiteral("read as ") + QString::fromStdString(chord->ToString())));
        return;
    }
    QVERIFY(chord);
    QCOMPARE(QString::fromStdString(chord->ToString()), canonical);
    // What is printed (and may be written back to the settings) reads as the same chord.
    const std::optional<Chord> again = Chord::Parse(chord->ToString());
    QVERIFY(again);
    QVERIFY(*again == *chord);
}

void TestChord::DefaultsReadAsWritten()
{
    for (const qbhook::ChordSetting& setting : qbhook::ChordSettings()) {
        const std::optional<Chord> chord = Chord::Parse(setting.defaultText);
        QVERIFY2(chord, setting.key);
        QCOMPARE(QString::fromStdString(chord->ToString()), QString::fromLatin1(setting.defaultText));
    }
}

QTEST_APPLESS_MAIN(TestChord)
#include "tst_chord.moc"
