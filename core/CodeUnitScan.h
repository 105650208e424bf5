// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>

#include <algorithm>
#include <cstring>

// Linear passes over UTF-16 text written so that the compiler turns them into vector code: the
// insertion check runs them over whole chat drafts up to twenty times per send.
namespace tandrel::CodeUnitScan {

// Code units per block: a fixed count the compiler can unroll and vectorize.
inline constexpr qsizetype kBlock = 64;

// Whether `test(unit, next)` holds for some code unit, `next` being the unit that follows it
// (0 after the last). The test must be cheap and without side effects: within a block every
// unit is tested before the answer is looked at.
template <typename Test> bool any(QStringView s, Test test) {
    const char16_t* const p = s.utf16();
    const qsizetype n = s.size();
    qsizetype i = 0;
    // Each block reads one unit past its end, so the last unit is left to the tail.
    for (; i + kBlock < n; i += kBlock) {
        // As wide as a code unit, so the vector code never widens.
        char16_t hit = 0;
        for (qsizetype k = 0; k < kBlock; ++k)
            hit |= char16_t(test(p[i + k], p[i + k + 1]));
        if (hit)
            return true;
    }
    for (; i < n; ++i) {
        if (test(p[i], i + 1 < n ? p[i + 1] : char16_t(0)))
            return true;
    }
    return false;
}

// The offset of the first code unit at or after `from` for which `test(unit)` holds, or the
// text's size when there is none. The same rules for the test as above.
template <typename Test> qsizetype indexOf(QStringView s, qsizetype from, Test test) {
    const char16_t* const p = s.utf16();
    const qsizetype n = s.size();
    // Smaller blocks than above: hits come every few dozen units in some texts, and the unit
    // that hit is then looked for one by one.
    constexpr qsizetype block = 16;
    qsizetype i = from;
    for (; i + block <= n; i += block) {
        char16_t hit = 0;
        for (qsizetype k = 0; k < block; ++k)
            hit |= char16_t(test(p[i + k]));
        if (hit)
            break;
    }
    for (; i < n; ++i) {
        if (test(p[i]))
            return i;
    }
    return n;
}

// How many leading code units the two texts share.
inline qsizetype commonPrefix(QStringView x, QStringView y) {
    const qsizetype limit = std::min(x.size(), y.size());
    qsizetype k = 0;
    while (k + kBlock <= limit &&
           std::memcmp(x.utf16() + k, y.utf16() + k, kBlock * sizeof(char16_t)) == 0)
        k += kBlock;
    while (k < limit && x[k] == y[k])
        ++k;
    return k;
}

// How many trailing code units the two texts share.
inline qsizetype commonSuffix(QStringView x, QStringView y) {
    const qsizetype limit = std::min(x.size(), y.size());
    const char16_t* const xEnd = x.utf16() + x.size();
    const char16_t* const yEnd = y.utf16() + y.size();
    qsizetype k = 0;
    while (k + kBlock <= limit &&
           std::memcmp(xEnd - k - kBlock, yEnd - k - kBlock, kBlock * sizeof(char16_t)) == 0)
        k += kBlock;
    while (k < limit && xEnd[-1 - k] == yEnd[-1 - k])
        ++k;
    return k;
}

// Whether `u` lies in [low, high], in one comparison.
constexpr bool within(char16_t u, char16_t low, char16_t high) {
    return char16_t(u - low) <= char16_t(high - low);
}

} // namespace tandrel::CodeUnitScan
