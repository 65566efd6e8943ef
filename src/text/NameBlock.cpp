// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "text/NameBlock.h"

#include <algorithm>
#include <cstring>

void NameBlock::reserve(std::size_t names, std::size_t bytes) {
    _ends.reserve(names);
    _bytes.reserve(bytes + names);
}

void NameBlock::append(std::string_view name) {
    _bytes.append(name);
    _ends.push_back(static_cast<uint32_t>(_bytes.size()));
    _bytes.push_back('\0');
}

std::string_view NameBlock::at(std::size_t index) const {
    const std::size_t start = startOf(index);
    return std::string_view(_bytes).substr(start, _ends[index] - start);
}

std::vector<uint32_t> NameBlock::find(std::string_view needle, uint32_t namesPerEntry) const {
    std::vector<uint32_t> found;
    if (needle.empty())
        return found;
    // One pass of the C library's substring search over the whole block. A
    // hit is mapped to its name by walking the name ends forward (hits only
    // ever move forward), and the search goes on after the entry of that
    // name: an entry is listed once however often its names hold the needle.
    // Room for every entry up front: a short query hits most of them, and
    // growing the list would copy it over and over.
    found.reserve((_ends.size() + namesPerEntry - 1) / namesPerEntry);
    const char* const block = _bytes.data();
    const std::size_t blockSize = _bytes.size();
    std::size_t from = 0;
    std::size_t name = 0;
    // The entry `name` belongs to, and the first name of the entry after it
    // (counted along rather than divided out: this runs once per hit).
    uint32_t entry = 0;
    std::size_t nextEntry = namesPerEntry;
    while (from < blockSize) {
        // A one-letter query, the most common and the one with the most
        // hits, skips memmem's own set-up for every hit.
        const void* hit =
            needle.size() == 1
                ? std::memchr(block + from, needle.front(), blockSize - from)
                : ::memmem(block + from, blockSize - from, needle.data(), needle.size());
        if (!hit)
            break;
        const auto position = static_cast<std::size_t>(static_cast<const char*>(hit) - block);
        while (_ends[name] < position) {
            if (++name == nextEntry) {
                ++entry;
                nextEntry += namesPerEntry;
            }
        }
        if (position + needle.size() <= _ends[name]) {
            found.push_back(entry);
            name = std::min(nextEntry, _ends.size());
            from = _ends[name - 1] + 1;
            ++entry;
            nextEntry += namesPerEntry;
        } else {
            // Only a needle holding a NUL can run over the end of a name.
            from = position + 1;
        }
    }
    return found;
}
