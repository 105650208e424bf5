// SPDX-License-Identifier: MIT
#pragma once

#include "platform/Screens.h"

namespace tandrel::sim {

// Screens that a test sets. Starts with one 1440 × 900 screen whose top 25 points are taken by a
// panel, at ratio 1.
class SimScreens final : public Screens {
public:
    SimScreens();

    std::vector<ScreenGeometry> screens() override { return m_screens; }
    std::optional<ScreenGeometry> mainScreen() override { return m_main; }

    // The first screen is the primary one. The main screen follows the first one unless set.
    void setScreens(std::vector<ScreenGeometry> screens);
    void setMainScreen(std::optional<ScreenGeometry> screen) { m_main = std::move(screen); }

private:
    std::vector<ScreenGeometry> m_screens;
    std::optional<ScreenGeometry> m_main;
};

} // namespace tandrel::sim
