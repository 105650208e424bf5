// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"
#include "platform/AccessibleElement.h"

#include <cstdint>
#include <vector>

namespace tandrel {

// The visible surface of a composer: the rectangle to place the palette against, the elements
// walked through plus the adjacent panels in the order met, and how many panels widened it.
struct ComposerLayout {
    Rect frame;
    std::vector<a11y::Element> elements;
    std::int64_t panelCount = 0;
};

} // namespace tandrel
