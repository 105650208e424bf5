// SPDX-License-Identifier: MIT
#include "platform/sim/SimScreens.h"

namespace tandrel::sim {

SimScreens::SimScreens() {
    setScreens({ScreenGeometry{Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875), 1}});
}

void SimScreens::setScreens(std::vector<ScreenGeometry> screens) {
    m_screens = std::move(screens);
    m_main = m_screens.empty() ? std::nullopt : std::optional(m_screens.front());
}

} // namespace tandrel::sim
