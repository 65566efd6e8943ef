#include "index/DirectoryWalk.h"

#include <QDir>

namespace {

bool isBundleFolderName(const QString& name) {
    return name.endsWith(QLatin1String(".app"), Qt::CaseInsensitive);
}

void walkFolder(const QString& folder, const std::function<void(const QFileInfo&)>& visit) {
    // Without QDir::Hidden the listing leaves out dot files; QDir::System keeps
    // dangling links, which still count as items.
    const QFileInfoList items = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& item : items) {
        visit(item);
        if (item.isDir() && !item.isSymLink() && !isBundleFolderName(item.fileName()))
            walkFolder(item.filePath(), visit);
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

void walkDirectory(const QString& root, const std::function<void(const QFileInfo&)>& visit) {
    walkFolder(QDir::cleanPath(root), visit);
}
