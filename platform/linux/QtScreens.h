#pragma once

#include "platform/Screens.h"

namespace tandrel::linuxdesktop {

// The displays as Qt sees them (QGuiApplication::screens(), primary first), flipped to bottom-left
// coordinates about the primary screen's height. Without a QGuiApplication (a console tool runs a
// QCoreApplication) there are no screens.
class QtScreens final : public Screens {
public:
    std::vector<ScreenGeometry> screens() override;
    std::optional<ScreenGeometry> mainScreen() override;
    Rect pointsFromDevicePixels(const Rect& deviceRect) override;
};

} // namespace tandrel::linuxdesktop
