// SPDX-License-Identifier: MIT
#include "core/Prompt.h"
#include "core/Configuration.h"

#include <gtest/gtest.h>

#include <QSet>

#include <thread>

using namespace tandrel;

namespace {

Prompt promptTitled(const QString& title, const QString& text = QStringLiteral("text")) {
    return Prompt(QUuid::createUuid(), title, text);
}

const QString blankMessage = QStringLiteral("Each prompt needs a button label and prompt text.");

QString validationMessage(const Configuration& configuration) {
    try {
        configuration.validate();
    } catch (const ValidationError& error) {
        return error.errorDescription();
    }
    return {};
}

} // namespace

TEST(ButtonLabel, KeepsTheFirstTwoWordsJoinedByOneSpace) {
    EXPECT_EQ(promptTitled("Next step?").buttonLabel(), "Next step?");
    EXPECT_EQ(promptTitled("TLDR").buttonLabel(), "TLDR");
    EXPECT_EQ(promptTitled("  Summarize   this\tthread  please").buttonLabel(), "Summarize this");
    EXPECT_EQ(promptTitled("a\nb c").buttonLabel(), "a b");
    EXPECT_EQ(promptTitled("Antidisestablishmentarianism").buttonLabel(),
              "Antidisestablishmentarianism");
}

TEST(ButtonLabel, SplitsAtEveryUnicodeWhiteSpaceCharacter) {
    // No-break space, line separator, ideographic space, en quad, NEL: all White_Space.
    for (char16_t space : {u'\u00A0', u'\u2028', u'\u3000', u'\u2000', u'\u0085', u'\u000B'}) {
        const QString title = QStringLiteral("one") + QChar(space) + "two" + QChar(space) + "3";
        EXPECT_EQ(promptTitled(title).buttonLabel(), "one two") << int(space);
    }
    // A zero-width space is not White_Space, so it stays inside the word.
    EXPECT_EQ(promptTitled(QStringLiteral("a\u200Bb c")).buttonLabel(),
              QStringLiteral("a\u200Bb c"));
}

TEST(ButtonLabel, WordsBreakAtExactlyTheUnicodeWhiteSpaceCharacters) {
    // The White_Space property list; it is also the whitespace set that validation trims
    // (Zs, tab, U+000A to U+000D, U+0085, U+2028, U+2029). Lookalikes such as the zero-width
    // space U+200B, the word joiner U+2060, U+FEFF and the former space U+180E are not in it.
    const QSet<char16_t> whiteSpace = {0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085,
                                       0x00A0, 0x1680, 0x2000, 0x2001, 0x2002, 0x2003, 0x2004,
                                       0x2005, 0x2006, 0x2007, 0x2008, 0x2009, 0x200A, 0x2028,
                                       0x2029, 0x202F, 0x205F, 0x3000};
    const QUuid id = QUuid::createUuid();
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        const QChar c(char16_t(u & 0xFFFF));
        const bool expected = whiteSpace.contains(c.unicode());
        const QString title = QStringLiteral("a%1b%1c").arg(c);
        EXPECT_EQ(Prompt(id, title, "x").buttonLabel(), expected ? QStringLiteral("a b") : title)
            << std::hex << int(u);
        EXPECT_EQ(validationMessage(Configuration({Prompt(id, QString(c) + c, "x")})),
                  expected ? blankMessage : QString())
            << std::hex << int(u);
    }
}

TEST(ButtonLabel, BlankTitleGivesEmptyLabel) {
    EXPECT_EQ(promptTitled("").buttonLabel(), "");
    EXPECT_EQ(promptTitled(QStringLiteral(" \t\u00A0\n")).buttonLabel(), "");
}

TEST(Validation, EmptyListAndNonBlankPromptsPass) {
    EXPECT_NO_THROW(Configuration().validate());
    EXPECT_NO_THROW(
        Configuration({promptTitled("a", "b"), promptTitled(" x ", "\ty\n")}).validate());
}

TEST(Validation, BlankTitleOrTextFailsWithTheUserMessage) {
    EXPECT_EQ(validationMessage(Configuration({promptTitled("a", "\t\n")})), blankMessage);
    EXPECT_EQ(validationMessage(Configuration({promptTitled("  ", "text")})), blankMessage);
    EXPECT_EQ(validationMessage(Configuration({promptTitled(QStringLiteral("\u00A0\u00A0"))})),
              blankMessage);
    EXPECT_EQ(validationMessage(Configuration({promptTitled("a", QStringLiteral("\u2029\u0085"))})),
              blankMessage);
    // One bad prompt anywhere in the list is enough.
    EXPECT_EQ(validationMessage(Configuration({promptTitled("ok"), promptTitled("")})),
              blankMessage);
}

