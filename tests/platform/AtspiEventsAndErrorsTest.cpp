// SPDX-License-Identifier: MIT
#include "platform/linux/AtspiErrors.h"
#include "platform/linux/EventNames.h"

#include <gtest/gtest.h>

namespace tandrel::linuxdesktop {
namespace {

TEST(AtspiErrors, TimeoutsGoneElementsAndMissingInterfacesKeepTheirMeaning) {
    EXPECT_EQ(errorFromMessage("org.freedesktop.DBus.Error.NoReply: Did not receive a reply"),
              ax::kCannotComplete);
    EXPECT_EQ(errorFromMessage("org.freedesktop.DBus.Error.UnknownObject: no such object"),
              ax::kInvalidUIElement);
    EXPECT_EQ(errorFromMessage("org.freedesktop.DBus.Error.ServiceUnknown: name gone"),
              ax::kInvalidUIElement);
    EXPECT_EQ(errorFromMessage("The application no longer exists"), ax::kInvalidUIElement);
    EXPECT_EQ(errorFromMessage("org.freedesktop.DBus.Error.UnknownMethod: GetText"),
              ax::kAttributeUnsupported);
    EXPECT_EQ(errorFromMessage("something odd"), ax::kFailure);
}

TEST(EventNames, EachAtspiEventStandsForItsNotifications) {
    EXPECT_EQ(notificationsForEvent("object:state-changed:focused", 1),
              QStringList{"AXFocusedUIElementChanged"});
    // Losing the focus is not news: the element that gains it reports.
    EXPECT_TRUE(notificationsForEvent("object:state-changed:focused", 0).isEmpty());
    EXPECT_EQ(notificationsForEvent("window:activate", 0), QStringList{"AXFocusedWindowChanged"});
    EXPECT_EQ(notificationsForEvent("object:bounds-changed", 0),
              (QStringList{"AXMoved", "AXResized"}));
    EXPECT_EQ(notificationsForEvent("object:children-changed:add", 3),
              QStringList{"AXLayoutChanged"});
    EXPECT_EQ(notificationsForEvent("object:visible-data-changed", 0),
              QStringList{"AXLayoutChanged"});
    EXPECT_EQ(notificationsForEvent("object:text-changed:insert", 0),
              QStringList{"AXValueChanged"});
    EXPECT_EQ(notificationsForEvent("object:state-changed:defunct", 1),
              QStringList{"AXUIElementDestroyed"});
    // A prefix of another event's name is not that event.
    EXPECT_TRUE(notificationsForEvent("object:state-changed:focusable", 1).isEmpty());
    EXPECT_TRUE(notificationsForEvent("object:property-change:accessible-name", 0).isEmpty());
}

TEST(EventNames, ApplicationAndLayoutNotificationsAreToldApart) {
    EXPECT_TRUE(isApplicationNotification("AXFocusedUIElementChanged"));
    EXPECT_TRUE(isApplicationNotification("AXFocusedWindowChanged"));
    EXPECT_FALSE(isApplicationNotification("AXValueChanged"));
    for (const char* n : {"AXMoved", "AXResized", "AXLayoutChanged", "AXValueChanged",
                          "AXUIElementDestroyed", "AXFocusedUIElementChanged"})
        EXPECT_TRUE(isKnownNotification(n)) << n;
    EXPECT_FALSE(isKnownNotification("AXTitleChanged"));
}

} // namespace
} // namespace tandrel::linuxdesktop
