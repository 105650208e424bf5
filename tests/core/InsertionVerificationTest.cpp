// SPDX-License-Identifier: MIT
#include "core/ComposerPolicy.h"
#include "core/ComposerTextSnapshot.h"
#include "core/UnicodeText.h"

#include <gtest/gtest.h>

#include <QTextBoundaryFinder>

#include <random>

using namespace tandrel;

namespace {

const QString prompt = QStringLiteral("Summarize the thread");

bool verified(const QString& before, const QString& after, std::optional<TextRange> selection,
              const QString& inserted = prompt) {
    return ComposerPolicy::insertionVerified(
        before, after, inserted, ComposerPolicy::expectedValue(before, inserted, selection));
}

TextRange at(std::int64_t location, std::int64_t length = 0) {
    return {location, length};
}

} // namespace

TEST(ComparableText, UnifiesLineEndingsAndSpacesThenTrims) {
    EXPECT_EQ(ComposerPolicy::comparableText("a\r\nb\rc"), "a\nb\nc");
    EXPECT_EQ(ComposerPolicy::comparableText(QStringLiteral("a\u2028b\u2029c\u00A0d")),
              "a\nb\nc d");
    EXPECT_EQ(ComposerPolicy::comparableText("one\n\n\ntwo\r\n\r\nthree"), "one\ntwo\nthree");
    EXPECT_EQ(ComposerPolicy::comparableText(QStringLiteral(" \t\u3000x\u0085 \n")), "x");
    // Tabs, zero-width spaces and case inside the text stay.
    EXPECT_EQ(ComposerPolicy::comparableText(QStringLiteral("A\tb\u200Bc")),
              QStringLiteral("A\tb\u200Bc"));
}

TEST(ExpectedValue, ReplacesTheSelectionOrGivesNothingWhenItDoesNotFit) {
    EXPECT_EQ(ComposerPolicy::expectedValue("one two three", "2", at(4, 3)), "one 2 three");
    EXPECT_EQ(ComposerPolicy::expectedValue("", "X", at(0)), "X");
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", at(2)), "abX");
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", std::nullopt), std::nullopt);
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", at(3)), std::nullopt);
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", at(1, 2)), std::nullopt);
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", at(-1)), std::nullopt);
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", at(0, -1)), std::nullopt);
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", at(TextRange::notFound)), std::nullopt);
    // Huge values must not overflow into a range that seems to fit.
    EXPECT_EQ(ComposerPolicy::expectedValue("ab", "X", at(1, INT64_MAX)), std::nullopt);
}

TEST(ExpectedValue, CountsAnEmojiAsTwoCodeUnits) {
    const QString before = QStringLiteral("\U0001F600 hi");
    EXPECT_EQ(ComposerPolicy::expectedValue(before, "X", at(2)), QStringLiteral("\U0001F600X hi"));
    EXPECT_EQ(ComposerPolicy::expectedValue(before, "X", at(0, 2)), "X hi");
    EXPECT_EQ(ComposerPolicy::expectedValue(before, "X", at(5)), QStringLiteral("\U0001F600 hiX"));
    EXPECT_EQ(ComposerPolicy::expectedValue(before, "X", at(6)), std::nullopt);
}

TEST(InsertionVerified, PasteIntoEmptyOrAfterExistingText) {
    EXPECT_TRUE(verified("", prompt, at(0)));
    EXPECT_TRUE(verified("", prompt, std::nullopt));
    // The old text's trailing space survives only in N, which P has to begin.
    EXPECT_TRUE(verified("Note: ", "Note: " + prompt, std::nullopt));
    // Leading spaces are trimmed from A, so only B matches.
    EXPECT_TRUE(verified("  Hi", "  Hi" + prompt, std::nullopt));
    EXPECT_TRUE(verified("Dear bot,", "Dear " + prompt + "bot,", std::nullopt));
}

TEST(InsertionVerified, SeparatorsAddedByTheInputAreNotAcceptedAsTheSplice) {
    EXPECT_FALSE(verified("Hello", "Hello " + prompt, at(5)));
    EXPECT_FALSE(verified("x", "x\n\n" + prompt, at(1)));
    EXPECT_FALSE(verified("x", "x\n\n" + prompt, std::nullopt));
}

TEST(InsertionVerified, UnchangedInputNeverVerifies) {
    EXPECT_FALSE(verified("abc", "abc", at(0), "abc"));
    EXPECT_FALSE(verified(prompt, prompt, at(0, 0)));
    EXPECT_FALSE(verified("abc \n", "abc", at(0), "abc"));
    // The same text in another form is no change either.
    EXPECT_FALSE(verified("a\r\n\r\nb", QStringLiteral("a\u2029b"), std::nullopt, "b"));
}

