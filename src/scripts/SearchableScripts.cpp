// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "scripts/SearchableScripts.h"

#include "text/TextMatching.h"

#include <algorithm>
#include <string>

SearchableScripts::SearchableScripts(std::shared_ptr<const ScriptCatalogue> catalogue)
    : _catalogue(std::move(catalogue)) {
    struct Script {
        std::string foldedKey;
        std::string foldedName;
        ScriptCatalogue::const_iterator entry;
    };
    std::vector<Script> scripts;
    scripts.reserve(static_cast<std::size_t>(_catalogue->size()));
    for (auto entry = _catalogue->cbegin(); entry != _catalogue->cend(); ++entry)
        scripts.push_back({entry->foldedKey.toStdString(), entry->foldedName.toStdString(), entry});
    // The catalogue iterates in UTF-16 order of its keys; the list wants code
    // points of the folded forms (UTF-8 byte order), as the applications are
    // ordered, the keys themselves breaking ties.
    std::sort(scripts.begin(), scripts.end(), [](const Script& a, const Script& b) {
        if (a.foldedKey != b.foldedKey)
            return a.foldedKey < b.foldedKey;
        return a.entry.key().toStdString() < b.entry.key().toStdString();
    });
    _entries.reserve(scripts.size());
    _folded.reserve(2 * scripts.size(), 0);
    for (const Script& script : scripts) {
        _entries.push_back(script.entry);
        _folded.append(script.foldedName);
        _folded.append(script.foldedKey);
    }
}

std::vector<uint32_t> SearchableScripts::find(std::string_view foldedQuery) const {
    return _folded.find(foldedQuery, 2);
}
