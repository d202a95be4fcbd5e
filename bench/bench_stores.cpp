// The stores' speed on a real data file: loading 10,000 shortcuts and looking one up, and a
// clipboard history of 500 items (add, list, save, load). Prints its figures; it asserts nothing.
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class F>
double Ms(F&& f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.dbf");
    data::CreateDatabase(path);
    {
        data::Database db(path);
        data::Transaction transaction(db);
        for (int i = 0; i < 10000; ++i)
            db.Execute("insert into Shortcuts values(?1, ?2, ?3, ?4)",
                       {i, QString("sc%1").arg(i), QString("description %1").arg(i),
                        QString("the replacement text of shortcut number %1").arg(i)});
        transaction.Commit();
    }

    std::vector<double> loads;
    for (int run = 0; run < 20; ++run)
        loads.push_back(Ms([&] { CShortcut store(path); }));
    std::printf("shortcut store: load of 10,000 shortcuts: median %.2f ms, max %.2f ms (goal: at most 30 ms)\n",
                Median(loads), *std::max_element(loads.begin(), loads.end()));

    CShortcut store(path);
    const int lookups = 1000000;
    int found = 0;
    const double lookupMs = Ms([&] {
        for (int i = 0; i < lookups; ++i)
            found += store.Lookup(QStringLiteral("sc4711")) != nullptr;
    });
    std::printf("shortcut store: lookup: %.3f us each (%d found; goal: about 1 us)\n", lookupMs * 1000 / lookups, found);

    int capacity = 500;
    CClipboard history(ClipboardContext{[&] { return capacity; }, [] { return -1; },
                                        [](const QString&) { return false; }, [](const QString&) {},
                                        [&] { return path; }});
    const double addMs = Ms([&] {
        for (int i = 0; i < 500; ++i)
            history.Add(QString("clipboard item %1 with a line of text that is a little longer").arg(i));
    });
    QStringList listed;
    const double fillMs = Ms([&] {
        for (int i = 0; i < history.Count(); ++i)
            listed << history.At(i).m_strText;
    });
    const double saveMs = Ms([&] { history.Save(); });
    const double loadMs = Ms([&] { history.Load(); });
    std::printf("clipboard history of 500 items: add all %.2f ms, list %.3f ms, save %.2f ms, load %.2f ms\n", addMs,
                fillMs, saveMs, loadMs);
    return 0;
}
