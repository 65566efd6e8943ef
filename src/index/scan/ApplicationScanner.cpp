// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/scan/ApplicationScanner.h"

#include "index/scan/BundleReader.h"
#include "index/scan/DirectoryWalk.h"
#include "platform/xdg/DesktopEntryReader.h"

#include <QThreadPool>
#include <QtConcurrent>

namespace {

enum class Kind { BundleFolder, BundleFile, DesktopEntry };

struct Candidate {
    QString path;
    Kind kind;
};

std::optional<Kind> kindOf(const WalkItem& item) {
    if (item.name.endsWith(QLatin1String(".app")))
        return item.isFolder ? Kind::BundleFolder : Kind::BundleFile;
    if (item.name.endsWith(QLatin1String(".desktop")) && !item.isFolder)
        return Kind::DesktopEntry;
    return std::nullopt;
}

// A desktop entry's id: its path below the folder walked, "/" turned into "-",
// so that "kde/foo.desktop" and "kde-foo.desktop" name the same application.
QString desktopFileId(const QString& root, const QString& entryPath) {
    const qsizetype prefix = root.endsWith(QLatin1Char('/')) ? root.size() : root.size() + 1;
    return entryPath.mid(prefix).replace(QLatin1Char('/'), QLatin1Char('-'));
}

// Every candidate in walk order. Of the desktop entries sharing an id only the
// one of the last folder that holds it is kept, in its own place: a later
// folder takes precedence, whatever its entry says.
QList<Candidate> findCandidates(const QStringList& directories) {
    QList<std::optional<Candidate>> found;
    QHash<QString, qsizetype> entriesById;
    for (const QString& directory : directories) {
        const QString root = QDir::cleanPath(directory);
        walkDirectory(root, [&](const WalkItem& item) {
            const std::optional<Kind> kind = kindOf(item);
            if (!kind)
                return;
            if (*kind == Kind::DesktopEntry) {
                const QString id = desktopFileId(root, item.path);
                if (const auto earlier = entriesById.constFind(id); earlier != entriesById.cend())
                    found[*earlier].reset();
                entriesById.insert(id, found.size());
            }
            found.append(Candidate{item.path, *kind});
        });
    }
    QList<Candidate> candidates;
    candidates.reserve(found.size());
    for (std::optional<Candidate>& candidate : found) {
        if (candidate)
            candidates.append(std::move(*candidate));
    }
    return candidates;
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
    const QList<Candidate> candidates = findCandidates(directories);
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
