#include "platform/ApplicationOpener.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

namespace {
bool launchDesktopEntry(const QString& path) {
    GDesktopAppInfo* info =
        g_desktop_app_info_new_from_filename(QFile::encodeName(path).constData());
    if (!info)
        return false;
    GError* error = nullptr;
    const bool launched = g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error);
    if (error)
        g_error_free(error);
    g_object_unref(info);
    return launched;
}
} // namespace

bool openApplication(const QString& path) {
    if (path.endsWith(QLatin1String(".desktop")))
        return launchDesktopEntry(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
