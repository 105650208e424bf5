// SPDX-License-Identifier: MIT
#include "core/UnicodeText.h"

#include "core/CodeUnitScan.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>
#include <vector>

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
    return !CodeUnitScan::any(s, [](char16_t u, char16_t) { return !isSimpleUnit(u); });
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

// The canonical decompositions of the simple characters that have one (accented Latin, Greek and
// Cyrillic letters, kana with a voicing mark), computed once: a draft in French or Japanese holds
// thousands of them. Absent for a character that is its own decomposition.
const QString* simpleDecomposition(char16_t u) {
    struct Block {
        char16_t first;
        std::vector<QString> decompositions; // null where the character decomposes to itself
    };
    static const std::array<Block, 2> blocks = [] {
        std::array<Block, 2> result = {Block{0x00C0, {}}, Block{0x3040, {}}};
        const char16_t ends[] = {0x0500, 0x3100};
        for (std::size_t b = 0; b < result.size(); ++b) {
            for (char16_t u = result[b].first; u < ends[b]; ++u) {
                const QString single(QChar{u});
                QString decomposed = single.normalized(QString::NormalizationForm_D);
                result[b].decompositions.push_back(decomposed == single ? QString()
                                                                        : std::move(decomposed));
            }
        }
        return result;
    }();
    for (const Block& block : blocks) {
        const std::size_t index = std::size_t(char16_t(u - block.first));
        if (index < block.decompositions.size()) {
            const QString& decomposed = block.decompositions[index];
            return decomposed.isNull() ? nullptr : &decomposed;
        }
    }
    return nullptr;
}

// Characters of the scripts whose clusters Qt tailors by syllable (Indic, Thai, Lao, Tibetan,
// Myanmar, Khmer and their extensions), and the high surrogates of the historic Brahmic
// scripts: for them a cluster may depend on characters beyond its simple neighbours.
constexpr bool hasSyllableClusters(char16_t u) {
    using CodeUnitScan::within;
    return within(u, 0x0900, 0x109F) | within(u, 0x1780, 0x19FF) | within(u, 0x1A20, 0x1AAF) |
           within(u, 0x1B00, 0x1CFF) | within(u, 0xA800, 0xA8FF) | within(u, 0xA980, 0xAAFF) |
           within(u, 0xABC0, 0xABFF) | within(u, 0xD804, 0xD807);
}

// The first n in [0, count) for which `stops(n)` holds, or count. Tested in blocks of a fixed
// size, which the compiler turns into vector code; `stops` must be cheap and side-effect free.
template <typename Stops> qsizetype firstWhere(qsizetype count, Stops stops) {
    qsizetype n = 0;
    for (; n + CodeUnitScan::kBlock <= count; n += CodeUnitScan::kBlock) {
        bool any = false;
        for (qsizetype k = 0; k < CodeUnitScan::kBlock; ++k)
            any |= stops(n + k);
        if (any)
            break;
    }
    while (n < count && !stops(n))
        ++n;
    return n;
}

} // namespace

