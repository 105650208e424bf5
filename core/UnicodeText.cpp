#include "core/UnicodeText.h"

#include "core/CodeUnitScan.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace tandrel::UnicodeText {

bool isWhitespace(QChar c) {
    const char16_t u = c.unicode();
    if (u == 0x0009 || (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029)
        return true;
    return c.category() == QChar::Separator_Space;
}

QString trimmed(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isWhitespace(s[begin]))
        ++begin;
    while (end > begin && isWhitespace(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin).toString();
}

QString trimmed(const QString& s) {
    if (s.isEmpty() || (!isWhitespace(s.front()) && !isWhitespace(s.back())))
        return s; // shared, not copied
    return trimmed(QStringView(s));
}

bool canonicallyEqual(const QString& a, const QString& b) {
    if (a == b)
        return true;
    return a.normalized(QString::NormalizationForm_D) == b.normalized(QString::NormalizationForm_D);
}

bool isSimpleText(QStringView s) {
    // Combining marks begin at U+0300; the ranges above hold letters of Grapheme_Cluster_Break
    // "Other" only (the Greek, Cyrillic and kana combining marks and the Greek characters whose
    // canonical decomposition is a single other character are left out).
    using CodeUnitScan::within;
    return !CodeUnitScan::any(s, [](char16_t u, char16_t) {
        const bool simple = (u < 0x0300 && u != u'\r') | within(u, 0x0388, 0x03FF) |
                            within(u, 0x0400, 0x0482) | within(u, 0x048A, 0x04FF) |
                            within(u, 0x3041, 0x3096) | within(u, 0x30A1, 0x30FA) |
                            within(u, 0x4E00, 0x9FFF);
        return !simple;
    });
}

} // namespace tandrel::UnicodeText

namespace tandrel {

namespace {

// Nothing below U+00C0 has a canonical decomposition or is a combining mark, so most chat text
// needs no normalization call at all.
bool isTriviallyDecomposed(QStringView cluster) {
    return std::all_of(cluster.begin(), cluster.end(),
                       [](QChar c) { return c.unicode() < 0x00C0; });
}

} // namespace

ClusteredText::ClusteredText(const QString& text) {
    decomposed_.reserve(text.size());
    decomposedStarts_.reserve(text.size() + 1);
    originalStarts_.reserve(text.size() + 1);

    auto append = [&](qsizetype from, qsizetype to) {
        const QStringView piece = QStringView(text).sliced(from, to - from);
        decomposedStarts_.push_back(decomposed_.size());
        originalStarts_.push_back(from);
        if (isTriviallyDecomposed(piece))
            decomposed_ += piece;
        else
            decomposed_ += piece.toString().normalized(QString::NormalizationForm_D);
    };

    if (isTriviallyDecomposed(text)) {
        // Below U+00C0 every code unit is a cluster of its own except CR LF, which is one.
        for (qsizetype i = 0; i < text.size(); ++i) {
            decomposedStarts_.push_back(i);
            originalStarts_.push_back(i);
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        }
        decomposed_ = text;
    } else {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        qsizetype from = 0;
        for (qsizetype to = finder.toNextBoundary(); to != -1; to = finder.toNextBoundary()) {
            if (to > from) {
                append(from, to);
                from = to;
            }
        }
    }
    decomposedStarts_.push_back(decomposed_.size());
    originalStarts_.push_back(text.size());
}

QStringView ClusteredText::cluster(qsizetype i) const {
    return QStringView(decomposed_)
        .sliced(decomposedStarts_[i], decomposedStarts_[i + 1] - decomposedStarts_[i]);
}

qsizetype ClusteredText::clusterBeginningAt(qsizetype decomposedOffset) const {
    const auto it =
        std::lower_bound(decomposedStarts_.begin(), decomposedStarts_.end(), decomposedOffset);
    if (it == decomposedStarts_.end() || *it != decomposedOffset)
        return -1;
    return it - decomposedStarts_.begin();
}

qsizetype ClusteredText::commonPrefixLength(const ClusteredText& a, const ClusteredText& b) {
    const qsizetype limit = std::min(a.clusterCount(), b.clusterCount());
    qsizetype n = 0;
    while (n < limit && a.cluster(n) == b.cluster(n))
        ++n;
    return n;
}

qsizetype ClusteredText::commonSuffixLength(const ClusteredText& a, const ClusteredText& b) {
    const qsizetype limit = std::min(a.clusterCount(), b.clusterCount());
    qsizetype n = 0;
    while (n < limit && a.cluster(a.clusterCount() - 1 - n) == b.cluster(b.clusterCount() - 1 - n))
        ++n;
    return n;
}

} // namespace tandrel
