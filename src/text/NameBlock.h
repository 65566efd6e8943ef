// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Names laid out end to end in one UTF-8 block, each followed by a NUL byte,
// so that a search walks contiguous memory instead of one allocation per
// name. UTF-8 keeps both rules of the text matching intact: a substring of
// code points is a substring of bytes, and byte order is code point order.
class NameBlock {
public:
    void reserve(std::size_t names, std::size_t bytes);
    void append(std::string_view name);

    std::size_t size() const { return _ends.size(); }
    bool isEmpty() const { return _ends.empty(); }
    std::string_view at(std::size_t index) const;
    // The block's memory, for the owners' own accounting.
    std::size_t bytes() const { return _bytes.capacity() + _ends.capacity() * sizeof(uint32_t); }

    // The positions of the names that contain `needle`, ascending. An empty
    // needle is contained in nothing. With `namesPerEntry` above one, the
    // block is read as entries of that many consecutive names each, and the
    // positions are those of the entries in which any name holds `needle`:
    // a hit skips the rest of its entry, so an entry of several names costs
    // a search about what one name of the same length would.
    std::vector<uint32_t> find(std::string_view needle, uint32_t namesPerEntry = 1) const;

private:
    std::size_t startOf(std::size_t index) const { return index == 0 ? 0 : _ends[index - 1] + 1; }

    std::string _bytes;
    // Where each name ends (the offset of its NUL).
    std::vector<uint32_t> _ends;
};
