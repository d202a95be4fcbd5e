// The search: what a query finds, in which order, and what using a found entry does.
#include "TestSupport.h"
#include "core/CMain.h"
#include "core/SearchIndex.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"
#include "platform/fake/FakeServices.h"

using search::Entry;
using search::Kind;

namespace {

// An entry as the tests name it: "s:" shortcut, "h:" history, "f:" source file, "e:" environment.
QString Label(const Entry& e)
{
    static const char* prefix[] = {"s:", "h:", "f:", "e:"};
    return prefix[int(e.kind)] + (e.kind == Kind::History ? e.text : e.name);
}

QStringList Find(const search::SearchIndex& index, const QString& query)
{
    QStringList labels;
    for (const Entry* entry : index.Search(query, 50))
        labels << Label(*entry);
    return labels;
}

// Builds an index from labels (a shortcut's name, a history item's text, ...); uses are recorded
// in their order, the last one the most recent.
void Index(search::SearchIndex& index, const QStringList& labels, const QStringList& uses)
{
    std::array<std::vector<Entry>, search::kKindCount> parts;
    for (const QString& label : labels) {
        const QString name = label.mid(2);
        const QChar kind = label.at(0);
        if (kind == 's')
            parts[0].push_back(Entry::Shortcut(name, {}, {}));
        else if (kind == 'h')
            parts[1].push_back(Entry::History(int(parts[1].size()), name));
        else if (kind == 'f')
            parts[2].push_back(Entry::Source(int(parts[2].size()), name, {}, {}, {}, "/src/" + name));
        else
            parts[3].push_back(Entry::Environment(int(parts[3].size()), name, {}));
    }
    for (std::size_t k = 0; k < parts.size(); ++k)
        index.SetEntries(Kind(k), std::move(parts[k]));
    for (const QString& use : uses) {
        const std::vector<const Entry*> found = index.Search(use.mid(2), 50);
        const auto it = std::find_if(found.begin(), found.end(), [&](const Entry* e) { return Label(*e) == use; });
        QVERIFY2(it != found.end(), qPrintable(use));
        index.RecordUse((*it)->kind, search::SearchIndex::KeyOf(**it));
    }
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

private slots:
    void FindsEachKindByEachField()
    {
        search::SearchIndex index;
        index.SetEntries(Kind::Shortcut, {Entry::Shortcut("sig", "closing greeting", "Kind regards, Ann")});
        index.SetEntries(Kind::History, {Entry::History(0, "ssh deploy@example.org")});
        index.SetEntries(Kind::Source, {Entry::Source(1, "parser.cpp", "C++", "compilers", "recursive descent",
                                                      "/src/parser.cpp")});
        index.SetEntries(Kind::Environment, {Entry::Environment(2, "backend", "database and queue")});
        // Each field of each kind, in any case, and with gaps between the letters.
        const QList<QPair<QString, QString>> cases = {
            {"sig", "s:sig"}, {"closing greet", "s:sig"}, {"regards", "s:sig"}, {"deploy", "h:ssh deploy@example.org"},
            {"parser", "f:parser.cpp"}, {"c++", "f:parser.cpp"}, {"compilers", "f:parser.cpp"},
            {"descent", "f:parser.cpp"}, {"backend", "e:backend"}, {"queue", "e:backend"},
            {"PARSER.CPP", "f:parser.cpp"}, {"rcsvdscnt", "f:parser.cpp"}};
        for (const auto& [query, expected] : cases)
            QCOMPARE(Find(index, query), QStringList{expected});
    }

    void Ranks()
    {
        const struct {
            QStringList entries, uses; // uses oldest first
            QString query;
            QStringList expected;
        } cases[] = {
            // A typo-free prefix beats a scattered match, even a recent one.
            {{"s:xpxrxi", "s:print"}, {"s:xpxrxi"}, "pri", {"s:print", "s:xpxrxi"}},
            // The exact name beats a longer one.
            {{"s:abc", "s:ab"}, {"s:abc"}, "ab", {"s:ab", "s:abc"}},
            // A name's prefix beats a match inside a text.
            {{"h:my report", "f:report.txt"}, {"h:my report"}, "rep", {"f:report.txt", "h:my report"}},
            // An unbroken match beats a scattered one.
            {{"h:d e p l o y", "h:deploy now"}, {}, "deploy", {"h:deploy now", "h:d e p l o y"}},
            // Recent beats old at equal match, also across kinds.
            {{"s:alpha1", "s:alpha2", "s:alpha3"}, {"s:alpha2", "s:alpha1"}, "alp", {"s:alpha1", "s:alpha2", "s:alpha3"}},
            {{"h:weekly mail", "e:my weekly"}, {"h:weekly mail", "e:my weekly"}, "week", {"e:my weekly", "h:weekly mail"}},
            {{"s:abc", "h:abc"}, {}, "abd", {}},
            // An empty field lists the history, newest first.
            {{"h:old", "s:new", "h:new"}, {"h:old"}, "  ", {"h:new", "h:old"}},
        };
        for (const auto& c : cases) {
            search::SearchIndex index;
            Index(index, c.entries, c.uses);
            QCOMPARE(Find(index, c.query), c.expected);
        }
    }

    // The uses of shortcuts, source files and environments outlive the run; the history's are not
    // written down; texts that are not uses (edited by hand) are passed over.
    void UsesOutliveTheRun()
    {
        Workspace workspace;
        const QStringList entries = {"s:note1", "s:note2", "s:note3", "s:note:x", "f:notes.txt", "e:notebook", "h:note to self"};
        search::SearchIndex before;
        Index(before, entries, {"s:note:x", "s:note2", "e:notebook", "s:note3", "s:note2", "h:note to self", "f:notes.txt"});
        QSettings settings(workspace.File("settings.conf"), QSettings::IniFormat);
        search::SaveUses(before, settings);
        settings.beginGroup("Search");
        const QStringList saved = settings.value("Uses").toStringList();
        settings.setValue("Uses", saved + QStringList{"x:1:note1", "s:0:note1", "s:one:note1", "h:3:note to self", "s:2:"});
        settings.endGroup();
        QCOMPARE(saved, (QStringList{"f:1:0", "s:2:note2", "s:1:note3", "e:1:0", "s:1:note:x"}));

        search::SearchIndex after;
        Index(after, entries, {});
        search::LoadUses(after, settings);
        QCOMPARE(Find(after, "note"), (QStringList{"f:notes.txt", "s:note2", "s:note3", "e:notebook", "s:note:x", "s:note1", "h:note to self"}));
        Index(after, entries, {"s:note1"});
        QCOMPARE(Find(after, "note").first(), QString("s:note1"));
    }

    // Through the controller: the index follows the stores, a secret copy never shows, and a found
    // entry is used as its sheet uses it, the user's clipboard coming back after a paste; the uses
    // outlive the run.
    void FollowsTheStoresAndActsAsTheSheets()
    {
        Workspace workspace;
        CMain main;
        platform::FakeServices fakes = platform::CreateFakeServices();
        main.SetPlatform(std::make_unique<platform::Services>(std::move(fakes.services)));
        main.m_strDatabase = workspace.File("qbdat.dbf");
        data::CreateDatabase(main.m_strDatabase);
        main.CreateStores();
        main.m_nMaxClipboardItems = 10;
        main.AddShortcut(new ShortcutRecord{0, "sig", "signature", "Kind regards"});
        main.AddSource({0, "C", "tools", "", "/src/tool.c", data::kOpenWithAssociated, ""});
        main.AddEnvironment("work", "", {data::AppRecord{"ed", "", "/usr/bin/ed"}});
        fakes.clipboardWriter->Copy("hunter2 password", true);
        main.CaptureClipboard();
        fakes.clipboardWriter->Copy("plain copy");
        main.CaptureClipboard();
        QCOMPARE(Find(main.SearchIndex(), ""), QStringList{"h:plain copy"});
        QCOMPARE(Find(main.SearchIndex(), "hunter"), QStringList{});

        const auto use = [&](const QString& query) {
            const std::vector<const Entry*> found = main.SearchIndex().Search(query, 1);
            QVERIFY(found.size() == 1 && main.UseSearchEntry(*found.front(), 42).isEmpty());
        };
        fakes.clipboardWriter->Copy("user's text");
        use("signature");
        use("plain");
        QCOMPARE(fakes.foreground->activations, (QList<platform::WindowId>{42, 42}));
        QCOMPARE(fakes.keyboard->events.size(), 8); // Ctrl+V twice
        const auto& clip = fakes.clipboardWriter->history;
        QCOMPARE(clip[clip.size() - 4].text, QString("Kind regards"));
        QCOMPARE(clip[clip.size() - 2].text, QString("plain copy"));
        QCOMPARE(clip.last().text, QString("user's text"));
        QVERIFY(clip[clip.size() - 2].secret && !clip.last().secret);

        use("tool");
        use("work");
        QCOMPARE(fakes.shell->calls.size(), 2);
        QCOMPARE(fakes.shell->calls[0].file, QString("/src/tool.c"));
        QCOMPARE(fakes.shell->calls[1].file, QString("/usr/bin/ed"));

        main.RemoveShortcut("sig");
        QCOMPARE(Find(main.SearchIndex(), "sig"), QStringList{});

        // The next run ranks the source file used here before an unused shortcut that matches as well.
        main.AddShortcut(new ShortcutRecord{0, "tx", "", "text"});
        main.SavePreferences();
        CMain next;
        next.SetPlatform(std::make_unique<platform::Services>(platform::CreateFakeServices().services));
        QCOMPARE(next.LoadPreferences(), 1);
        next.CreateStores();
        QCOMPARE(Find(next.SearchIndex(), "t").mid(0, 2), (QStringList{"f:tool.c", "s:tx"}));
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
