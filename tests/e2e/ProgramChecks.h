// SPDX-License-Identifier: MIT
#pragma once

#include "testing/TandrelProgram.h"
#include "tests/e2e/PrivateDesktopSuite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace tandrel::e2e {

// One timer period, plus room for a loaded machine; focus events usually show the palette in well
// under 100 ms.
inline constexpr std::chrono::milliseconds kShowTime{1500};
// The palette's gap above the composer, in points, and how far off it may be, in pixels.
inline constexpr double kGapPoints = 10;
inline constexpr double kTolerancePixels = 2;

inline std::string describe(const WindowOnScreen& w) {
    return QStringLiteral("(%1, %2, %3 x %4)")
        .arg(w.x)
        .arg(w.y)
        .arg(w.width)
        .arg(w.height)
        .toStdString();
}

// Where the palette must be: 10 points above the composer surface and centred on it, compared in
// screen pixels (scale pixels per point).
inline ::testing::AssertionResult placedAbove(const WindowOnScreen& palette, const Rect& surface,
                                              double scale = 1) {
    const double gap = surface.y() - (palette.y + palette.height);
    const double offset = (palette.x + palette.width / 2.0) - (surface.x() + surface.width() / 2);
    if (std::abs(gap - kGapPoints * scale) <= kTolerancePixels &&
        std::abs(offset) <= kTolerancePixels)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "palette " << describe(palette) << " is " << gap << " px above the composer "
           << e2e::describe(surface).toStdString() << " (want " << kGapPoints * scale
           << "), its centre off by " << offset << " px";
}

// Starts tandrel with the built-in prompts already saved (so no editor opens) and waits for its
// palette above the page's composer.
inline void startWithPalette(TandrelProgram& tandrel, const OpenedPage& page) {
    ASSERT_TRUE(tandrel.writeDefaultPrompts());
    QString error;
    ASSERT_TRUE(tandrel.start({}, &error)) << error.toStdString();
    ASSERT_TRUE(waitUntil([&] { return tandrel.palette().has_value(); }))
        << "no palette above " << page.url.toStdString() << "; tandrel said:\n"
        << tandrel.output().toStdString();
}

} // namespace tandrel::e2e
