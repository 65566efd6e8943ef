#include "scripts/ScriptFolderScan.h"

#include "platform/RegularFile.h"
#include "scripts/ScriptMetadataReader.h"
#include "text/TextMatching.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

const QString metadataSuffix = QStringLiteral(".meta");
// Metadata is a handful of lines; anything this large is not a metadata file.
constexpr qint64 maxMetadataSize = 1 << 20;

// Relative paths of the metadata files below the folder, at any depth. Linked
// folders are not followed, so a link cycle cannot trap the walk.
QStringList metadataFiles(const QString& folderPath) {
    const QDir folder(folderPath);
    QStringList relativePaths;
    QDirIterator entries(folderPath, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString filePath = entries.next();
        // A file named only ".meta" has no base name to pair a script file with.
        if (entries.fileName().endsWith(metadataSuffix) &&
            entries.fileName().size() > metadataSuffix.size())
            relativePaths.append(folder.relativeFilePath(filePath));
    }
    std::sort(relativePaths.begin(), relativePaths.end());
    return relativePaths;
}

// The script file paired with a metadata file: the first of its base name with
// no suffix or one of the script suffixes that exists (as anything, even a
// folder). The suffix says nothing about the interpreter, which `type` picks.
std::optional<QString> scriptFileBeside(const QDir& folder, const QString& metadataPath) {
    static const QStringList suffixes = {QString(), QStringLiteral(".scpt"),
                                         QStringLiteral(".applescript"), QStringLiteral(".sh"),
                                         QStringLiteral(".swift")};
    const QString base = metadataPath.chopped(metadataSuffix.size());
    for (const QString& suffix : suffixes) {
        const QString candidate = base + suffix;
        if (QFileInfo::exists(folder.filePath(candidate)))
            return candidate;
    }
    return std::nullopt;
}

} // namespace

bool isScannableFolder(const QString& folderPath) {
    if (folderPath.isEmpty())
        return false;
    const QFileInfo folder(folderPath);
    return folder.isDir() && folder.isReadable() && folder.isExecutable();
}

ScriptCatalogue scanScriptFolder(const QString& folderPath) {
    const QDir folder(folderPath);
    ScriptCatalogue catalogue;
    for (const QString& metadataPath : metadataFiles(folderPath)) {
        // Only regular files are read, without waiting: a pipe or a device
        // named like one (even one swapped in after the listing) could block
        // the scan or never end.
        const std::optional<QByteArray> bytes =
            readRegularFile(folder.filePath(metadataPath), maxMetadataSize);
        if (!bytes)
            continue;
        const std::optional<ScriptMetadata> metadata = readScriptMetadata(*bytes);
        if (!metadata)
            continue;
        const std::optional<QString> scriptPath = scriptFileBeside(folder, metadataPath);
        if (!scriptPath)
            continue;
        const QString key = metadata->command.toLower();
        catalogue.insert(key, ScriptEntry{*metadata, *scriptPath, TextMatching::fold(key),
                                          TextMatching::fold(metadata->name)});
    }
    return catalogue;
}
