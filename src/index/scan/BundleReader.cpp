// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/scan/BundleReader.h"

#include "platform/RegularFile.h"

#include <QFileInfo>
#include <memory>
#include <plist/plist.h>

namespace {

// Real dictionaries are a few kilobytes; anything far larger is not one, and
// reading it whole would only cost memory.
constexpr qint64 maxDictionarySize = 8 * 1024 * 1024;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPointer = std::unique_ptr<void, PlistDeleter>;

QString dictionaryPath(const QString& bundlePath) {
    const QString contentsDictionary = bundlePath + QStringLiteral("/Contents/Info.plist");
    if (QFileInfo::exists(contentsDictionary))
        return contentsDictionary;
    return bundlePath + QStringLiteral("/Info.plist");
}

std::optional<QByteArray> readDictionaryFile(const QString& path) {
    std::optional<QByteArray> data = readRegularFile(path, maxDictionarySize);
    if (!data)
        return std::nullopt;
    // libplist rejects an XML document that starts with a UTF-8 byte-order mark.
    if (data->startsWith("\xEF\xBB\xBF"))
        data->remove(0, 3);
    return data;
}

std::optional<QString> stringValue(plist_t dictionary, const char* key) {
    const plist_t node = plist_dict_get_item(dictionary, key);
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text)
        return std::nullopt;
    return QString::fromUtf8(text, static_cast<qsizetype>(length));
}

} // namespace

std::optional<QString> readBundleName(const QString& bundlePath) {
    const std::optional<QByteArray> data = readDictionaryFile(dictionaryPath(bundlePath));
    if (!data || data->isEmpty())
        return std::nullopt;
    plist_t root = nullptr;
    plist_from_memory(data->constData(), static_cast<uint32_t>(data->size()), &root);
    const PlistPointer dictionary(root);
    if (!dictionary || plist_get_node_type(root) != PLIST_DICT)
        return std::nullopt;
    if (std::optional<QString> name = stringValue(root, "CFBundleName"))
        return name;
    return stringValue(root, "CFBundleExecutable");
}
