// SPDX-FileCopyrightText: 2026 The Vantri developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "text/TextMatching.h"

#include <algorithm>

namespace TextMatching {

QString fold(const QString& text) {
    return text.toLower().normalized(QString::NormalizationForm_C);
}

void appendFolded(std::string& out, std::string_view utf8) {
    const bool isAscii = std::all_of(utf8.begin(), utf8.end(), [](char byte) {
        return static_cast<unsigned char>(byte) < 0x80;
    });
    if (!isAscii) {
        out +=
            fold(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()))).toStdString();
        return;
    }
    // Lower-casing ASCII is the Unicode mapping of those letters, and ASCII
    // text is already composed.
    for (const char byte : utf8)
        out.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte);
}

std::string foldedUtf8(const QString& text) {
    return fold(text).toStdString();
}

namespace {
// Moves surrogates above the rest of the BMP so that unit order equals code point order.
char16_t codePointOrderKey(char16_t unit) {
    if (unit >= 0xE000)
        return static_cast<char16_t>(unit - 0x800);
    if (unit >= 0xD800)
        return static_cast<char16_t>(unit + 0x2000);
    return unit;
}
} // namespace

bool codePointLess(QStringView a, QStringView b) {
    const auto [left, right] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (right == b.end())
        return false;
    if (left == a.end())
        return true;
    return codePointOrderKey(left->unicode()) < codePointOrderKey(right->unicode());
}

} // namespace TextMatching
