// SPDX-License-Identifier: MIT
#include "platform/linux/QtScreens.h"

#include <gtest/gtest.h>

namespace tandrel {
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << '(' << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ')';
}
} // namespace tandrel

namespace {

using namespace tandrel;

TEST(ScreenPoints, DevicePixelsBecomePointsOnTheScreenTheyLieOn) {
    const ScreenGeometry hiDpi{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 900), 2};
    // A second screen to the right whose pixels are points, 300 points lower. Each screen keeps
    // its device-pixel corner, so the second starts where the first's pixels end.
    const ScreenGeometry plain{Rect(2880, 300, 1000, 900), Rect(2880, 300, 1000, 900), 1};
    const std::vector<ScreenGeometry> screens{hiDpi, plain};
    struct Case {
        Rect device;
        Rect points;
    };
    const Case cases[] = {
        {Rect(800, 1400, 1200, 160), Rect(400, 700, 600, 80)},
        // On the second screen: its top-left corner is the same in both spaces.
        {Rect(2980, 400, 200, 40), Rect(2980, 400, 200, 40)},
        // Centre nowhere, most of it on the primary screen.
        {Rect(-100, 1700, 400, 200), Rect(-50, 850, 200, 100)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(linuxdesktop::pointsFromDevicePixels(screens, c.device), c.points);
    EXPECT_EQ(linuxdesktop::pointsFromDevicePixels({}, Rect(1, 2, 3, 4)), Rect(1, 2, 3, 4));
}

} // namespace
