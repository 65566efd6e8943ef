#include "launcher/ResultItem.h"

#include <QRandomGenerator>
#include <random>

QUuid newResultId() {
    thread_local std::mt19937_64 generator = [] {
        std::seed_seq seed{
            QRandomGenerator::system()->generate(), QRandomGenerator::system()->generate(),
            QRandomGenerator::system()->generate(), QRandomGenerator::system()->generate()};
        return std::mt19937_64(seed);
    }();
    const quint64 high = generator();
    const quint64 low = generator();
    // Version 4 in the top nibble of the third group, the RFC 4122 variant in
    // the top bits of the fourth.
    const auto data2 = static_cast<ushort>(high >> 16);
    const auto data3 = static_cast<ushort>((high & 0x0FFF) | 0x4000);
    const auto variantByte = static_cast<uchar>(((low >> 56) & 0x3F) | 0x80);
    return QUuid(
        static_cast<uint>(high >> 32), data2, data3, variantByte, static_cast<uchar>(low >> 48),
        static_cast<uchar>(low >> 40), static_cast<uchar>(low >> 32), static_cast<uchar>(low >> 24),
        static_cast<uchar>(low >> 16), static_cast<uchar>(low >> 8), static_cast<uchar>(low));
}