TEST(InsertionVerified, ReplacedSelectionVerifies) {
    EXPECT_TRUE(verified("one two three", "one 2 three", at(4, 3), "2"));
    EXPECT_TRUE(verified("one two three", "one 2 three", std::nullopt, "2"));
    // The kept parts may not overlap in the old text: "ab" + X + "ba" cannot come from "aba".
    EXPECT_FALSE(verified("aba", "abXba", std::nullopt, "X"));
}

TEST(InsertionVerified, WhitespaceOnlyPromptNeedsTheExpectedValue) {
    EXPECT_FALSE(verified("abc", "abc\n  \nz", std::nullopt, " \n "));
    EXPECT_TRUE(verified("ab", "a \tb", at(1), " \t"));
}

TEST(InsertionVerified, UnusableSelectionLeavesTheDecisionToTheSearch) {
    EXPECT_TRUE(verified("abc", "abc" + prompt, at(9)));
    EXPECT_TRUE(verified("abc", "abc" + prompt, at(2, 5)));
    EXPECT_TRUE(verified("abc", "abc" + prompt, at(TextRange::notFound)));
    // A wrong but usable selection does not refuse a splice the search can prove.
    EXPECT_TRUE(verified("abc", prompt + "abc", at(3)));
}

TEST(InsertionVerified, LineEndingsAndSpacesMayComeBackInAnotherForm) {
    EXPECT_TRUE(verified("a\r\nb", "a\nb" + prompt, std::nullopt));
    EXPECT_TRUE(verified("a b\nc", QStringLiteral("a\u00A0b\u2028c") + prompt, std::nullopt));
    EXPECT_TRUE(verified("a\n\nb", "a\nb" + prompt, at(4)));
}

TEST(InsertionVerified, TriesOverlappingOccurrences) {
    // The first "aa" in A would leave P empty and S "aa" (B = "a" does not end with it); the
    // occurrence one character later is the real splice.
    EXPECT_TRUE(verified("a", "aaa", std::nullopt, "aa"));
    EXPECT_TRUE(verified("xa", "xaaa", std::nullopt, "aa"));
}

TEST(InsertionVerified, CanonicallyEquivalentTextsCompareEqual) {
    const QString precomposed = QStringLiteral("Caf\u00E9 ");
    const QString decomposed = QStringLiteral("Cafe\u0301 ");
    // The input hands the old text back decomposed after the paste.
    EXPECT_TRUE(verified(precomposed, decomposed + prompt, std::nullopt));
    EXPECT_TRUE(verified(decomposed, precomposed + prompt, std::nullopt));
    // A prompt typed precomposed and read back decomposed.
    EXPECT_TRUE(verified("x ", QStringLiteral("x re\u0301sume\u0301"), std::nullopt,
                         QStringLiteral("r\u00E9sum\u00E9")));
    EXPECT_TRUE(verified("", QStringLiteral("e\u0301"), at(0), QStringLiteral("\u00E9")));
    // The kept parts may not overlap in the old text, whatever form either text is in:
    // "éa" + X + "aé" cannot come from "éaé". Counted in the code units of the forms as read
    // (2 + 2 of 5) they would seem to fit.
    EXPECT_FALSE(verified(QStringLiteral("e\u0301ae\u0301"), QStringLiteral("\u00E9aXa\u00E9"),
                          std::nullopt, "X"));
    EXPECT_TRUE(verified(QStringLiteral("e\u0301ae\u0301"), QStringLiteral("\u00E9aX\u00E9"),
                         std::nullopt, "X"));
    // Only re-encoding the old text is not a change.
    EXPECT_FALSE(verified(precomposed, decomposed, std::nullopt, "e"));
}

TEST(InsertionVerified, MatchesWholeCharactersOnly) {
    // "e" occurs in "é" (as e + accent) but is not a character of A, nor is A's prefix "Caf"
    // followed by the bare letter.
    EXPECT_FALSE(verified("Caf", QStringLiteral("Cafe\u0301"), std::nullopt, "e"));
    // An emoji with a skin tone is one character; the bare emoji is not a prefix of it.
    EXPECT_FALSE(verified(QStringLiteral("\U0001F44B"), QStringLiteral("\U0001F44B\U0001F3FD"),
                          std::nullopt, QStringLiteral("\U0001F3FD")));
}

TEST(InsertionVerified, EmojiSelectionUsesUtf16Offsets) {
    const QString before = QStringLiteral("\U0001F600\U0001F600");
    EXPECT_TRUE(verified(before, QStringLiteral("\U0001F600X\U0001F600"), at(2), "X"));
    EXPECT_TRUE(verified(before, QStringLiteral("\U0001F600X"), at(2, 2), "X"));
}

