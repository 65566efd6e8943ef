#include "index/ApplicationScanner.h"

#include "index/BundleReader.h"
#include "index/DirectoryWalk.h"
#include "platform/DesktopEntryReader.h"

namespace {

std::optional<QString> applicationName(const QFileInfo& item, const DesktopEntryReader& entries) {
    const QString fileName = item.fileName();
    if (fileName.endsWith(QLatin1String(".app"))) {
        if (item.isDir())
            return readBundleName(item.filePath());
        return item.completeBaseName();
    }
    if (fileName.endsWith(QLatin1String(".desktop")) && item.isFile())
        return entries.applicationName(item.filePath());
    return std::nullopt;
}

} // namespace

QHash<QString, QString> scanApplications(const QStringList& directories) {
    const DesktopEntryReader entries;
    QHash<QString, QString> pathsByName;
    for (const QString& directory : directories) {
        walkDirectory(directory, [&](const QFileInfo& item) {
            if (const std::optional<QString> name = applicationName(item, entries))
                pathsByName.insert(name->toLower(), item.filePath());
        });
    }
    return pathsByName;
}
