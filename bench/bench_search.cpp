// How long one search takes over catalogues of realistic size, and how long
// the result list takes to show what a search found.
//
// Run: build/bench/bench_search (the platform defaults to offscreen).

#include "index/AppIndexManager.h"
#include "launcher/SearchPipeline.h"
#include "scripts/ScriptManager.h"
#include "ui/ResultView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
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
        apps = std::make_unique<AppIndexManager>(QStringList(), indexPath);

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

void performSearch(benchmark::State& state, const char* query) {
    Catalogues& catalogues = cataloguesWith(static_cast<int>(state.range(0)));
    const auto apps = catalogues.apps->apps();
    const auto scripts = catalogues.scripts.scripts();
    const QString text = QString::fromUtf8(query);
    qsizetype found = 0;
    for (auto _ : state) {
        ResultItems results = SearchPipeline::performSearch(*apps, *scripts, text);
        found = results.size();
        benchmark::DoNotOptimize(results);
    }
    state.counters["results"] = static_cast<double>(found);
}

// Handing a search's results to the list and painting the panel.
void showResults(benchmark::State& state) {
    Catalogues& catalogues = cataloguesWith(static_cast<int>(state.range(0)));
    const ResultItems results = SearchPipeline::performSearch(
        *catalogues.apps->apps(), *catalogues.scripts.scripts(), QStringLiteral("e"));
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
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(performSearch, three_letters, "ter")
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(performSearch, no_match, "qqx")
    ->Arg(1'000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond);
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
