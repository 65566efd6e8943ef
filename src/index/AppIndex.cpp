// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "index/AppIndex.h"

#include "text/TextMatching.h"

#include <algorithm>
#include <numeric>

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

qsizetype codePointCount(std::string_view utf8) {
    return std::count_if(utf8.begin(), utf8.end(), [](char byte) {
        return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
    });
}

} // namespace

void AppIndex::Builder::reserve(std::size_t count, std::size_t bytes) {
    _folded.reserve(count, bytes);
    _names.reserve(count, bytes);
    _paths.reserve(count, bytes);
}

void AppIndex::Builder::add(std::string_view name, std::string_view path) {
    if (codePointCount(name) > maxNameLength)
        return;
    _scratch.clear();
    TextMatching::appendFolded(_scratch, name);
    if (_isInOrder && !_names.isEmpty()) {
        const std::size_t last = _names.size() - 1;
        const std::string_view lastFolded = _folded.at(last);
        _isInOrder = lastFolded < _scratch || (lastFolded == _scratch && _names.at(last) < name);
    }
    _folded.append(_scratch);
    _names.append(name);
    _paths.append(path);
}

AppIndex AppIndex::Builder::build() && {
    AppIndex index;
    if (_isInOrder) {
        index._folded = std::move(_folded);
        index._names = std::move(_names);
        index._paths = std::move(_paths);
        return index;
    }
    std::vector<uint32_t> order(_names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) {
        const std::string_view foldedA = _folded.at(a);
        const std::string_view foldedB = _folded.at(b);
        return foldedA != foldedB ? foldedA < foldedB : _names.at(a) < _names.at(b);
    });
    index._folded.reserve(order.size(), 0);
    index._names.reserve(order.size(), 0);
    index._paths.reserve(order.size(), 0);
    for (std::size_t i = 0; i < order.size(); ++i) {
        // Equal names sit next to each other, in the order they came: the last one wins.
        if (i + 1 < order.size() && _names.at(order[i]) == _names.at(order[i + 1]))
            continue;
        index._folded.append(_folded.at(order[i]));
        index._names.append(_names.at(order[i]));
        index._paths.append(_paths.at(order[i]));
    }
    return index;
}

AppIndex::AppIndex(const QHash<QString, QString>& pathsByName) {
    Builder builder;
    builder.reserve(static_cast<std::size_t>(pathsByName.size()), 0);
    for (auto it = pathsByName.cbegin(); it != pathsByName.cend(); ++it)
        builder.add(it.key().toStdString(), it.value().toStdString());
    *this = std::move(builder).build();
}

QString AppIndex::name(qsizetype position) const {
    return fromUtf8(_names.at(static_cast<std::size_t>(position)));
}

QString AppIndex::path(qsizetype position) const {
    return fromUtf8(_paths.at(static_cast<std::size_t>(position)));
}

QList<AppEntry> AppIndex::entries() const {
    QList<AppEntry> entries;
    entries.reserve(size());
    for (qsizetype position = 0; position < size(); ++position)
        entries.append({name(position), path(position)});
    return entries;
}
