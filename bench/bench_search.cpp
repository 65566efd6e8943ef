// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

// How long one search takes over catalogues of realistic size, beside a
// floor (memmem over the same folded names) measured in the same
// iterations; what a script and an application each cost a search; and how
// long the result list takes to show what a search found.
//
// Run: build/bench/bench_search (the platform defaults to offscreen).

#include "index/AppIndexManager.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "text/TextMatching.h"
#include "ui/panel/ResultView.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>

namespace {
constexpr int scriptCount = 1000;

const char* const syllables[] = {"ka",  "lo",  "mi",  "ne",  "ra",  "to",  "vu",  "zen",
                                 "bel", "cor", "dis", "fen", "gra", "hol", "jin", "lum",
                                 "mor", "nix", "pal", "qua", "ros", "sil", "tur", "vel",
                                 "wex", "yar", "ost", "ium", "ter", "ix"};

// Names of one to three words, each of two or three syllables, numbered so that they are unique.
QString madeUpName(std::mt19937& random, int number) {
    QString name;
    const int words = 1 + static_cast<int>(random() % 3);
    for (int word = 0; word < words; ++word) {
        if (word > 0)
            name += QLatin1Char(' ');
        const int parts = 2 + static_cast<int>(random() % 2);
        for (int part = 0; part < parts; ++part)
            name += QLatin1String(syllables[random() % std::size(syllables)]);
    }
    return name + QLatin1Char(' ') + QString::number(number);
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

// An index file of `appCount` applications and a folder of scripts, loaded
// the way the program loads them.
struct Catalogues {
    QTemporaryDir dir;
    std::unique_ptr<AppIndexManager> apps;
    ScriptManager scripts;

    explicit Catalogues(int appCount) {
        std::mt19937 random(42);
        QJsonArray entries;
        for (int i = 0; i < appCount; ++i) {
            const QString name = madeUpName(random, i);
            entries.append(
                QJsonObject{{QStringLiteral("name"), name},
                            {QStringLiteral("path"), QStringLiteral("/usr/share/"
                                                                    "applications/") +
                                                         name + QStringLiteral(".desktop")}});
        }
        const QString indexPath = dir.filePath(QStringLiteral("appIndex.json"));
        writeFile(indexPath, QJsonDocument(entries).toJson(QJsonDocument::Compact));
        // Loaded as the program loads it, so the names lie in memory as they would there.
        apps = std::make_unique<AppIndexManager>(QStringList(), indexPath);
        QEventLoop loading;
        QObject::connect(apps.get(), &AppIndexManager::isLoadedChanged, &loading,
                         &QEventLoop::quit);
        if (!apps->isLoaded())
            loading.exec();
        if (apps->apps()->size() != appCount)
            qFatal("loaded %lld applications", static_cast<long long>(apps->apps()->size()));

        const QString folder = dir.filePath(QStringLiteral("scripts"));
        QDir().mkpath(folder);
        for (int i = 0; i < scriptCount; ++i) {
            const QString name = madeUpName(random, i);
            const QString command = name.section(QLatin1Char(' '), 0, 0) + QString::number(i);
            const QString base = folder + QLatin1Char('/') + command;
            writeFile(base + QStringLiteral(".meta"),
                      QStringLiteral("name: \"%1\"\ndescription: d\nauthor: a\nwebsite: w\n"
                                     "type: bash\ncommand: \"%2\"\narguments: []\n"
                                     "environments: []\ntags: []\n")
                          .arg(name, command)
                          .toUtf8());
            writeFile(base + QStringLiteral(".sh"), "exit 0\n");
        }
        scripts.loadScripts(folder);
        while (scripts.isScanning())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (scripts.scripts()->size() != scriptCount)
            qFatal("catalogued %lld scripts", static_cast<long long>(scripts.scripts()->size()));
    }
};

Catalogues& cataloguesWith(int appCount) {
    static std::map<int, std::unique_ptr<Catalogues>> built;
    auto& catalogues = built[appCount];
    if (!catalogues)
        catalogues = std::make_unique<Catalogues>(appCount);
    return *catalogues;
}

double median(std::vector<double> samples) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The floor: the C library's memmem over the same folded names, laid out
// the same way (one block, a NUL after each), counting the names that hold
// the query and nothing more.
struct MemmemFloor {
    std::string block;

    explicit MemmemFloor(const AppIndex& apps) {
        for (qsizetype position = 0; position < apps.size(); ++position) {
            block += apps.foldedName(position);
            block += '\0';
        }
    }

    std::size_t count(std::string_view needle) const {
        std::size_t found = 0;
        const char* from = block.data();
        const char* const end = block.data() + block.size();
        while (const void* hit = ::memmem(from, static_cast<std::size_t>(end - from), needle.data(),
                                          needle.size())) {
            ++found;
            // On to the next name, as a search lists each name once.
            from = static_cast<const char*>(std::memchr(
                       hit, '\0', static_cast<std::size_t>(end - static_cast<const char*>(hit)))) +
                   1;
        }
        return found;
    }
};

// One search, timed in turn with its floor in every iteration, so that both
// see the same machine; reports the medians and their ratio.
void performSearch(benchmark::State& state, const char* query) {
    Catalogues& catalogues = cataloguesWith(static_cast<int>(state.range(0)));
    const auto apps = catalogues.apps->apps();
    const SearchableScripts scripts(catalogues.scripts.scripts());
    const MemmemFloor floor(*apps);
    const QString text = QString::fromUtf8(query);
    const std::string folded = TextMatching::foldedUtf8(text);
    std::vector<double> searches;
    std::vector<double> floors;
    qsizetype found = 0;
    for (auto _ : state) {
        const double searchMs = millisecondsOf([&] {
            const ResultItems results = SearchPipeline::performSearch(apps, scripts, text);
            found = results.size();
        });
        searches.push_back(searchMs);
        floors.push_back(millisecondsOf([&] { benchmark::DoNotOptimize(floor.count(folded)); }));
        state.SetIterationTime(searchMs / 1000);
    }
    state.counters["results"] = static_cast<double>(found);
    state.counters["search_ms"] = median(searches);
    state.counters["memmem_ms"] = median(floors);
    state.counters["ratio"] = median(searches) / median(floors);
}

// What one script and one application cost a search on their own: the same
// names as scripts only, then as applications only.
void costPerItem(benchmark::State& state) {
    Catalogues& catalogues = cataloguesWith(scriptCount);
    const auto noApps = std::make_shared<const AppIndex>();
    const SearchableScripts noScripts(std::make_shared<const ScriptCatalogue>());
    const auto apps = catalogues.apps->apps();
    const SearchableScripts scripts(catalogues.scripts.scripts());
    const QString query = QStringLiteral("e");
    std::vector<double> scriptTimes;
    std::vector<double> appTimes;
    for (auto _ : state) {
        const double scriptMs = millisecondsOf([&] {
            benchmark::DoNotOptimize(SearchPipeline::performSearch(noApps, scripts, query));
        });
        appTimes.push_back(millisecondsOf([&] {
            benchmark::DoNotOptimize(SearchPipeline::performSearch(apps, noScripts, query));
        }));
        scriptTimes.push_back(scriptMs);
        state.SetIterationTime(scriptMs / 1000);
    }
    state.counters["ns_per_script"] =
        median(scriptTimes) * 1e6 / static_cast<double>(scripts.size());
    state.counters["ns_per_app"] = median(appTimes) * 1e6 / static_cast<double>(apps->size());
}

// Handing a search's results to the list and painting the panel.
void showResults(benchmark::State& state) {
    Catalogues& catalogues = cataloguesWith(static_cast<int>(state.range(0)));
    const ResultItems results = SearchPipeline::performSearch(
        catalogues.apps->apps(), catalogues.scripts.scripts(), QStringLiteral("e"));
    ResultView view(50, 4, {});
    view.setFixedWidth(600);
    view.show();
    QImage canvas(600, 200, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.setResultItems(results);
        view.setSelectedIndex(0);
        view.render(&canvas);
        view.setResultItems({});
    }
    state.counters["results"] = static_cast<double>(results.size());
}
} // namespace

BENCHMARK_CAPTURE(performSearch, one_letter, "e")
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(performSearch, three_letters, "ter")
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(performSearch, no_match, "qqx")
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(costPerItem)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(showResults)->Arg(10'000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
