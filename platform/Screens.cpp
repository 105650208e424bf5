// SPDX-License-Identifier: MIT
#include "platform/Screens.h"

#include <algorithm>

namespace tandrel {

Rect intersection(const Rect& a, const Rect& b) {
    const double left = std::max(a.x(), b.x());
    const double top = std::max(a.y(), b.y());
    const double right = std::min(a.x() + a.width(), b.x() + b.width());
    const double bottom = std::min(a.y() + a.height(), b.y() + b.height());
    if (right <= left || bottom <= top)
        return Rect(left, top, 0, 0);
    return Rect(left, top, right - left, bottom - top);
}

double area(const Rect& r) {
    return std::max(r.width(), 0.0) * std::max(r.height(), 0.0);
}

Rect insetBy(const Rect& r, double dx, double dy) {
    return Rect(r.x() + dx, r.y() + dy, r.width() - 2 * dx, r.height() - 2 * dy);
}

} // namespace tandrel
