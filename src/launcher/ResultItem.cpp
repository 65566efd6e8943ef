// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "launcher/ResultItem.h"

#include <atomic>

namespace {

// Each list takes a range of 2^32 ids, more than it can have rows: ids stay
// unique across searches with one atomic step per search.
std::atomic<quint64> nextIdRange{1};

} // namespace

ResultItems::ResultItems(std::shared_ptr<const AppIndex> apps,
                         std::shared_ptr<const ScriptCatalogue> scripts)
    : _apps(std::move(apps))
    , _scripts(std::move(scripts))
    , _firstId(nextIdRange.fetch_add(1, std::memory_order_relaxed) << 32) {}

ResultItem ResultItems::at(qsizetype row) const {
    const Row& found = _rows[static_cast<std::size_t>(row)];
    const quint64 id = _firstId + static_cast<quint64>(row);
    if (found.type == ResultType::app)
        return {id,
                _apps->name(found.app),
                ResultType::app,
                _apps->path(found.app),
                std::nullopt,
                std::nullopt};
    return {id,           found.script.key(),     ResultType::command,
            std::nullopt, found.script->metadata, found.script->scriptPath};
}

QString ResultItems::name(qsizetype row) const {
    const Row& found = _rows[static_cast<std::size_t>(row)];
    return found.type == ResultType::app ? _apps->name(found.app) : found.script.key();
}