TEST(Validation, KeepsTheStoredWhitespace) {
    const Configuration configuration({promptTitled(" padded ", "\ttext\n")});
    configuration.validate();
    EXPECT_EQ(configuration.prompts[0].title, " padded ");
    EXPECT_EQ(configuration.prompts[0].text, "\ttext\n");
}

TEST(ValidationErrorType, IsAStdExceptionWithTheMessageInWhat) {
    const ValidationError error(QStringLiteral("Could not verify saved prompts."));
    const std::exception& base = error;
    EXPECT_STREQ(base.what(), "Could not verify saved prompts.");
    EXPECT_EQ(error.errorDescription(), "Could not verify saved prompts.");
}

TEST(PromptEquality, ComparesIdsAndCanonicallyEquivalentText) {
    const QUuid id = QUuid::createUuid();
    const Prompt precomposed(id, QStringLiteral("Caf\u00E9"), QStringLiteral("r\u00E9sum\u00E9"));
    const Prompt decomposed(id, QStringLiteral("Cafe\u0301"), QStringLiteral("re\u0301sume\u0301"));
    EXPECT_EQ(precomposed, decomposed);
    EXPECT_NE(precomposed, Prompt(QUuid::createUuid(), precomposed.title, precomposed.text));
    EXPECT_NE(precomposed, Prompt(id, "Cafe", precomposed.text));
    EXPECT_NE(precomposed, Prompt(id, precomposed.title, QStringLiteral("R\u00E9sum\u00E9")));
}

TEST(ConfigurationEquality, OrderMatters) {
    const Prompt a = promptTitled("a");
    const Prompt b = promptTitled("b");
    EXPECT_EQ(Configuration({a, b}), Configuration({a, b}));
    EXPECT_NE(Configuration({a, b}), Configuration({b, a}));
    EXPECT_NE(Configuration({a}), Configuration({a, a}));
}

TEST(Defaults, AreTheSevenBuiltInsWordForWord) {
    const std::vector<Prompt>& defaults = Prompt::defaults();
    ASSERT_EQ(defaults.size(), 7u);
    const QStringList titles = {"Next step?", "Proceed",  "Step back", "Explain",
                                "TLDR",       "Reorient", "Wrap up"};
    const std::vector<qsizetype> lengths = {277, 252, 166, 132, 4, 59, 106};
    for (size_t i = 0; i < defaults.size(); ++i) {
        EXPECT_EQ(defaults[i].title, titles[qsizetype(i)]);
        EXPECT_EQ(defaults[i].text.size(), lengths[i]) << defaults[i].title.toStdString();
        EXPECT_FALSE(defaults[i].text.contains(u'\n'));
    }
    EXPECT_TRUE(defaults[0].text.startsWith("Next step? (Think through"));
    EXPECT_TRUE(defaults[1].text.contains("it's approved as proposed; If you asked me"));
    EXPECT_TRUE(defaults[2].text.endsWith("prioritisation and operationalization of work."));
    EXPECT_TRUE(defaults[3].text.contains("because I don't understand."));
    EXPECT_EQ(defaults[4].text, "TLDR");
    EXPECT_EQ(defaults[5].text, "Reorient yourself in what has happened since we last talked");
    EXPECT_TRUE(defaults[6].text.endsWith("related to what we did here?"));
    EXPECT_NO_THROW(Configuration(defaults).validate());
}

TEST(Defaults, HaveDistinctIdsThatStayTheSameForTheRun) {
    QSet<QUuid> ids;
    for (const Prompt& prompt : Prompt::defaults()) {
        EXPECT_FALSE(prompt.id.isNull());
        ids.insert(prompt.id);
    }
    EXPECT_EQ(ids.size(), 7);
    EXPECT_EQ(Prompt::defaults(), Prompt::defaults());
}

TEST(Defaults, ConcurrentUsersSeeOneList) {
    std::vector<const std::vector<Prompt>*> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = &Prompt::defaults(); });
    for (std::thread& t : threads)
        t.join();
    for (const auto* list : seen)
        EXPECT_EQ(list, &Prompt::defaults());
}
