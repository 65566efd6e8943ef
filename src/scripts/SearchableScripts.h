// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "scripts/ScriptCatalogue.h"
#include "text/NameBlock.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// A catalogue laid out for searching, as the application index is: the
// folded key and folded name of every script in one block, in code point
// order of the folded keys, so that a script costs a search no more than an
// application does. Immutable; built once per catalogue.
class SearchableScripts {
public:
    explicit SearchableScripts(std::shared_ptr<const ScriptCatalogue> catalogue);

    const std::shared_ptr<const ScriptCatalogue>& catalogue() const { return _catalogue; }
    std::size_t size() const { return _entries.size(); }
    ScriptCatalogue::const_iterator entry(uint32_t position) const { return _entries[position]; }
    std::string_view foldedKey(uint32_t position) const { return _folded.at(2 * position + 1); }

    // The positions of the scripts whose folded key or folded name contains
    // `foldedQuery` (UTF-8), ascending, and so in order of their folded keys.
    std::vector<uint32_t> find(std::string_view foldedQuery) const;

private:
    std::shared_ptr<const ScriptCatalogue> _catalogue;
    std::vector<ScriptCatalogue::const_iterator> _entries;
    // Each script's folded name, then its folded key.
    NameBlock _folded;
};
