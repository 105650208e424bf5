// SPDX-License-Identifier: MIT
#include "platform/linux/QtScreens.h"

#include <QGuiApplication>
#include <QScreen>

namespace tandrel::linuxdesktop {

namespace {

QList<QScreen*> qtScreens() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    return QGuiApplication::screens();
}

Rect rectOf(const QRect& r) {
    return Rect(r.x(), r.y(), r.width(), r.height());
}

ScreenGeometry geometryOf(const QScreen& screen) {
    return ScreenGeometry{rectOf(screen.geometry()), rectOf(screen.availableGeometry()),
                          screen.devicePixelRatio()};
}

double ratioOf(const ScreenGeometry& screen) {
    return screen.devicePixelRatio > 0 ? screen.devicePixelRatio : 1;
}

// A screen's extent in device pixels.
Rect deviceFrame(const ScreenGeometry& screen) {
    const Rect& f = screen.frame;
    return Rect(f.x(), f.y(), f.width() * ratioOf(screen), f.height() * ratioOf(screen));
}

} // namespace

std::vector<ScreenGeometry> QtScreens::screens() {
    std::vector<ScreenGeometry> result;
    for (const QScreen* screen : qtScreens())
        result.push_back(geometryOf(*screen));
    return result;
}

std::optional<ScreenGeometry> QtScreens::mainScreen() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    return geometryOf(*primary);
}

Rect QtScreens::pointsFromDevicePixels(const Rect& deviceRect) {
    return linuxdesktop::pointsFromDevicePixels(screens(), deviceRect);
}

Rect pointsFromDevicePixels(const std::vector<ScreenGeometry>& screens, const Rect& deviceRect) {
    if (screens.empty())
        return deviceRect;
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
    const double ratio = ratioOf(*chosen);
    return Rect(d.x() + (deviceRect.x() - d.x()) / ratio, d.y() + (deviceRect.y() - d.y()) / ratio,
                deviceRect.width() / ratio, deviceRect.height() / ratio);
}

} // namespace tandrel::linuxdesktop