// Between two simple characters there is always a cluster boundary, and a simple character is a
// cluster of its own whose decomposition a table gives. Only the runs of other characters, with
// one simple neighbour on each side (a combining mark joins the letter before it, a prepended
// mark the one after), need the boundary finder; since those neighbours are bounded by breaks on
// their outer side, a run segmented on its own splits exactly as within the whole text. One
// pass finds both the letters to decompose and the runs.
ClusteredText::ClusteredText(const QString& text) {
    const QStringView span(text);
    const char16_t* const p = span.utf16();
    const qsizetype n = span.size();
    decomposed_.reserve(n + n / 8);
    // Never more clusters than code units: filled by index.
    decomposedStarts_ = std::make_unique_for_overwrite<qsizetype[]>(std::size_t(n) + 1);

    // Characters that are their own decomposition and their own cluster, in one piece.
    auto addPlain = [&](qsizetype from, qsizetype to) {
        const qsizetype base = decomposed_.size();
        decomposed_.append(span.sliced(from, to - from));
        qsizetype* const starts = decomposedStarts_.get() + clusterCount_;
        const qsizetype count = to - from;
        // In blocks of a fixed size, which become vector code.
        constexpr qsizetype block = 16;
        qsizetype j = 0;
        for (; j + block <= count; j += block) {
            for (qsizetype k = 0; k < block; ++k)
                starts[j + k] = base + j + k;
        }
        for (; j < count; ++j)
            starts[j] = base + j;
        clusterCount_ += to - from;
    };
    auto addCluster = [&](QStringView piece) {
        decomposedStarts_[clusterCount_++] = decomposed_.size();
        decomposed_ += piece;
    };
    auto addSegmented = [&](qsizetype from, qsizetype to) {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData() + from,
                                   to - from);
        qsizetype start = 0;
        for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
            if (end <= start)
                continue;
            const QStringView piece = span.sliced(from + start, end - start);
            if (isTriviallyDecomposed(piece))
                addCluster(piece);
            else
                addCluster(piece.toString().normalized(QString::NormalizationForm_D));
            start = end;
        }
    };
    auto finish = [&] { decomposedStarts_[clusterCount_] = decomposed_.size(); };

    qsizetype done = 0; // everything before is in
    qsizetype next = 0; // [done, next) are plain characters not yet added
    for (;;) {
        // Below U+00C0 everything but a carriage return is plain.
        next =
            CodeUnitScan::indexOf(span, next, [](char16_t u) { return u >= 0x00C0 || u == u'\r'; });
        if (next == n)
            break;
        if (UnicodeText::isSimpleUnit(p[next])) {
            if (const QString* decomposed = simpleDecomposition(p[next])) {
                addPlain(done, next);
                addCluster(*decomposed);
                done = next + 1;
            }
            ++next;
            continue;
        }
        // A run of other characters, segmented with the simple character before it (taken
        // back when it was already added as a cluster of its own) and the one after.
        qsizetype windowStart = next;
        if (next > done) {
            windowStart = next - 1;
            addPlain(done, windowStart);
        } else if (next > 0) {
            windowStart = next - 1;
            --clusterCount_;
            decomposed_.truncate(decomposedStarts_[clusterCount_]);
        }
        qsizetype windowEnd = next;
        for (;;) {
            for (; windowEnd < n && !UnicodeText::isSimpleUnit(p[windowEnd]); ++windowEnd) {
                if (hasSyllableClusters(p[windowEnd])) {
                    // Clusters of this text may depend on more than the neighbours.
                    clusterCount_ = 0;
                    decomposed_.clear();
                    addSegmented(0, n);
                    finish();
                    return;
                }
            }
            if (windowEnd == n)
                break;
            ++windowEnd; // the simple neighbour after the run
            if (windowEnd == n || UnicodeText::isSimpleUnit(p[windowEnd]))
                break;
        }
        addSegmented(windowStart, windowEnd);
        done = next = windowEnd;
    }
    addPlain(done, n);
    finish();
}

QStringView ClusteredText::cluster(qsizetype i) const {
    return QStringView(decomposed_)
        .sliced(decomposedStarts_[i], decomposedStarts_[i + 1] - decomposedStarts_[i]);
}

qsizetype ClusteredText::clusterBeginningAt(qsizetype decomposedOffset) const {
    const qsizetype* const begin = decomposedStarts_.get();
    const qsizetype* const end = begin + clusterCount_ + 1;
    const qsizetype* const it = std::lower_bound(begin, end, decomposedOffset);
    if (it == end || *it != decomposedOffset)
        return -1;
    return it - begin;
}

// Cluster k is the same in both texts when every cluster before it is (so it starts at the same
// offset), it ends at the same offset, and it lies within the decomposed texts' common prefix.
// That turns a comparison of clusters into one of code units and of offsets.
qsizetype ClusteredText::commonPrefixLength(const ClusteredText& a, const ClusteredText& b) {
    const qsizetype shared = CodeUnitScan::commonPrefix(a.decomposed_, b.decomposed_);
    const qsizetype* const aEnds = a.decomposedStarts_.get() + 1;
    const qsizetype* const bEnds = b.decomposedStarts_.get() + 1;
    return firstWhere(std::min(a.clusterCount(), b.clusterCount()),
                      [&](qsizetype n) { return (aEnds[n] != bEnds[n]) | (aEnds[n] > shared); });
}

// The same from the ends, with offsets counted back from the end of each text.
qsizetype ClusteredText::commonSuffixLength(const ClusteredText& a, const ClusteredText& b) {
    const qsizetype shared = CodeUnitScan::commonSuffix(a.decomposed_, b.decomposed_);
    // Where the n-th cluster from the end begins, counted back from the end.
    const qsizetype* const aLast = a.decomposedStarts_.get() + a.clusterCount() - 1;
    const qsizetype* const bLast = b.decomposedStarts_.get() + b.clusterCount() - 1;
    const qsizetype aSize = a.decomposed_.size();
    const qsizetype bSize = b.decomposed_.size();
    return firstWhere(std::min(a.clusterCount(), b.clusterCount()), [&](qsizetype n) {
        const qsizetype fromEnd = aSize - aLast[-n];
        return (fromEnd != bSize - bLast[-n]) | (fromEnd > shared);
    });
}

} // namespace tandrel
