// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The full scan of 20,000 desktop entries, with its floors in the same run
// (reading the same files raw, and GKeyFile parsing them alone on two
// threads); how long its result takes to become a snapshot; and how long a
// 20,000-entry index file takes to load beside a floor of reading and
// parsing it.
//
// Run: build/bench/bench_appindex --benchmark_repetitions=9
//      --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true

#include "index/AppIndex.h"
#include "index/AppIndexManager.h"
#include "index/IndexFile.h"
#include "index/scan/ApplicationScanner.h"
#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtConcurrent>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <glib.h>
#include <simdjson.h>
#include <sys/resource.h>
#include <vector>

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

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

template <typename Work> double millisecondsOf(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// A 20,000-entry index file as a scan writes it, with names and paths of
// installed applications' usual lengths.
class IndexFileOnDisk {
public:
    IndexFileOnDisk() {
        QHash<QString, QString> pathsByName;
        for (int number = 0; number < entryCount; ++number)
            pathsByName.insert(
                QStringLiteral("application %1 tool").arg(number),
                QStringLiteral("/usr/share/applications/org.example.App%1.desktop").arg(number));
        if (IndexFile::write(path(), AppIndex(pathsByName)))
            qFatal("cannot write the benchmark index");
    }
    QString path() const { return _dir.filePath("appIndex.json"); }

private:
    QTemporaryDir _dir;
};

// Loading the index file three ways in turn in every iteration: the file
// read into a snapshot (what the program does, on a worker); the same
// through the manager, from construction until the snapshot is searchable on
// the main thread; and the floor, reading the file and parsing its JSON with
// nothing built from it.
void BM_LoadIndexFile(benchmark::State& state) {
    const IndexFileOnDisk file;
    std::vector<double> reads;
    std::vector<double> managers;
    std::vector<double> floors;
    for (auto _ : state) {
        const double readMs = millisecondsOf([&] {
            const std::optional<AppIndex> index = IndexFile::read(file.path());
            if (!index || index->size() != entryCount)
                qFatal("the index did not load");
        });
        reads.push_back(readMs);
        managers.push_back(millisecondsOf([&] {
            AppIndexManager manager({}, file.path());
            QEventLoop loading;
            QObject::connect(&manager, &AppIndexManager::isLoadedChanged, &loading,
                             &QEventLoop::quit);
            if (!manager.isLoaded())
                loading.exec();
            benchmark::DoNotOptimize(manager.apps()->size());
        }));
        floors.push_back(millisecondsOf([&] {
            const std::optional<QByteArray> content =
                readRegularFile(file.path(), IndexFile::maxSize);
            simdjson::dom::parser parser;
            simdjson::dom::element root;
            if (!content || parser.parse(content->constData(), content->size()).get(root))
                qFatal("the index did not parse");
            benchmark::DoNotOptimize(root);
        }));
        state.SetIterationTime(readMs / 1000);
    }
    state.counters["read_ms"] = median(reads);
    state.counters["manager_ms"] = median(managers);
    state.counters["read_parse_floor_ms"] = median(floors);
    state.counters["ratio"] = median(reads) / median(floors);
}
BENCHMARK(BM_LoadIndexFile)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

// Saving a scan's 20,000 entries, as the main thread does after each scan.
void BM_SaveIndexFile(benchmark::State& state) {
    const IndexFileOnDisk file;
    const AppIndex index = *IndexFile::read(file.path());
    for (auto _ : state) {
        if (IndexFile::write(file.path(), index))
            qFatal("the index was not saved");
    }
}
BENCHMARK(BM_SaveIndexFile)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    // The manager hands its snapshot over through the event loop.
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
