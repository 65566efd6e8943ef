#include "index/AppIndex.h"
#include "index/ApplicationScanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int entryCount = 20000;

// A freedesktop entry the size of a typical installed one, with translations.
QByteArray desktopEntry(int number) {
    QByteArray entry = "[Desktop Entry]\nType=Application\nExec=app-" + QByteArray::number(number) +
                       " %U\nIcon=app\nTerminal=false\nCategories=Utility;\n" +
                       "Name=Application " + QByteArray::number(number) + "\n";
    for (const char* language :
         {"de", "fr", "es", "it", "ja", "pt_BR", "ru", "zh_CN", "nl", "pl"}) {
        entry +=
            "Name[" + QByteArray(language) + "]=Anwendung " + QByteArray::number(number) + "\n";
        entry += "Comment[" + QByteArray(language) + "]=Does something useful\n";
    }
    return entry;
}

// 20,000 entries in one folder, the way distributions install them.
class DesktopEntryTree {
public:
    DesktopEntryTree() {
        const QString folder = _dir.filePath("applications");
        QDir().mkpath(folder);
        for (int number = 0; number < entryCount; ++number) {
            QFile file(folder + QStringLiteral("/app-%1.desktop").arg(number));
            if (!file.open(QIODevice::WriteOnly) || file.write(desktopEntry(number)) < 0)
                qFatal("cannot write the benchmark tree");
        }
    }
    QString applicationsFolder() const { return _dir.filePath("applications"); }

private:
    QTemporaryDir _dir;
};

void BM_ScanDesktopEntries(benchmark::State& state) {
    const DesktopEntryTree tree;
    for (auto _ : state) {
        const QHash<QString, QString> found = scanApplications({tree.applicationsFolder()});
        if (found.size() != entryCount)
            state.SkipWithError("the scan missed entries");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * entryCount);
}
BENCHMARK(BM_ScanDesktopEntries)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

QHash<QString, QString> names(int count) {
    QHash<QString, QString> pathsByName;
    for (int number = 0; number < count; ++number) {
        const QString name = QStringLiteral("application %1 tool").arg(number);
        pathsByName.insert(name, QStringLiteral("/usr/share/applications/%1.desktop").arg(number));
    }
    return pathsByName;
}

void BM_BuildSnapshot(benchmark::State& state) {
    const QHash<QString, QString> pathsByName = names(entryCount);
    for (auto _ : state)
        benchmark::DoNotOptimize(AppIndex(pathsByName));
}
BENCHMARK(BM_BuildSnapshot)->Unit(benchmark::kMillisecond);

void BM_SearchOneLetter(benchmark::State& state) {
    const AppIndex index(names(10000));
    for (auto _ : state) {
        const QList<AppMatch> matches = index.search(QStringLiteral("t"));
        benchmark::DoNotOptimize(matches);
    }
}
BENCHMARK(BM_SearchOneLetter)->Unit(benchmark::kMicrosecond);

void BM_SearchRareText(benchmark::State& state) {
    const AppIndex index(names(10000));
    for (auto _ : state)
        benchmark::DoNotOptimize(index.search(QStringLiteral("9999")));
}
BENCHMARK(BM_SearchRareText)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
