// The full scan of 20,000 desktop entries, with its floors in the same run
// (reading the same files raw, and GKeyFile parsing them alone on two
// threads), and the snapshot and search over as many names.
//
// Run: build/bench/bench_appindex --benchmark_repetitions=9
//      --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true

#include "index/AppIndex.h"
#include "index/ApplicationScanner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtConcurrent>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <glib.h>
#include <sys/resource.h>

namespace {

constexpr int entryCount = 20000;

// Programs that are installed here, so that every entry is launchable and
// the scan looks each one up in PATH, as it does for real entries.
QByteArrayList installedPrograms() {
    QByteArrayList programs;
    for (const QString& name :
         QDir(QStringLiteral("/usr/bin")).entryList(QDir::Files | QDir::Executable, QDir::Name))
        programs.append(QFile::encodeName(name));
    if (programs.isEmpty())
        qFatal("no programs in /usr/bin");
    return programs;
}

// A freedesktop entry the size of a typical installed one, with translations.
QByteArray desktopEntry(int number, const QByteArray& program) {
    QByteArray entry = "[Desktop Entry]\nType=Application\nExec=" + program +
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
        const QByteArrayList programs = installedPrograms();
        for (int number = 0; number < entryCount; ++number) {
            const QString path = folder + QStringLiteral("/app-%1.desktop").arg(number);
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(desktopEntry(number, programs[number % programs.size()])) < 0)
                qFatal("cannot write the benchmark tree");
            _paths.append(path);
        }
    }
    QString applicationsFolder() const { return _dir.filePath("applications"); }
    const QStringList& paths() const { return _paths; }

private:
    QTemporaryDir _dir;
    QStringList _paths;
};

const DesktopEntryTree& sharedTree() {
    static const DesktopEntryTree tree;
    return tree;
}

// The peak resident memory since the last reset, in megabytes.
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
double peakMemoryMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

// Processor time of all threads, in milliseconds: on a shared machine it
// tells work from waiting.
double processorMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) { return time.tv_sec * 1e3 + time.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void BM_ScanDesktopEntries(benchmark::State& state) {
    const DesktopEntryTree& tree = sharedTree();
    double peak = 0;
    const double processorStart = processorMilliseconds();
    for (auto _ : state) {
        resetPeakMemory();
        const QHash<QString, QString> found = scanApplications({tree.applicationsFolder()});
        peak = std::max(peak, peakMemoryMegabytes());
        if (found.size() != entryCount)
            state.SkipWithError("the scan missed entries");
        benchmark::DoNotOptimize(found);
    }
    state.counters["peak_MB"] = peak;
    state.counters["all_threads_cpu_ms"] =
        (processorMilliseconds() - processorStart) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * entryCount);
}
BENCHMARK(BM_ScanDesktopEntries)->Unit(benchmark::kMillisecond)->UseRealTime();

// Floor: only reading the same files, one after another.
void BM_FloorReadEntries(benchmark::State& state) {
    const DesktopEntryTree& tree = sharedTree();
    for (auto _ : state) {
        qint64 bytes = 0;
        for (const QString& path : tree.paths()) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_FloorReadEntries)->Unit(benchmark::kMillisecond)->UseRealTime();

// Floor: GKeyFile parsing the entries already in memory, on two threads as
// the scan does; no walking, reading or judging.
void BM_FloorKeyFileParse(benchmark::State& state) {
    const DesktopEntryTree& tree = sharedTree();
    QList<QByteArray> contents;
    for (const QString& path : tree.paths()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read the benchmark tree");
        contents.append(file.readAll());
    }
    QThreadPool threads;
    threads.setMaxThreadCount(2);
    const double processorStart = processorMilliseconds();
    for (auto _ : state) {
        QtConcurrent::blockingMap(&threads, contents, [](const QByteArray& content) {
            GKeyFile* keyFile = g_key_file_new();
            g_key_file_load_from_data(keyFile, content.constData(),
                                      static_cast<gsize>(content.size()), G_KEY_FILE_NONE, nullptr);
            g_key_file_free(keyFile);
        });
    }
    state.counters["all_threads_cpu_ms"] =
        (processorMilliseconds() - processorStart) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FloorKeyFileParse)->Unit(benchmark::kMillisecond)->UseRealTime();

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
