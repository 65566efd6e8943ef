#include "text/TextMatching.h"

#include <algorithm>

namespace TextMatching {

QString fold(const QString& text) {
    return text.toLower().normalized(QString::NormalizationForm_C);
}

bool containsFolded(const QString& foldedHaystack, const QString& foldedNeedle) {
    return !foldedNeedle.isEmpty() && foldedHaystack.contains(foldedNeedle);
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
