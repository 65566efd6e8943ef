#include "index/IndexFile.h"

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <simdjson.h>
#include <system_error>

namespace IndexFile {

namespace {

const QString nameKey = QStringLiteral("name");
const QString pathKey = QStringLiteral("path");

std::optional<QString> createFolder(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return QStringLiteral("cannot create the folder %1: %2")
            .arg(folder, QString::fromLocal8Bit(error.message()));
    return std::nullopt;
}

} // namespace

std::optional<AppIndex> read(const QString& path) {
    const std::optional<QByteArray> content = readRegularFile(path, maxSize);
    if (!content)
        return std::nullopt;
    // simdjson validates the whole document (and its UTF-8) several times
    // faster than QJsonDocument, and hands the strings out as views into its
    // own buffer: the names and paths go into the snapshot with no string
    // built per entry.
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    simdjson::dom::array array;
    if (parser.parse(content->constData(), static_cast<std::size_t>(content->size())).get(root) ||
        root.get_array().get(array))
        return std::nullopt;
    AppIndex::Builder builder;
    builder.reserve(array.size(), 0);
    for (const simdjson::dom::element element : array) {
        simdjson::dom::object object;
        std::string_view name;
        std::string_view filePath;
        if (element.get_object().get(object) || object["name"].get_string().get(name) ||
            object["path"].get_string().get(filePath))
            return std::nullopt;
        builder.add(name, filePath);
    }
    return std::move(builder).build();
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
    return replaceFileAtomically(path, bytes);
}

} // namespace IndexFile
