// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

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

// The metadata files below the folder, at any depth, as relative paths, and
// every folder of the tree (the folder itself first) as paths below `folderPath`. Linked
// folders are not followed, so a link cycle cannot trap the walk.
struct FolderTree {
    QStringList metadataFiles;
    QStringList folders;
};

FolderTree walkFolderTree(const QString& folderPath) {
    const QDir folder(folderPath);
    FolderTree tree;
    tree.folders.append(folderPath);
    QDirIterator entries(folderPath, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString filePath = entries.next();
        const QFileInfo entry = entries.fileInfo();
        if (entry.isDir()) {
            if (!entry.isSymLink())
                tree.folders.append(filePath);
            continue;
        }
        // A file named only ".meta" has no base name to pair a script file with.
        if (entries.fileName().endsWith(metadataSuffix) &&
            entries.fileName().size() > metadataSuffix.size())
            tree.metadataFiles.append(folder.relativeFilePath(filePath));
    }
    std::sort(tree.metadataFiles.begin(), tree.metadataFiles.end());
    return tree;
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

ScriptFolderContents scanScriptFolder(const QString& folderPath) {
    const QDir folder(folderPath);
    FolderTree tree = walkFolderTree(folderPath);
    ScriptFolderContents contents;
    contents.folders = std::move(tree.folders);
    ScriptCatalogue& catalogue = contents.catalogue;
    for (const QString& metadataPath : std::as_const(tree.metadataFiles)) {
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
        catalogue.insert(key,
                         ScriptEntry{*metadata, folder.filePath(*scriptPath),
                                     TextMatching::fold(key), TextMatching::fold(metadata->name)});
    }
    return contents;
}
