// SPDX-License-Identifier: MIT
#include "platform/linux/EmbeddedText.h"

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

const QString kGrin = QString::fromUtf8("\U0001F600"); // two UTF-16 units, one code point
const QString kObj = QString(QChar(kEmbeddedObject));

TEST(OffsetConversion, CodePointsBecomeUtf16UnitsAcrossSurrogatePairs) {
    const QString text = QStringLiteral("a") + kGrin + QStringLiteral("b");
    EXPECT_EQ(utf16OffsetOfCodePoint(text, 0), 0);
    EXPECT_EQ(utf16OffsetOfCodePoint(text, 1), 1);
    EXPECT_EQ(utf16OffsetOfCodePoint(text, 2), 3);
    EXPECT_EQ(utf16OffsetOfCodePoint(text, 3), 4); // the end is a valid offset
    EXPECT_EQ(utf16OffsetOfCodePoint(text, 4), std::nullopt);
    EXPECT_EQ(utf16OffsetOfCodePoint(text, -1), std::nullopt);
}

TEST(OffsetConversion, Utf16UnitsBecomeCodePointsButNeverSplitAPair) {
    const QString text = QStringLiteral("a") + kGrin + QStringLiteral("b");
    EXPECT_EQ(codePointOffsetOfUtf16(text, 0), 0);
    EXPECT_EQ(codePointOffsetOfUtf16(text, 1), 1);
    EXPECT_EQ(codePointOffsetOfUtf16(text, 2), std::nullopt); // between the two halves
    EXPECT_EQ(codePointOffsetOfUtf16(text, 3), 2);
    EXPECT_EQ(codePointOffsetOfUtf16(text, 4), 3);
    EXPECT_EQ(codePointOffsetOfUtf16(text, 5), std::nullopt);
    EXPECT_EQ(codePointOffsetOfUtf16(QString(), 0), 0);
}

TEST(ExpandedText, PlainTextIsUnchangedAndOffsetsCountUtf16) {
    const QString raw = QStringLiteral("hi ") + kGrin + QStringLiteral("!");
    const ExpandedText t = ExpandedText::build(raw, {});
    EXPECT_EQ(t.text(), raw);
    EXPECT_EQ(t.fromRawOffset(4), 5); // the "!" after the emoji
    EXPECT_EQ(t.fromRawOffset(5), raw.size());
    EXPECT_EQ(t.fromRawOffset(6), std::nullopt);
}

TEST(ExpandedText, FirefoxPaddingAfterAnAstralCharacterIsDroppedAndOffsetsSkipIt) {
    const QString pad = QString(QChar(kAstralPadding));
    // Firefox: "a😀\uFEFFb", four code points; Chromium would answer three.
    const ExpandedText t = ExpandedText::build(QStringLiteral("a") + kGrin + pad + "b", {});
    EXPECT_EQ(t.text(), QStringLiteral("a") + kGrin + "b");
    EXPECT_EQ(t.fromRawOffset(2), 3); // at the padding: just after the emoji
    EXPECT_EQ(t.fromRawOffset(3), 3); // the "b"
    EXPECT_EQ(t.fromRawOffset(4), 4);
    // U+FEFF anywhere else is text like any other.
    EXPECT_EQ(ExpandedText::build(pad + "a" + pad, {}).text(), pad + "a" + pad);
}

TEST(ExpandedText, ParagraphsOfAContentEditableAreJoinedByLineFeeds) {
    // Chromium answers one placeholder per paragraph and nothing between them.
    const ExpandedText t =
        ExpandedText::build(kObj + kObj + kObj, {{0, QStringLiteral("First"), true},
                                                 {1, QStringLiteral("Second ") + kGrin, true},
                                                 {2, QStringLiteral("Third"), true}});
    EXPECT_EQ(t.text(), QStringLiteral("First\nSecond ") + kGrin + QStringLiteral("\nThird"));
    // A caret at a paragraph lands at the start of its text, after the line feed.
    EXPECT_EQ(t.fromRawOffset(1), 6);
    EXPECT_EQ(t.embedStart(2), 6 + 7 + 2 + 1);
    EXPECT_EQ(t.fromRawOffset(3), t.text().size());
}

TEST(ExpandedText, ExistingLineFeedsAreNotDoubledAndBlankLinesSurvive) {
    const ExpandedText separated =
        ExpandedText::build(kObj + QStringLiteral("\n") + kObj,
                            {{0, QStringLiteral("a"), true}, {2, QStringLiteral("b"), true}});
    EXPECT_EQ(separated.text(), QStringLiteral("a\nb"));
    // A blank line in a contenteditable is a paragraph holding only a line break.
    const ExpandedText blank =
        ExpandedText::build(kObj + kObj + kObj, {{0, QStringLiteral("a"), true},
                                                 {1, QStringLiteral("\n"), true},
                                                 {2, QStringLiteral("b"), true}});
    EXPECT_EQ(blank.text(), QStringLiteral("a\n\nb"));
}

