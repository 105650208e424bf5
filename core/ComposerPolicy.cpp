// SPDX-License-Identifier: MIT
#include "core/ComposerPolicy.h"

#include "core/CodeUnitScan.h"
#include "core/UnicodeText.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tandrel::ComposerPolicy {

const QSet<QString>& desktopChatIDs() {
    static const QSet<QString> ids = {
        QStringLiteral("com.anthropic.claudefordesktop"),
        QStringLiteral("com.openai.chat"),
        QStringLiteral("com.openai.codex"),
        QStringLiteral("ai.opencode.desktop"),
    };
    return ids;
}

const QSet<QString>& webChatHosts() {
    static const QSet<QString> hosts = {
        QStringLiteral("chatgpt.com"),
        QStringLiteral("chat.openai.com"),
        QStringLiteral("claude.ai"),
        QStringLiteral("gemini.google.com"),
        QStringLiteral("copilot.microsoft.com"),
        QStringLiteral("perplexity.ai"),
        QStringLiteral("www.perplexity.ai"),
        QStringLiteral("grok.com"),
        QStringLiteral("chat.mistral.ai"),
        QStringLiteral("chat.deepseek.com"),
    };
    return hosts;
}

bool acceptsWebURL(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme != u"http" && scheme != u"https")
        return false;
    QString host = url.host().toLower();
    qsizetype begin = 0;
    qsizetype end = host.size();
    while (begin < end && host[begin] == u'.')
        ++begin;
    while (end > begin && host[end - 1] == u'.')
        --end;
    if (begin == end)
        return false;
    return webChatHosts().contains(host.sliced(begin, end - begin));
}

bool accepts(a11y::Role role, const QString& hints, std::optional<bool> editable) {
    static constexpr std::array<QStringView, 6> rejecting = {u"search", u"find in", u"rename",
                                                             u"title",  u"filter",  u"password"};
    static constexpr std::array<QStringView, 8> accepting = {
        u"message", u"reply", u"ask", u"prompt", u"chat", u"claude", u"follow-up", u"follow up"};

    if (role == a11y::Role::passwordField)
        return false;
    if (editable.has_value() && !*editable)
        return false;
    const QString lowered = hints.toLower();
    for (QStringView word : rejecting) {
        if (lowered.contains(word))
            return false;
    }
    bool accepted = false;
    for (QStringView word : accepting) {
        if (lowered.contains(word)) {
            accepted = true;
            break;
        }
    }
    if (role == a11y::Role::textArea)
        return true;
    if (role == a11y::Role::textField)
        return accepted;
    return false;
}

namespace {

// Whether normalizedText() would change anything in `s`.
bool needsNormalizing(QStringView s) {
    return CodeUnitScan::any(s, [](char16_t c, char16_t next) {
        return (c == u'\r') | (c == 0x00A0) | ((c | 1) == 0x2029) |
               ((c == u'\n') & (next == u'\n'));
    });
}

// Unifies what chat inputs render differently: every line ending becomes a line feed, no-break
// spaces become spaces, and runs of line feeds collapse into one, since some inputs drop empty
// lines. Nothing else changes.
QString normalizedText(const QString& s) {
    // Most texts hold nothing to unify: share them instead of copying a long draft.
    if (!needsNormalizing(s))
        return s;
    QString out(s.size(), Qt::Uninitialized);
    QChar* const begin = out.data();
    QChar* end = begin;
    for (qsizetype i = 0; i < s.size(); ++i) {
        QChar c = s[i];
        switch (c.unicode()) {
        case u'\r':
            if (i + 1 < s.size() && s[i + 1] == u'\n')
                continue; // the line feed that follows stands for the pair
            c = u'\n';
            break;
        case 0x2028:
        case 0x2029:
            c = u'\n';
            break;
        case 0x00A0:
            c = u' ';
            break;
        default:
            break;
        }
        if (c == u'\n' && end != begin && end[-1] == u'\n')
            continue;
        *end++ = c;
    }
    out.truncate(end - begin);
    return out;
}

} // namespace

QString comparableText(const QString& s) {
    return UnicodeText::trimmed(normalizedText(s));
}

std::optional<QString> expectedValue(const QString& before, const QString& inserted,
                                     std::optional<TextRange> selection) {
    if (!selection)
        return std::nullopt;
    const std::int64_t location = selection->location;
    const std::int64_t length = selection->length;
    if (location == TextRange::notFound || location < 0 || length < 0)
        return std::nullopt;
    const std::int64_t n = before.size();
    if (location > n || n - location < length)
        return std::nullopt;
    QString expected = before;
    expected.replace(qsizetype(location), qsizetype(length), inserted);
    return expected;
}

