#pragma once

#include "core/Geometry.h"

#include <optional>
#include <vector>

namespace tandrel {

// One display. Window-system coordinates: origin at the bottom left of the primary (first)
// screen, y up, in points (device-independent pixels).
struct ScreenGeometry {
    Rect frame;
    // The frame without panels and docks.
    Rect visibleFrame;
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
    // A rectangle read through accessibility (device pixels, top-left origin) in points, still
    // top-left origin: divided by the device pixel ratio of the screen it lies on.
    virtual Rect pointsFromDevicePixels(const Rect& deviceRect) = 0;
};

// The arithmetic behind Screens::pointsFromDevicePixels, for any list of screens. A screen keeps
// its top-left corner in both spaces and is ratio times larger in device pixels. The rectangle
// belongs to the screen that holds its centre, else to the one it overlaps most, else to the
// primary one.
Rect pointsFromDevicePixels(const std::vector<ScreenGeometry>& screens, const Rect& deviceRect);

// Intersection of two rectangles with non-negative sizes; an empty result has zero size.
Rect intersection(const Rect& a, const Rect& b);
double area(const Rect& r);
// The rectangle shrunk by dx on the left and right and dy at the top and bottom.
Rect insetBy(const Rect& r, double dx, double dy);

} // namespace tandrel
