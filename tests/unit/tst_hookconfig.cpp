// The chords read from the [Hook] group of the settings: defaults, overrides, and the texts
// that tell the user which value could not be read.
#include "hook/HookConfig.h"
#include "hook/SharedBlock.h"

#include <QtTest>

class TestHookConfig : public QObject {
    Q_OBJECT

private slots:
    void Load_data();
    void Load();
};

void TestHookConfig::Load_data()
{
    QTest::addColumn<QString>("hookGroup"); // lines of the [Hook] group, as a user would write them
    QTest::addColumn<int>("clipboardMgrKeys");
    QTest::addColumn<int>("index");         // QBHOOK_CHORD_* looked at
    QTest::addColumn<QString>("chord");      // what is grabbed for it
    QTest::addColumn<QStringList>("named");  // what the one fall-back text names; empty: no text

    QTest::newRow("nothing set") << "" << 0 << int(QBHOOK_CHORD_EXPAND) << "Ctrl+Alt+Space" << QStringList{};
    QTest::newRow("override in any case")
        << "Expand=ctrl+super+e" << 0 << int(QBHOOK_CHORD_EXPAND) << "Ctrl+Super+E" << QStringList{};
    QTest::newRow("unknown key name")
        << "Expand=Ctrl+NoSuchKey" << 0 << int(QBHOOK_CHORD_EXPAND) << "Ctrl+Alt+Space"
        << QStringList{"Expand", "\"Ctrl+NoSuchKey\"", "Ctrl+Alt+Space", "expand key"};
    QTest::newRow("a comma, which the settings file reads as a list")
        << "ClipboardManagerCtrlShift=Ctrl+," << 0 << int(QBHOOK_CHORD_CLIPBOARD_CTRL_SHIFT) << "Ctrl+Shift+Insert"
        << QStringList{"ClipboardManagerCtrlShift", "\"Ctrl+,\"", "Ctrl+Shift+Insert"};
    // Only the chosen pair is grabbed, so only its value is worth a word to the user.
    QTest::newRow("unreadable pair not chosen")
        << "ClipboardManagerCtrlAlt=Foo+X" << 0 << int(QBHOOK_CHORD_CLIPBOARD_CTRL_ALT) << "Ctrl+Alt+Insert"
        << QStringList{};
    QTest::newRow("unreadable pair chosen")
        << "ClipboardManagerCtrlAlt=Foo+X" << 1 << int(QBHOOK_CHORD_CLIPBOARD_CTRL_ALT) << "Ctrl+Alt+Insert"
        << QStringList{"ClipboardManagerCtrlAlt", "\"Foo+X\"", "Ctrl+Alt+Insert", "clipboard manager key"};
    QTest::newRow("pair out of range reads as Ctrl+Shift")
        << "ClipboardManagerCtrlShift=Ctrl++" << 7 << int(QBHOOK_CHORD_CLIPBOARD_CTRL_SHIFT) << "Ctrl+Shift+Insert"
        << QStringList{"ClipboardManagerCtrlShift", "\"Ctrl++\""};
}

void TestHookConfig::Load()
{
    QFETCH(QString, hookGroup);
    QFETCH(int, clipboardMgrKeys);
    QFETCH(int, index);
    QFETCH(QString, chord);
    QFETCH(QStringList, named);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Quillbox.conf"));
    {
        // Written as text, the way a user edits it; the program's own group stands beside it.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Prefrences]\nClipboardMgrKeys=1\nExpand=Ctrl+Alt+X\n\n[Hook]\n");
        file.write(hookGroup.toUtf8() + "\n");
    }
    QSettings settings(path, QSettings::IniFormat);

    const hook::HookConfig config = hook::HookConfig::Load(settings, clipboardMgrKeys);
    QCOMPARE(config.ClipboardMgrPair(), clipboardMgrKeys == 1 ? 1 : 0);
    QCOMPARE(config.Chord(index), chord);
    QCOMPARE(config.SharedBlockName(), hook::SharedBlockName());
    // Loading leaves the settings where they were, so later reads of the caller still work.
    QCOMPARE(settings.group(), QString());

    const QStringList messages = config.FallbackMessages();
    if (named.isEmpty()) {
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        return;
    }
    QCOMPARE(messages.size(), 1);
    for (const QString& word : named)
        QVERIFY2(messages.first().contains(word), qPrintable(word + QStringLiteral(" not in: ") + messages.first()));
    QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
}

QTEST_GUILESS_MAIN(TestHookConfig)
#include "tst_hookconfig.moc"
