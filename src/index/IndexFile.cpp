#include "index/IndexFile.h"

#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <filesystem>
#include <system_error>

namespace IndexFile {

namespace {

// Far beyond any real index; keeps a stray huge file from filling memory.
constexpr qint64 maxIndexFileSize = 512 * 1024 * 1024;

const QString nameKey = QStringLiteral("name");
const QString pathKey = QStringLiteral("path");

std::optional<AppEntry> decodeEntry(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const QJsonValue name = object.value(nameKey);
    const QJsonValue path = object.value(pathKey);
    if (!name.isString() || !path.isString())
        return std::nullopt;
    return AppEntry{name.toString(), path.toString()};
}

std::optional<QString> createFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return QStringLiteral("cannot create the folder %1: %2")
            .arg(folder, QString::fromLocal8Bit(error.message()));
    return std::nullopt;
}

} // namespace

std::optional<QList<AppEntry>> read(const QString& path) {
    const std::optional<QByteArray> content = readRegularFile(path, maxIndexFileSize);
    if (!content)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(*content);
    if (!document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<AppEntry> entries;
    entries.reserve(array.size());
    for (const QJsonValue& value : array) {
        std::optional<AppEntry> entry = decodeEntry(value);
        if (!entry)
            return std::nullopt;
        entries.append(std::move(*entry));
    }
    return entries;
}

std::optional<QString> write(const QString& path, const QList<AppEntry>& entries) {
    if (path.isEmpty())
        return QStringLiteral("no folder for application data is known");
    QJsonArray array;
    for (const AppEntry& entry : entries)
        array.append(QJsonObject{{nameKey, entry.name}, {pathKey, entry.path}});
    const QByteArray bytes = QJsonDocument(array).toJson(QJsonDocument::Compact);

    if (std::optional<QString> failure = createFolder(QFileInfo(path).absolutePath()))
        return failure;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace IndexFile