TEST(Snapshot, OnlyTwoAnsweredReadingsCanVerify) {
    EXPECT_FALSE(ComposerTextSnapshot().isReadable());
    EXPECT_TRUE(ComposerTextSnapshot(QString()).isReadable()) << "an empty input did answer";

    // An input that did not answer before or after proves nothing, not even when the other
    // reading holds exactly the prompt.
    const ComposerTextSnapshot unread;
    const ComposerTextSnapshot empty(QString{});
    const ComposerTextSnapshot pasted(prompt);
    EXPECT_TRUE(empty.verifiesInsertion(pasted, prompt, at(0)));
    EXPECT_FALSE(unread.verifiesInsertion(pasted, prompt, at(0)));
    EXPECT_FALSE(empty.verifiesInsertion(unread, prompt, at(0)));
    EXPECT_FALSE(empty.verifiesInsertion(empty, prompt, at(0)));
}

TEST(Snapshot, LongInputWithPromptInTheMiddle) {
    QString text;
    while (text.size() < 20000)
        text += QStringLiteral("Line of chat text with caf\u00E9 and words.\n");
    const QString inserted = QString(300, u'p');
    const qsizetype middle = text.size() / 2;
    const ComposerTextSnapshot before(text);
    const ComposerTextSnapshot after(QString(text).insert(middle, inserted));
    EXPECT_TRUE(before.verifiesInsertion(after, inserted, at(middle)));
    EXPECT_TRUE(before.verifiesInsertion(after, inserted, std::nullopt));
    EXPECT_FALSE(before.verifiesInsertion(after, inserted + "q", std::nullopt));
}

TEST(InsertionVerified, ShortcutForSimpleTextGivesTheAnswersOfTheFullComparison) {
    // Small alphabets make splices, overlaps, near misses and re-encoded line breaks common.
    // "é", "й", "ΐ" and "が" decompose; U+0301 and U+3099 are the marks that make texts
    // equivalent to them, and force the full comparison when present.
    const std::vector<QString> alphabet = {"a",
                                           "b",
                                           " ",
                                           "\n",
                                           "\r",
                                           "\r\n",
                                           QStringLiteral("\u00A0"),
                                           QStringLiteral("\u2028"),
                                           QStringLiteral("\u00E9"),
                                           QStringLiteral("\u0439"),
                                           QStringLiteral("\u0390"),
                                           QStringLiteral("\u304C"),
                                           QStringLiteral("\u4E2D"),
                                           "e",
                                           QStringLiteral("\u0301"),
                                           QStringLiteral("\u3099")};
    std::mt19937 random(20240611);
    auto pick = [&](int upTo) { return int(std::uniform_int_distribution<int>(0, upTo)(random)); };
    auto text = [&](int maxLength, int symbols) {
        QString s;
        for (int k = pick(maxLength); k > 0; --k)
            s += alphabet[pick(symbols)];
        return s;
    };
    int verifiedCount = 0;
    for (int round = 0; round < 20000; ++round) {
        // Most rounds stay simple, so the shortcut is the path under test.
        const int symbols = round % 4 == 0 ? int(alphabet.size()) - 1 : int(alphabet.size()) - 3;
        const QString before = text(6, symbols);
        const QString inserted = text(3, symbols);
        const qsizetype location = pick(int(before.size()));
        const qsizetype length = pick(int(before.size() - location));
        QString after = QString(before).replace(location, length, inserted);
        if (pick(2) == 0)
            after.insert(pick(int(after.size())), alphabet[pick(symbols)]);
        const auto selection =
            pick(2) == 0 ? std::nullopt : std::optional<TextRange>(at(location, length));
        const auto expected = ComposerPolicy::expectedValue(before, inserted, selection);
        const bool fast = ComposerPolicy::insertionVerified(before, after, inserted, expected);
        ASSERT_EQ(fast, ComposerPolicy::detail::insertionVerifiedByClusters(before, after, inserted,
                                                                            expected))
            << "before \"" << before.toStdString() << "\" after \"" << after.toStdString()
            << "\" inserted \"" << inserted.toStdString() << "\"";
        verifiedCount += fast;
    }
    // Both answers occur often, or the campaign would prove little.
    EXPECT_GT(verifiedCount, 4000);
    EXPECT_LT(verifiedCount, 16000);
}

namespace {

// Clusters and their decompositions computed the plain way: the boundary finder over the whole
// text, every cluster normalized on its own.
struct PlainClusters {
    QString decomposed;
    std::vector<qsizetype> starts;
    std::vector<QString> clusters;

