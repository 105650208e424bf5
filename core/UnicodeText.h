// SPDX-License-Identifier: MIT
#pragma once

#include "core/CodeUnitScan.h"

#include <QString>
#include <QStringView>

#include <memory>

// Unicode rules shared by the prompt model and the insertion check: which characters are
// whitespace, and comparison under canonical equivalence (a precomposed "é" equals "e" followed
// by a combining acute accent).
namespace tandrel::UnicodeText {

// The Unicode White_Space property. It is the same set as "whitespace and newlines": the space
// separators (Zs), tab, U+000A to U+000D, U+0085, U+2028 and U+2029. All of them are in the
// Basic Multilingual Plane, so one UTF-16 unit is enough to decide.
bool isWhitespace(QChar c);

// `s` without whitespace at either end; inner whitespace is kept.
QString trimmed(QStringView s);
QString trimmed(const QString& s);

// True when the two strings are canonically equivalent.
bool canonicallyEqual(const QString& a, const QString& b);

// True when every code unit of `s` is a whole character that no neighbour from the same set
// joins into a grapheme cluster, and no two characters of the set are canonically equivalent
// (each decomposes into a base letter and combining marks that the set does not hold). Texts
// made only of such characters compare under canonical equivalence, cluster by cluster,
// exactly as they compare code unit by code unit, so no segmentation or normalization is
// needed. The set covers Latin, Greek, Cyrillic and the common CJK and kana blocks; carriage
// returns are left out because CR LF is one cluster.
bool isSimpleText(QStringView s);
// One code unit of such a text. Combining marks begin at U+0300; the ranges above hold letters
// of Grapheme_Cluster_Break "Other" only (the Greek, Cyrillic and kana combining marks and the
// Greek characters whose canonical decomposition is a single other character are left out).
constexpr bool isSimpleUnit(char16_t u) {
    using CodeUnitScan::within;
    return (u < 0x0300 && u != u'\r') | within(u, 0x0388, 0x03FF) | within(u, 0x0400, 0x0482) |
           within(u, 0x048A, 0x04FF) | within(u, 0x3041, 0x3096) | within(u, 0x30A1, 0x30FA) |
           within(u, 0x4E00, 0x9FFF);
}

} // namespace tandrel::UnicodeText

namespace tandrel {

// A string cut into grapheme clusters (user-perceived characters), each held in its canonical
// decomposition. Comparing clusters of two such texts compares whole characters under
// canonical equivalence, which is what prefix, suffix and substring tests on user text need:
// "e" is not a prefix of "é" even when the accent is a separate combining mark.
//
// The decomposed clusters are concatenated into one string so that searching is a plain
// code-unit search; positions found there are mapped back to clusters through the start
// tables. Decomposition only reorders combining marks within a cluster, so the concatenation is
// the canonical decomposition of the whole string.
class ClusteredText {
public:
    explicit ClusteredText(const QString& text);

    qsizetype clusterCount() const { return clusterCount_; }

    // The canonical decomposition of the whole text.
    const QString& decomposed() const { return decomposed_; }

    // Offset in decomposed() where `cluster` begins; clusterCount() gives the total length.
    qsizetype decomposedStart(qsizetype cluster) const { return decomposedStarts_[cluster]; }

    QStringView cluster(qsizetype i) const;

    // The cluster that begins exactly at `offset` of decomposed() (clusterCount() for the end),
    // or -1 when the offset falls inside a cluster.
    qsizetype clusterBeginningAt(qsizetype decomposedOffset) const;

    // How many leading (trailing) clusters the two texts have in common.
    static qsizetype commonPrefixLength(const ClusteredText& a, const ClusteredText& b);
    static qsizetype commonSuffixLength(const ClusteredText& a, const ClusteredText& b);

private:
    QString decomposed_;
    // clusterCount_ + 1 entries, the last one the decomposed size.
    std::unique_ptr<qsizetype[]> decomposedStarts_;
    qsizetype clusterCount_ = 0;
};

} // namespace tandrel
