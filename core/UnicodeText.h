#pragma once

#include <QString>
#include <QStringView>

#include <vector>

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

    qsizetype clusterCount() const { return qsizetype(decomposedStarts_.size()) - 1; }

    // The canonical decomposition of the whole text.
    const QString& decomposed() const { return decomposed_; }

    // Offset in decomposed() where `cluster` begins; clusterCount() gives the total length.
    qsizetype decomposedStart(qsizetype cluster) const { return decomposedStarts_[cluster]; }

    // UTF-16 offset in the original text where `cluster` begins.
    qsizetype originalStart(qsizetype cluster) const { return originalStarts_[cluster]; }

    QStringView cluster(qsizetype i) const;

    // The cluster that begins exactly at `offset` of decomposed() (clusterCount() for the end),
    // or -1 when the offset falls inside a cluster.
    qsizetype clusterBeginningAt(qsizetype decomposedOffset) const;

    // How many leading (trailing) clusters the two texts have in common.
    static qsizetype commonPrefixLength(const ClusteredText& a, const ClusteredText& b);
    static qsizetype commonSuffixLength(const ClusteredText& a, const ClusteredText& b);

private:
    QString decomposed_;
    std::vector<qsizetype> decomposedStarts_;
    std::vector<qsizetype> originalStarts_;
};

} // namespace tandrel
