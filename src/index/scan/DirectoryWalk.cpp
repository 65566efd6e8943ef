// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/scan/DirectoryWalk.h"

#include <QDir>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool isBundleFolderName(const QString& name) {
    return name.endsWith(QLatin1String(".app"), Qt::CaseInsensitive);
}

// The items of one folder in name order, from one listing: the type the
// listing reports spares a status call per item, which for a folder of
// thousands of entries is most of the walk. Only links are looked through.
std::vector<WalkItem> listFolder(const QString& folder) {
    std::vector<std::pair<std::string, std::filesystem::directory_entry>> entries;
    std::error_code error;
    for (std::filesystem::directory_iterator it(QFile::encodeName(folder).toStdString(), error),
         end;
         !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().native();
        if (!name.starts_with('.'))
            entries.emplace_back(std::move(name), *it);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<WalkItem> items;
    items.reserve(entries.size());
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const auto& [rawName, entry] : entries) {
        const QString name = QFile::decodeName(rawName.c_str());
        std::error_code typeError;
        const bool isLink = entry.is_symlink(typeError);
        items.push_back({prefix + name, name, entry.is_directory(typeError), isLink});
    }
    return items;
}

void walkFolder(const QString& folder, const std::function<void(const WalkItem&)>& visit) {
    for (const WalkItem& item : listFolder(folder)) {
        visit(item);
        if (item.isFolder && !item.isLink && !isBundleFolderName(item.name))
            walkFolder(item.path, visit);
    }
}

void collectFolders(const QFileInfo& folder, QList<WalkedFolder>& folders) {
    folders.append({folder.filePath(), folder.lastModified()});
    const QFileInfoList subfolders =
        QDir(folder.filePath())
            .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& subfolder : subfolders) {
        if (!isBundleFolderName(subfolder.fileName()))
            collectFolders(subfolder, folders);
    }
}

} // namespace

QList<WalkedFolder> walkedFolders(const QString& root) {
    QList<WalkedFolder> folders;
    if (const QFileInfo top(QDir::cleanPath(root)); top.isDir())
        collectFolders(top, folders);
    return folders;
}

void walkDirectory(const QString& root, const std::function<void(const WalkItem&)>& visit) {
    walkFolder(QDir::cleanPath(root), visit);
}
