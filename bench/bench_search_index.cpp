// The search's own work, without a window: building the index at 10,000 shortcuts, 500 history
// items, 2,000 source files and 100 environments, and the scan of each keystroke of the queries
// that bench_search.py types. Prints its figures; it asserts nothing.
#include "core/SearchIndex.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

using search::Entry;
using search::Kind;

int main()
{
    const QStringList words = QStringLiteral(
        "alpha beta build cache client commit config cursor daemon debug deploy docker draft email error export "
        "fetch filter format greeting header import index invoice kernel ledger lambda letter logger mailer merge "
        "meeting memo module network notes parser patch payment pipeline plugin printer profile python query queue "
        "record release report request review router schema script server signature socket source stream summary "
        "table template thanks ticket token update upload vector widget window worker").split(' ');
    QRandomGenerator rng(18);
    auto phrase = [&](int n) {
        QStringList out;
        for (int i = 0; i < n; ++i)
            out << words[rng.bounded(int(words.size()))];
        return out.join(' ');
    };
    std::array<std::vector<Entry>, search::kKindCount> parts;
    for (int i = 0; i < 10000; ++i)
        parts[0].push_back(Entry::Shortcut(QStringLiteral("w%1").arg(i, 4, 10, QLatin1Char('0')),
                                           phrase(2 + rng.bounded(5)).left(64), phrase(5 + rng.bounded(26)).left(255)));
    for (int i = 0; i < 500; ++i)
        parts[1].push_back(Entry::History(i, phrase(3 + rng.bounded(13)).left(120)));
    for (int i = 0; i < 2000; ++i)
        parts[2].push_back(Entry::Source(i, words[i % words.size()] + QString::number(i) + ".py", "Python",
                                         phrase(1), phrase(2 + rng.bounded(7)), "/src/x.py"));
    for (int i = 0; i < 100; ++i)
        parts[3].push_back(Entry::Environment(i, QStringLiteral("env%1").arg(i), phrase(4)));

    search::SearchIndex index;
    QElapsedTimer timer;
    timer.start();
    for (std::size_t k = 0; k < parts.size(); ++k)
        index.SetEntries(Kind(k), std::move(parts[k]));
    std::printf("index built in %.1f ms\n", double(timer.nsecsElapsed()) / 1e6);

    const char* queries[] = {"sig", "deploy", "prsr", "kind reg", "python", "w04", "network cfg", "backend", "thanks",
                             "ssh", "invoice 2", "rtr", "pipeline", "qzx", "mail", "report.py", "dbg", "env0",
                             "token", "sched"};
    std::vector<double> ms;
    for (const char* query : queries) {
        const QString q = QString::fromLatin1(query);
        for (int n = 1; n <= q.size(); ++n) {
            timer.restart();
            const auto found = index.Search(q.left(n), 50);
            ms.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("scan per keystroke (%zu): median %.2f ms, p90 %.2f ms, max %.2f ms\n", ms.size(), ms[ms.size() / 2],
                ms[ms.size() * 9 / 10], ms.back());
    return 0;
}