TEST(ExpandedText, InlineChildrenStayOnTheirLineAndTextAfterABlockStartsANewOne) {
    const ExpandedText inlineLink =
        ExpandedText::build(QStringLiteral("see ") + kObj + QStringLiteral(" now"),
                            {{4, QStringLiteral("docs"), false}});
    EXPECT_EQ(inlineLink.text(), QStringLiteral("see docs now"));
    EXPECT_EQ(inlineLink.fromRawOffset(5), 8);

    const ExpandedText afterBlock =
        ExpandedText::build(kObj + QStringLiteral("tail"), {{0, QStringLiteral("para"), true}});
    EXPECT_EQ(afterBlock.text(), QStringLiteral("para\ntail"));
    EXPECT_EQ(afterBlock.fromRawOffset(1), 5);
}

TEST(ExpandedText, PlaceholdersWithoutAKnownChildVanish) {
    const ExpandedText t =
        ExpandedText::build(QStringLiteral("a") + kObj + QStringLiteral("b"), {});
    EXPECT_EQ(t.text(), QStringLiteral("ab"));
    EXPECT_EQ(t.fromRawOffset(1), 1);
    EXPECT_EQ(t.fromRawOffset(2), 1);
    EXPECT_EQ(t.embedStart(1), std::nullopt);
}

// The contenteditable as Chromium reports it: three paragraph placeholders and nothing between.
ExpandedText threeParagraphs() {
    return ExpandedText::build(
        kObj + kObj + kObj, {{0, QStringLiteral("First paragraph"), true},
                             {1, QStringLiteral("Second ") + kGrin + QStringLiteral(" one"), true},
                             {2, QStringLiteral("Third"), true}});
}
constexpr std::int64_t kSecondStart = 16;  // "First paragraph" and a line feed
constexpr std::int64_t kSecondLength = 13; // the emoji counts two UTF-16 units
using Range = std::optional<std::pair<std::int64_t, std::int64_t>>;

TEST(SelectionMapping, EndsInsideParagraphsLandWhereTheParagraphsSay) {
    const ExpandedText t = threeParagraphs();
    // A word inside the second paragraph: the container reports the paragraph's placeholder
    // through the end just after it.
    const ExpandedText::RawSelection word{1, 2};
    EXPECT_EQ(t.childHoldingStart(word), 1);
    EXPECT_EQ(t.childHoldingEnd(word), 1);
    EXPECT_EQ(t.mapSelection(word, 7, 9), Range({kSecondStart + 7, kSecondStart + 9}));
    EXPECT_EQ(t.text().mid(kSecondStart + 7, 2), kGrin);

    // From inside the first paragraph into the second; each end from its own paragraph.
    const ExpandedText::RawSelection across{0, 2};
    EXPECT_EQ(t.childHoldingStart(across), 0);
    EXPECT_EQ(t.childHoldingEnd(across), 1);
    EXPECT_EQ(t.mapSelection(across, 6, 3), Range({6, kSecondStart + 3}));

    // Reported backwards (selected from right to left): the same range.
    EXPECT_EQ(t.mapSelection({2, 0}, 6, 3), Range({6, kSecondStart + 3}));
}

TEST(SelectionMapping, AParagraphThatCannotSayCountsAsWhollySelected) {
    const ExpandedText t = threeParagraphs();
    // Up to the end of the paragraph's own text, not past the line feed that follows it.
    EXPECT_EQ(t.mapSelection({1, 2}, std::nullopt, std::nullopt),
              Range({kSecondStart, kSecondStart + kSecondLength}));
    EXPECT_EQ(t.mapSelection({0, 3}, 4, std::nullopt), Range({4, t.text().size()}));
}

TEST(SelectionMapping, SelectionsInTheElementsOwnTextAndAroundInlineChildren) {
    const QString raw =
        QStringLiteral("hi ") + kGrin + QStringLiteral(" see ") + kObj + QStringLiteral(" now");
    const ExpandedText t = ExpandedText::build(raw, {{9, QStringLiteral("docs"), false}});
    ASSERT_EQ(t.text(), QStringLiteral("hi ") + kGrin + QStringLiteral(" see docs now"));
    // Own text only: code points become UTF-16 units past the emoji.
    const ExpandedText::RawSelection own{3, 5};
    EXPECT_EQ(t.childHoldingStart(own), std::nullopt);
    EXPECT_EQ(t.childHoldingEnd(own), std::nullopt);
    EXPECT_EQ(t.mapSelection(own, std::nullopt, std::nullopt), Range({3, 6}));
    // From the own text into the middle of a link.
    EXPECT_EQ(t.mapSelection({4, 10}, std::nullopt, 2), Range({5, 12}));
    // An empty selection inside the link has one place, taken from the start.
    EXPECT_EQ(t.childHoldingEnd({9, 9}), 9);
    EXPECT_EQ(t.mapSelection({9, 9}, 3, std::nullopt), Range({13, 13}));
}

TEST(SelectionMapping, ReadingsThatDoNotFitTheTextLeaveTheSelectionAbsent) {
    const ExpandedText t = threeParagraphs();
    EXPECT_EQ(t.mapSelection({1, 2}, 0, kSecondLength + 1), std::nullopt); // past the paragraph
    EXPECT_EQ(t.mapSelection({1, 2}, -1, 2), std::nullopt);
    EXPECT_EQ(t.mapSelection({1, 2}, 5, 3), std::nullopt); // the ends cross
    EXPECT_EQ(t.mapSelection({1, 4}, 0, 0), std::nullopt); // past the container's text
    EXPECT_EQ(t.mapSelection({-1, 1}, 0, 0), std::nullopt);
}

} // namespace
} // namespace tandrel::linuxdesktop
