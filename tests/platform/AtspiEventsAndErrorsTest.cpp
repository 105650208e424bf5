// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiErrors.h"
#include "platform/linux/EventNames.h"

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

using a11y::Change;

TEST(AtspiErrors, TimeoutsGoneElementsAndMissingInterfacesKeepTheirMeaning) {
    EXPECT_EQ(failureFromMessage("org.freedesktop.DBus.Error.NoReply: Did not receive a reply"),
              Failure::notAnswering);
    EXPECT_EQ(failureFromMessage("org.freedesktop.DBus.Error.UnknownObject: no such object"),
              Failure::gone);
    EXPECT_EQ(failureFromMessage("org.freedesktop.DBus.Error.ServiceUnknown: name gone"),
              Failure::gone);
    EXPECT_EQ(failureFromMessage("The application no longer exists"), Failure::gone);
    EXPECT_EQ(failureFromMessage("org.freedesktop.DBus.Error.UnknownMethod: GetText"),
              Failure::unsupported);
    EXPECT_EQ(failureFromMessage("something odd"), Failure::noValue);
}

TEST(EventNames, EachAtspiEventStandsForItsChange) {
    const std::pair<std::pair<const char*, int>, std::optional<Change>> cases[] = {
        {{"object:state-changed:focused", 1}, Change::focus},
        // Losing the focus is not news: the element that gains it reports.
        {{"object:state-changed:focused", 0}, std::nullopt},
        {{"window:activate", 0}, Change::window},
        {{"object:bounds-changed", 0}, Change::bounds},
        {{"object:children-changed:add", 3}, Change::layout},
        {{"object:visible-data-changed", 0}, Change::layout},
        {{"object:text-changed:insert", 0}, Change::text},
        {{"object:state-changed:defunct", 1}, Change::destroyed},
        // A prefix of another event's name is not that event.
        {{"object:state-changed:focusable", 1}, std::nullopt},
        {{"object:property-change:accessible-name", 0}, std::nullopt},
    };
    for (const auto& [event, change] : cases)
        EXPECT_EQ(changeForEvent(event.first, event.second), change) << event.first;
    EXPECT_TRUE(isApplicationChange(Change::focus));
    EXPECT_TRUE(isApplicationChange(Change::window));
    EXPECT_FALSE(isApplicationChange(Change::text));
}

} // namespace
} // namespace tandrel::linuxdesktop
