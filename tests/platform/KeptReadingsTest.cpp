// SPDX-License-Identifier: MIT
#include "platform/linux/KeptReadings.h"

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

using a11y::Question;

const QByteArray chromium = ":1.42";
const QByteArray other = ":1.43";
const QByteArray input = "/org/a11y/atspi/accessible/7";

Result<QString> text(const QString& s) {
    return s;
}

TEST(KeptReadings, KeepsAnswersUntilTheirApplicationReportsAChange) {
    KeptReadings kept;
    kept.keep(chromium, input, Question::role, Result<a11y::Role>(a11y::Role::textArea), 5, 5);
    kept.keep(chromium, input, Question::placeholder, Result<QString>(Failure::noValue), 5, 5);
    kept.keep(other, input, Question::role, Result<a11y::Role>(a11y::Role::other), 9, 9);
    const auto role = kept.find(chromium, input, Question::role, 5);
    ASSERT_TRUE(role);
    EXPECT_EQ(*std::get<Result<a11y::Role>>(*role), a11y::Role::textArea);
    EXPECT_TRUE(std::get<Result<QString>>(*kept.find(chromium, input, Question::placeholder, 5))
                    .failedWith(Failure::noValue));
    EXPECT_FALSE(kept.find(chromium, input, Question::name, 5));

    // Any change event of the application drops all it had, and nothing of the others.
    EXPECT_FALSE(kept.find(chromium, input, Question::role, 6));
    EXPECT_FALSE(kept.find(chromium, input, Question::placeholder, 6));
    EXPECT_TRUE(kept.find(other, input, Question::role, 9));
    EXPECT_EQ(kept.size(), 1u);
}

TEST(KeptReadings, NeverKeepsWhatMayBeStaleOrChangesSilently) {
    KeptReadings kept;
    // An event arrived while the request waited for its reply.
    kept.keep(chromium, input, Question::name, text("a"), 5, 6);
    // Failures other than "no value" are asked again.
    kept.keep(chromium, input, Question::name, Result<QString>(Failure::notAnswering), 6, 6);
    kept.keep(chromium, input, Question::name, Result<QString>(Failure::gone), 6, 6);
    // The focus, the frame and the text are read afresh at every evaluation; so are the page's
    // classes and ids, which Chromium changes without an event.
    for (const Question q : {Question::focusedElement, Question::frame, Question::text,
                             Question::classes, Question::identifier, Question::isAwake})
        kept.keep(chromium, input, q, text("x"), 6, 6);
    EXPECT_EQ(kept.size(), 0u);
    EXPECT_FALSE(kept.find(chromium, input, Question::name, 6));
}

} // namespace
} // namespace tandrel::linuxdesktop
