#include "platform/Screens.h"

#include <algorithm>

namespace tandrel {

Rect intersection(const Rect& a, const Rect& b) {
    const double left = std::max(a.x(), b.x());
    const double bottom = std::max(a.y(), b.y());
    const double right = std::min(a.x() + a.width(), b.x() + b.width());
    const double top = std::min(a.y() + a.height(), b.y() + b.height());
    if (right <= left || top <= bottom)
        return Rect(left, bottom, 0, 0);
    return Rect(left, bottom, right - left, top - bottom);
}

double area(const Rect& r) {
    return std::max(r.width(), 0.0) * std::max(r.height(), 0.0);
}

Rect insetBy(const Rect& r, double dx, double dy) {
    return Rect(r.x() + dx, r.y() + dy, r.width() - 2 * dx, r.height() - 2 * dy);
}

Rect pointsFromDevicePixels(const std::vector<ScreenGeometry>& screens, const Rect& deviceRect) {
    if (screens.empty())
        return deviceRect;
    const double primaryHeight = screens.front().frame.height();
    // Each screen's extent in device pixels, top-left origin.
    auto deviceFrame = [&](const ScreenGeometry& screen) {
        const Rect& f = screen.frame;
        const double top = primaryHeight - f.y() - f.height();
        const double ratio = screen.devicePixelRatio > 0 ? screen.devicePixelRatio : 1;
        return Rect(f.x(), top, f.width() * ratio, f.height() * ratio);
    };
    const Point centre{deviceRect.x() + deviceRect.width() / 2,
                       deviceRect.y() + deviceRect.height() / 2};
    const ScreenGeometry* chosen = nullptr;
    for (const ScreenGeometry& screen : screens) {
        const Rect d = deviceFrame(screen);
        if (centre.x >= d.x() && centre.x < d.x() + d.width() && centre.y >= d.y() &&
            centre.y < d.y() + d.height()) {
            chosen = &screen;
            break;
        }
    }
    if (!chosen) {
        double best = 0;
        chosen = &screens.front();
        for (const ScreenGeometry& screen : screens) {
            const double overlap = area(intersection(deviceFrame(screen), deviceRect));
            if (overlap > best) {
                best = overlap;
                chosen = &screen;
            }
        }
    }
    const Rect d = deviceFrame(*chosen);
    const double ratio = chosen->devicePixelRatio > 0 ? chosen->devicePixelRatio : 1;
    return Rect(d.x() + (deviceRect.x() - d.x()) / ratio, d.y() + (deviceRect.y() - d.y()) / ratio,
                deviceRect.width() / ratio, deviceRect.height() / ratio);
}

} // namespace tandrel