namespace {

// The search looks for the comparable inserted text I in the comparable after-text A, and
// accepts an occurrence when the part of A before it (P) begins a candidate C made from the
// before-text and the part after it (S) ends C, without the two overlapping in C.
//
// Everything is compared as whole characters under canonical equivalence (ClusteredText):
// - An occurrence of I is a run of whole clusters of A whose decomposition equals that of I,
//   found by a code-unit search in the decomposed A and kept only when both ends fall on
//   cluster boundaries.
// - P is then the first k clusters of A and S its last m clusters, so "C begins with P" is
//   "A and C share at least k leading clusters", and likewise for S. The shared lengths are
//   computed once per candidate, which keeps each occurrence's test constant in cost.
// - The non-overlap test counts UTF-16 code units of the decomposed forms. In one and the same
//   form this is the plain UTF-16 count; counting the decomposed form keeps the test right
//   when the input hands the text back in another normalization form than it was typed in
//   (a precomposed "é" read back as "e" and a combining accent would otherwise make P look
//   longer than the old text and wrongly refuse the insertion).
bool verifiedByClusters(const QString& n, const QString& b, const QString& after,
                        const QString& inserted, const std::optional<QString>& expected) {
    const ClusteredText candidateN(n);
    // B is N trimmed: the same text unless N begins or ends with whitespace.
    std::optional<ClusteredText> trimmedB;
    if (b.size() != n.size())
        trimmedB.emplace(b);
    const ClusteredText& candidateB = trimmedB ? *trimmedB : candidateN;
    const ClusteredText a(after);

    if (a.decomposed() == candidateB.decomposed())
        return false;
    if (expected && ClusteredText(*expected).decomposed() == a.decomposed())
        return true;

    const ClusteredText i(inserted);
    if (i.decomposed().isEmpty())
        return false;

    struct Candidate {
        const ClusteredText* text;
        qsizetype sharedPrefix;
        qsizetype sharedSuffix;
    };
    const Candidate forN{&candidateN, ClusteredText::commonPrefixLength(a, candidateN),
                         ClusteredText::commonSuffixLength(a, candidateN)};
    const std::array<Candidate, 2> candidates = {
        forN,
        trimmedB ? Candidate{&candidateB, ClusteredText::commonPrefixLength(a, candidateB),
                             ClusteredText::commonSuffixLength(a, candidateB)}
                 : forN,
    };

    const QString& haystack = a.decomposed();
    const QString& needle = i.decomposed();
    qsizetype from = 0;
    while (from <= haystack.size()) {
        const qsizetype hit = haystack.indexOf(needle, from);
        if (hit < 0)
            return false;
        const qsizetype first = a.clusterBeginningAt(hit);
        const qsizetype end = first < 0 ? -1 : a.clusterBeginningAt(hit + needle.size());
        if (first < 0 || end < 0) {
            // The match splits a character (say, it ends on a base letter whose accent follows).
            from = hit + 1;
            continue;
        }
        const qsizetype prefixClusters = first;
        const qsizetype suffixClusters = a.clusterCount() - end;
        const qsizetype prefixUnits = a.decomposedStart(first);
        const qsizetype suffixUnits = haystack.size() - a.decomposedStart(end);
        for (const Candidate& c : candidates) {
            if (c.sharedPrefix >= prefixClusters && c.sharedSuffix >= suffixClusters &&
                c.text->decomposed().size() >= prefixUnits + suffixUnits)
                return true;
        }
        if (first >= a.clusterCount())
            return false;
        // Next try starts one character into this occurrence, so overlapping ones are seen.
        from = a.decomposedStart(first + 1);
    }
    return false;
}

// The same search for simple texts (UnicodeText::isSimpleText), where every code unit is a
// cluster and canonical equivalence is plain equality: no segmentation, no decomposition.
bool verifiedByCodeUnits(const QString& n, const QString& b, const QString& a, const QString& i,
                         const std::optional<QString>& expected) {
    if (a == b)
        return false;
    if (expected && *expected == a)
        return true;
    if (i.isEmpty())
        return false;

    struct Candidate {
        qsizetype size;
        qsizetype sharedPrefix;
        qsizetype sharedSuffix;
    };
    const std::array<Candidate, 2> candidates = {
        Candidate{n.size(), CodeUnitScan::commonPrefix(a, n), CodeUnitScan::commonSuffix(a, n)},
        Candidate{b.size(), CodeUnitScan::commonPrefix(a, b), CodeUnitScan::commonSuffix(a, b)},
    };
    for (qsizetype hit = a.indexOf(i); hit >= 0; hit = a.indexOf(i, hit + 1)) {
        const qsizetype prefix = hit;
        const qsizetype suffix = a.size() - hit - i.size();
        for (const Candidate& c : candidates) {
            if (c.sharedPrefix >= prefix && c.sharedSuffix >= suffix && c.size >= prefix + suffix)
                return true;
        }
    }
    return false;
}

} // namespace

bool insertionVerified(const QString& before, const QString& after, const QString& inserted,
                       const std::optional<QString>& expected) {
    const QString n = normalizedText(before);
    const QString b = UnicodeText::trimmed(n);
    const QString a = comparableText(after);
    const QString i = comparableText(inserted);
    const std::optional<QString> e =
        expected ? std::optional<QString>(comparableText(*expected)) : std::nullopt;
    // A long draft is checked up to twenty times per send; most drafts are simple text.
    const bool simple = UnicodeText::isSimpleText(n) && UnicodeText::isSimpleText(a) &&
                        UnicodeText::isSimpleText(i) && (!e || UnicodeText::isSimpleText(*e));
    return simple ? verifiedByCodeUnits(n, b, a, i, e) : verifiedByClusters(n, b, a, i, e);
}

namespace detail {

bool insertionVerifiedByClusters(const QString& before, const QString& after,
                                 const QString& inserted, const std::optional<QString>& expected) {
    const QString n = normalizedText(before);
    return verifiedByClusters(
        n, UnicodeText::trimmed(n), comparableText(after), comparableText(inserted),
        expected ? std::optional<QString>(comparableText(*expected)) : std::nullopt);
}

} // namespace detail

} // namespace tandrel::ComposerPolicy
