// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Screens.h"

namespace tandrel::linuxdesktop {

// The displays as Qt sees them (QGuiApplication::screens(), primary first), in Qt's logical
// coordinates. Without a QGuiApplication (a console tool runs a QCoreApplication) there are no
// screens.
class QtScreens final : public Screens {
public:
    std::vector<ScreenGeometry> screens() override;
    std::optional<ScreenGeometry> mainScreen() override;

    // A rectangle the accessibility tree reports (device pixels, top-left origin) in points:
    // how the desktop adapter turns what other programs report into the screens' space.
    Rect pointsFromDevicePixels(const Rect& deviceRect);
};

// The arithmetic behind QtScreens::pointsFromDevicePixels, for any list of screens. A screen keeps
// its top-left corner in both spaces and is ratio times larger in device pixels, as Qt scales an
// X11 screen. The rectangle belongs to the screen that holds its centre, else to the one it
// overlaps most, else to the primary one. Without screens it is taken as it is.
Rect pointsFromDevicePixels(const std::vector<ScreenGeometry>& screens, const Rect& deviceRect);

} // namespace tandrel::linuxdesktop
