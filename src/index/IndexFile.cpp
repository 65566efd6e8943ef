// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/IndexFile.h"

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <simdjson.h>
#include <system_error>

namespace IndexFile {

namespace {

// `text` (valid UTF-8) as the inside of a JSON string: quotes, backslashes
// and control characters escaped, everything else as it is.
void appendJsonText(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    for (const char byte : text) {
        switch (byte) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(byte) < 0x20) {
                out += "\\u00";
                out += hex[byte >> 4];
                out += hex[byte & 0xF];
            } else {
                out += byte;
            }
        }
    }
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

std::optional<QString> write(const QString& path, const AppIndex& index) {
    if (path.isEmpty())
        return QStringLiteral("no folder for application data is known");
    // Written straight from the snapshot's UTF-8, with no JSON tree in
    // between: the main thread saves after every scan.
    std::string bytes = "[";
    for (qsizetype position = 0; position < index.size(); ++position) {
        bytes += position == 0 ? R"({"name":")" : R"(,{"name":")";
        appendJsonText(bytes, index.nameBytes(position));
        bytes += R"(","path":")";
        appendJsonText(bytes, index.pathBytes(position));
        bytes += R"("})";
    }
    bytes += ']';

    if (std::optional<QString> failure = createFolder(QFileInfo(path).absolutePath()))
        return failure;
    return replaceFileAtomically(path, QByteArrayView(bytes.data(), bytes.size()));
}

} // namespace IndexFile
