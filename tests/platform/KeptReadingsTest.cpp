// SPDX-License-Identifier: MIT
#include "platform/linux/KeptReadings.h"

#include "platform/AXNames.h"

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

const QByteArray chromium = ":1.42";
const QByteArray other = ":1.43";
const QByteArray input = "/org/a11y/atspi/accessible/7";

ax::Reading text(const QString& s) {
    return {ax::kSuccess, ax::Value(s)};
}

TEST(KeptReadings, KeepsAnswersUntilTheirApplicationReportsAChange) {
    KeptReadings kept;
    kept.keep(chromium, input, ax::attr::role, text("AXTextArea"), 5, 5);
    kept.keep(chromium, input, ax::attr::subrole, {ax::kNoValue, {}}, 5, 5);
    kept.keep(other, input, ax::attr::role, text("AXButton"), 9, 9);
    ASSERT_TRUE(kept.find(chromium, input, ax::attr::role, 5));
    EXPECT_EQ(*kept.find(chromium, input, ax::attr::role, 5)->value.get<QString>(), "AXTextArea");
    EXPECT_EQ(kept.find(chromium, input, ax::attr::subrole, 5)->error, ax::kNoValue);
    EXPECT_FALSE(kept.find(chromium, input, ax::attr::title, 5));

    // Any change event of the application drops all it had, and nothing of the others.
    EXPECT_FALSE(kept.find(chromium, input, ax::attr::role, 6));
    EXPECT_FALSE(kept.find(chromium, input, ax::attr::subrole, 6));
    EXPECT_TRUE(kept.find(other, input, ax::attr::role, 9));
    EXPECT_EQ(kept.size(), 1u);
}

TEST(KeptReadings, NeverKeepsWhatMayBeStaleOrChangesSilently) {
    KeptReadings kept;
    // An event arrived while the request waited for its reply.
    kept.keep(chromium, input, ax::attr::title, text("a"), 5, 6);
    // Failures are asked again.
    kept.keep(chromium, input, ax::attr::title, {ax::kCannotComplete, {}}, 6, 6);
    // The focus, the frame and the text are read afresh at every evaluation; so are the page's
    // classes and ids, which Chromium changes without an event.
    for (const QLatin1String name :
         {ax::attr::focusedUIElement, ax::attr::position, ax::attr::size, ax::attr::value,
          ax::attr::selectedTextRange, ax::attr::numberOfCharacters, ax::attr::domClassList,
          ax::attr::domIdentifier, ax::attr::identifier})
        kept.keep(chromium, input, name, text("x"), 6, 6);
    EXPECT_EQ(kept.size(), 0u);
    EXPECT_FALSE(kept.find(chromium, input, ax::attr::title, 6));
}

} // namespace
} // namespace tandrel::linuxdesktop
