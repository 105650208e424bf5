// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"

#include <optional>
#include <vector>

namespace tandrel {

// One display, in the desktop's logical coordinates: global, origin at the top left, y down, in
// points (device-independent pixels), as Qt's QScreen::geometry() gives them.
struct ScreenGeometry {
    Rect frame;
    // The frame without panels and docks (QScreen::availableGeometry()).
    Rect visibleFrame;
    // Device pixels per point.
    double devicePixelRatio = 1;
    friend bool operator==(const ScreenGeometry&, const ScreenGeometry&) = default;
};

// The displays of the desktop. Answers are read afresh on every call, so a screen plugged in or a
// panel moved is seen at the next placement.
class Screens {
public:
    virtual ~Screens() = default;
    // The primary screen comes first; empty when no display is known.
    virtual std::vector<ScreenGeometry> screens() = 0;
    // The screen to use when the list is empty (normally none then too).
    virtual std::optional<ScreenGeometry> mainScreen() = 0;
};

// Intersection of two rectangles with non-negative sizes; an empty result has zero size.
Rect intersection(const Rect& a, const Rect& b);
double area(const Rect& r);
// The rectangle shrunk by dx on the left and right and dy at the top and bottom.
Rect insetBy(const Rect& r, double dx, double dy);

} // namespace tandrel
