// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringView>
#include <string>
#include <string_view>

// How names and queries are compared everywhere in the launcher: lower-cased
// with the locale-independent Unicode mapping, canonically composed (NFC) so
// that a precomposed letter and the same letter with a combining mark are
// equal, and ordered by Unicode scalar values.
namespace TextMatching {

// The form both sides of a comparison are brought to. Names are folded once,
// when the index or the catalogue is built; a query once per search.
QString fold(const QString& text);

// The folded form of `utf8` in UTF-8, appended to `out`. Names in plain
// ASCII, the common case, are folded byte by byte with no allocation.
void appendFolded(std::string& out, std::string_view utf8);

// The folded form of `text` in UTF-8, as name blocks are searched.
std::string foldedUtf8(const QString& text);

// Orders by code points. Plain UTF-16 comparison puts characters beyond the
// Basic Multilingual Plane before U+E000..U+FFFF, which this corrects.
bool codePointLess(QStringView a, QStringView b);

} // namespace TextMatching
