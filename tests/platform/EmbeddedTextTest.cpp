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

} // namespace
} // namespace tandrel::linuxdesktop
