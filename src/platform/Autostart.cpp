#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <memory>

#include <glib.h>

namespace {

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

struct GFree {
    void operator()(gchar* data) const { g_free(data); }
};

// Exec arguments are always quoted so that any path survives the session's
// parsing: inside double quotes " ` $ and \ take a backslash, and a literal
// percent sign is doubled so that it is not read as a field code. The key
// file's own string escaping is applied on top when the value is stored.
QString execArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar character : argument) {
        if (character == u'"' || character == u'`' || character == u'$' || character == u'\\')
            quoted += u'\\';
        else if (character == u'%')
            quoted += u'%';
        quoted += character;
    }
    quoted += u'"';
    return quoted;
}

void setString(GKeyFile* file, const char* key, const QString& value) {
    g_key_file_set_string(file, G_KEY_FILE_DESKTOP_GROUP, key, value.toUtf8().constData());
}

} // namespace

namespace Autostart {

QString entryPath() {
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(configHome).filePath(QStringLiteral("autostart/vantri.desktop"));
}

bool isEnabled(const QString& entryPath) {
    if (!QFileInfo(entryPath).isFile())
        return false;
    KeyFile file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), QFile::encodeName(entryPath).constData(),
                                   G_KEY_FILE_NONE, nullptr) ||
        !g_key_file_has_group(file.get(), G_KEY_FILE_DESKTOP_GROUP))
        return false;
    // A missing or malformed Hidden key means the entry is in force.
    GError* error = nullptr;
    const gboolean hidden = g_key_file_get_boolean(file.get(), G_KEY_FILE_DESKTOP_GROUP,
                                                   G_KEY_FILE_DESKTOP_KEY_HIDDEN, &error);
    if (error) {
        g_error_free(error);
        return true;
    }
    return !hidden;
}

bool enable(const QString& entryPath, const QString& programPath) {
    KeyFile file(g_key_file_new());
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_TYPE, QStringLiteral("Application"));
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_NAME, QStringLiteral("Vantri"));
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_COMMENT, QStringLiteral("Keyboard launcher"));
    setString(file.get(), G_KEY_FILE_DESKTOP_KEY_EXEC, execArgument(programPath));
    g_key_file_set_boolean(file.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TERMINAL,
                           FALSE);
    gsize length = 0;
    const std::unique_ptr<gchar, GFree> data(g_key_file_to_data(file.get(), &length, nullptr));

    if (!QDir().mkpath(QFileInfo(entryPath).absolutePath()))
        return false;
    QSaveFile entry(entryPath);
    return entry.open(QIODevice::WriteOnly) &&
           entry.write(data.get(), qint64(length)) == qint64(length) && entry.commit();
}

bool disable(const QString& entryPath) {
    const QFileInfo entry(entryPath);
    if (!entry.exists() && !entry.isSymLink())
        return true;
    return QFile::remove(entryPath);
}

} // namespace Autostart
