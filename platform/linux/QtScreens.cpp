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

Rect flipped(const QRect& r, double primaryHeight) {
    return Rect(r.x(), primaryHeight - r.y() - r.height(), r.width(), r.height());
}

ScreenGeometry geometryOf(const QScreen& screen, double primaryHeight) {
    return ScreenGeometry{flipped(screen.geometry(), primaryHeight),
                          flipped(screen.availableGeometry(), primaryHeight),
                          screen.devicePixelRatio()};
}

} // namespace

std::vector<ScreenGeometry> QtScreens::screens() {
    const QList<QScreen*> list = qtScreens();
    std::vector<ScreenGeometry> result;
    if (list.isEmpty())
        return result;
    const double primaryHeight = list.front()->geometry().height();
    for (const QScreen* screen : list)
        result.push_back(geometryOf(*screen, primaryHeight));
    return result;
}

std::optional<ScreenGeometry> QtScreens::mainScreen() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    return geometryOf(*primary, primary->geometry().height());
}

Rect QtScreens::pointsFromDevicePixels(const Rect& deviceRect) {
    return tandrel::pointsFromDevicePixels(screens(), deviceRect);
}

} // namespace tandrel::linuxdesktop
