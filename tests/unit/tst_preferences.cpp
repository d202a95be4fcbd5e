// The preferences: defaults written for missing keys, the first-run mark, and a save that reads back.
#include "TestSupport.h"
#include "core/CMain.h"
#include "core/Preferences.h"

#include <QDir>
#include <memory>

class TestPreferences : public QObject {
    Q_OBJECT

    static std::unique_ptr<QSettings> Settings() { return std::unique_ptr<QSettings>(OpenSettings()); }

private slots:
    void EmptyProfileWritesEveryDefaultAndMarksTheFirstRun()
    {
        Workspace workspace;
        CMain main;
        auto settings = Settings();
        QVERIFY(ReadPreferences(main, *settings));

        const QString expectedPath = QDir::toNativeSeparators(QDir::currentPath()) + QDir::separator() + "qbdat.dbf";
        QCOMPARE(main.m_bClipboardActive, 1);
        QCOMPARE(main.m_bShortcutsCaseSensitive, 0);
        QCOMPARE(main.m_nClipboardMgrKeys, 0);
        QCOMPARE(main.m_strEditorPath, QString("notepad"));
        QCOMPARE(main.m_nMaxClipboardItems, 10);
        QCOMPARE(main.m_bAutoPasteShortcut, 1);
        QCOMPARE(main.m_strDatabase, expectedPath);
        QCOMPARE(main.m_bClipboardAutoSave, 0);
        QCOMPARE(main.m_bLoadClipboardOnStartup, 0);
        QCOMPARE(main.m_nUpgradeToShortcut, -1);

        // Every default is in the file at once, under the group and keys other tools read.
        QSettings file(workspace.SettingsFile(), QSettings::IniFormat);
        file.beginGroup("Prefrences");
        QCOMPARE(file.childKeys().size(), 10);
        QCOMPARE(file.value("database").toString(), expectedPath);
        QCOMPARE(file.value("UpgradeToShortcut").toInt(), -1);
        QCOMPARE(file.value("EditorPath").toString(), QString("notepad"));
    }

    void MissingOrSentinelValuesAreReplacedButOnlyClipboardActiveMarksTheFirstRun_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QVariant>("expected");
        QTest::addColumn<bool>("firstRun");
        QTest::newRow("ClipboardActive absent") << "ClipboardActive" << QVariant() << QVariant(1) << true;
        QTest::newRow("ClipboardActive stored as -1") << "ClipboardActive" << QVariant(-1) << QVariant(1) << true;
        QTest::newRow("database absent") << "database" << QVariant() << QVariant("<default>") << false;
        QTest::newRow("EditorPath empty") << "EditorPath" << QVariant("") << QVariant("notepad") << false;
        QTest::newRow("capacity stored as -1") << "MaxClipboardItems" << QVariant(-1) << QVariant(10) << false;
        QTest::newRow("capacity out of range is kept") << "MaxClipboardItems" << QVariant(10000) << QVariant(10000) << false;
        QTest::newRow("capacity not a number") << "MaxClipboardItems" << QVariant("many") << QVariant(10) << false;
        QTest::newRow("UpgradeToShortcut -1 is legitimate") << "UpgradeToShortcut" << QVariant(-1) << QVariant(-1) << false;
        QTest::newRow("UpgradeToShortcut -2 reads as missing") << "UpgradeToShortcut" << QVariant(-2) << QVariant(-1) << false;
        QTest::newRow("UpgradeToShortcut 3") << "UpgradeToShortcut" << QVariant(3) << QVariant(3) << false;
        QTest::newRow("custom editor kept") << "EditorPath" << QVariant("/usr/bin/gedit") << QVariant("/usr/bin/gedit") << false;
    }

    void MissingOrSentinelValuesAreReplacedButOnlyClipboardActiveMarksTheFirstRun()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, expected);
        QFETCH(bool, firstRun);
        Workspace workspace;
        {
            // A complete profile from an earlier run, with the one key of the row changed.
            CMain earlier;
            auto settings = Settings();
            ReadPreferences(earlier, *settings);
            settings->beginGroup("Prefrences");
            if (stored.isValid())
                settings->setValue(key, stored);
            else
                settings->remove(key);
        }
        CMain main;
        auto settings = Settings();
        QCOMPARE(ReadPreferences(main, *settings), firstRun);

        QVariant actual;
        for (const Preference& preference : Preferences()) {
            if (key != preference.key)
                continue;
            if (auto field = std::get_if<int CMain::*>(&preference.field))
                actual = main.*(*field);
            else
                actual = main.*std::get<QString CMain::*>(preference.field);
        }
        if (expected == QVariant("<default>"))
            expected = DefaultDatabasePath();
        QCOMPARE(actual.toString(), expected.toString());
        // What was read is what the file now holds.
        QSettings file(workspace.SettingsFile(), QSettings::IniFormat);
        QCOMPARE(file.value("Prefrences/" + key).toString(), expected.toString());
    }

    void SaveWritesEveryFieldAndReadsBack()
    {
        Workspace workspace;
        CMain main;
        {
            auto settings = Settings();
            ReadPreferences(main, *settings);
        }
        main.m_bClipboardActive = 0;
        main.m_bShortcutsCaseSensitive = 1;
        main.m_nClipboardMgrKeys = 1;
        main.m_strEditorPath = "/opt/ed it/edit";
        main.m_nMaxClipboardItems = 500;
        main.m_bAutoPasteShortcut = 0;
        main.m_strDatabase = "/data/it's here/q.dbf";
        main.m_bClipboardAutoSave = 1;
        main.m_bLoadClipboardOnStartup = 1;
        main.m_nUpgradeToShortcut = 2;
        QCOMPARE(main.SavePreferences(), 1);

        CMain again;
        auto settings = Settings();
        QVERIFY(!ReadPreferences(again, *settings));
        QCOMPARE(again.m_bClipboardActive, 0);
        QCOMPARE(again.m_bShortcutsCaseSensitive, 1);
        QCOMPARE(again.m_nClipboardMgrKeys, 1);
        QCOMPARE(again.m_strEditorPath, main.m_strEditorPath);
        QCOMPARE(again.m_nMaxClipboardItems, 500);
        QCOMPARE(again.m_bAutoPasteShortcut, 0);
        QCOMPARE(again.m_strDatabase, main.m_strDatabase);
        QCOMPARE(again.m_bClipboardAutoSave, 1);
        QCOMPARE(again.m_bLoadClipboardOnStartup, 1);
        QCOMPARE(again.m_nUpgradeToShortcut, 2);
    }
};

QTEST_GUILESS_MAIN(TestPreferences)
#include "tst_preferences.moc"