    explicit PlainClusters(const QString& text) {
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
        qsizetype from = 0;
        for (qsizetype to = finder.toNextBoundary(); to != -1; to = finder.toNextBoundary()) {
            if (to == from)
                continue;
            clusters.push_back(text.mid(from, to - from).normalized(QString::NormalizationForm_D));
            starts.push_back(decomposed.size());
            decomposed += clusters.back();
            from = to;
        }
        starts.push_back(decomposed.size());
    }
    static qsizetype sharedPrefix(const PlainClusters& x, const PlainClusters& y) {
        qsizetype n = 0;
        while (n < qsizetype(std::min(x.clusters.size(), y.clusters.size())) &&
               x.clusters[n] == y.clusters[n])
            ++n;
        return n;
    }
    static qsizetype sharedSuffix(const PlainClusters& x, const PlainClusters& y) {
        qsizetype n = 0;
        while (n < qsizetype(std::min(x.clusters.size(), y.clusters.size())) &&
               x.clusters[x.clusters.size() - 1 - n] == y.clusters[y.clusters.size() - 1 - n])
            ++n;
        return n;
    }
};

} // namespace

// The clustered text segments only around characters outside the simple scripts and looks up
// simple characters' decompositions in a table; its clusters, decomposition and shared lengths
// must be those of the plain computation for any text: combining marks in both orders, emoji
// with skin tones and joiners, flags, Hangul syllables and jamo, Indic conjuncts, prepended
// marks, CRLF, and long stretches of plain letters that cross the vectorized blocks.
TEST(ClusteredText, GivesThePlainComputationsClustersOnRandomText) {
    const std::vector<QString> rare = {"\r\n",
                                       "\r",
                                       "\t",
                                       QStringLiteral("\u00A0"),
                                       QStringLiteral("\u2028"),
                                       QStringLiteral("e\u0301"),
                                       QStringLiteral("\u0301\u0316"),
                                       QStringLiteral("\u0316"),
                                       QStringLiteral("\u00E9"),
                                       QStringLiteral("\u01D5"),
                                       QStringLiteral("\u0390"),
                                       QStringLiteral("\u03AC"),
                                       QStringLiteral("\u0439"),
                                       QStringLiteral("\u304C"),
                                       QStringLiteral("\u304B\u3099"),
                                       QStringLiteral("\u4E2D"),
                                       QStringLiteral("\U0001F600"),
                                       QStringLiteral("\U0001F469\U0001F3FD\u200D\U0001F4BB"),
                                       QStringLiteral("\u200D"),
                                       QStringLiteral("\U0001F1EB\U0001F1F7"),
                                       QStringLiteral("\U0001F1EB"),
                                       QStringLiteral("\u00A9\uFE0F"),
                                       QStringLiteral("\u00A9"),
                                       QStringLiteral("\uD55C"),
                                       QStringLiteral("\u1112\u1161\u11AB"),
                                       QStringLiteral("\u0915\u094D\u0937"),
                                       QStringLiteral("\u0600"),
                                       QStringLiteral("\uFE0F"),
                                       QStringLiteral("\u0345"),
                                       QStringLiteral("\u1E69"),
                                       QStringLiteral("\u0E01\u0E33"),
                                       QStringLiteral("\u1780\u17D2\u1780")};
    std::mt19937 random(20261207);
    auto pick = [&](int upTo) { return int(std::uniform_int_distribution<int>(0, upTo)(random)); };
    auto text = [&](int pieces) {
        QString s;
        for (int k = pick(pieces); k > 0; --k)
            s += pick(3) == 0 ? rare[pick(int(rare.size()) - 1)]
                              : QString(pick(40), QChar(u'a' + pick(25)));
        return s;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString x = text(12);
        QString y = x;
        y.replace(pick(int(y.size())), pick(3), text(2));
        SCOPED_TRACE("x \"" + x.toStdString() + "\" y \"" + y.toStdString() + "\"");
        const ClusteredText cx(x);
        const ClusteredText cy(y);
        const PlainClusters px(x);
        const PlainClusters py(y);
        ASSERT_EQ(cx.decomposed(), px.decomposed);
        ASSERT_EQ(cx.clusterCount() + 1, qsizetype(px.starts.size()));
        for (qsizetype c = 0; c <= cx.clusterCount(); ++c)
            ASSERT_EQ(cx.decomposedStart(c), px.starts[c]) << "cluster " << c;
        ASSERT_EQ(ClusteredText::commonPrefixLength(cx, cy), PlainClusters::sharedPrefix(px, py));
        ASSERT_EQ(ClusteredText::commonSuffixLength(cx, cy), PlainClusters::sharedSuffix(px, py));
    }
}
