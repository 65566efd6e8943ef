#include "index/ApplicationScanner.h"

#include "index/BundleReader.h"
#include "index/DirectoryWalk.h"
#include "platform/DesktopEntryReader.h"

#include <QThreadPool>
#include <QtConcurrent>

namespace {

enum class Kind { BundleFolder, BundleFile, DesktopEntry };

struct Candidate {
    QString path;
    Kind kind;
};

std::optional<Candidate> candidate(const QFileInfo& item) {
    const QString fileName = item.fileName();
    if (fileName.endsWith(QLatin1String(".app")))
        return Candidate{item.filePath(), item.isDir() ? Kind::BundleFolder : Kind::BundleFile};
    if (fileName.endsWith(QLatin1String(".desktop")) && !item.isDir())
        return Candidate{item.filePath(), Kind::DesktopEntry};
    return std::nullopt;
}

// The lower-cased name to file the candidate under, or nothing to skip it.
std::optional<QString> filingName(const Candidate& candidate, const DesktopEntryReader& entries) {
    std::optional<QString> name;
    switch (candidate.kind) {
    case Kind::BundleFolder:
        name = readBundleName(candidate.path);
        break;
    case Kind::BundleFile:
        name = QFileInfo(candidate.path).completeBaseName();
        break;
    case Kind::DesktopEntry:
        name = entries.applicationName(candidate.path);
        break;
    }
    if (name)
        return name->toLower();
    return name;
}

} // namespace

QHash<QString, QString> scanApplications(const QStringList& directories) {
    QList<Candidate> candidates;
    for (const QString& directory : directories) {
        walkDirectory(directory, [&](const QFileInfo& item) {
            if (std::optional<Candidate> found = candidate(item))
                candidates.append(std::move(*found));
        });
    }
    // Reading and parsing the files is most of the work: spread it over
    // threads of its own, so that the searches typed meanwhile still find the
    // global pool free, then file the names in walk order so that the later
    // one wins.
    const DesktopEntryReader entries;
    QThreadPool parsingThreads;
    const QList<std::optional<QString>> names = QtConcurrent::blockingMapped(
        &parsingThreads, candidates,
        [&entries](const Candidate& found) { return filingName(found, entries); });
    QHash<QString, QString> pathsByName;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (names[i])
            pathsByName.insert(*names[i], candidates[i].path);
    }
    return pathsByName;
}
