// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/NativeRoute.h"

#include <QStringList>

#include <cmath>
#include <cstdlib>

namespace tandrel::linuxdesktop {

Compositor compositorOf(bool waylandSession, const QString& swaySocket,
                        const QString& currentDesktop) {
    if (!waylandSession)
        return Compositor::None;
    if (!swaySocket.isEmpty())
        return Compositor::Sway;
    const QStringList desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (desktops.contains(QLatin1String("KDE"), Qt::CaseInsensitive))
        return Compositor::KWin;
    if (desktops.contains(QLatin1String("GNOME"), Qt::CaseInsensitive))
        return Compositor::GnomeShell;
    return Compositor::Other;
}

Route routeFor(bool waylandSession, const std::optional<NativeWindow>& focused,
               const WaylandOffers& offers, bool x11SeesNone) {
    const QString front = QStringLiteral("a native Wayland window is in front and ");
    if (!waylandSession)
        return {};
    if (!offers.windowInFront.isEmpty()) {
        if (!x11SeesNone)
            return {};
        return {true, front + offers.windowInFront};
    }
    if (!focused || focused->xwayland)
        return {};
    QStringList missing;
    for (const QString& problem : {offers.keys, offers.clipboard}) {
        if (!problem.isEmpty() && !missing.contains(problem))
            missing << problem;
    }
    if (!missing.isEmpty()) {
        QString problem = front + missing.join(QStringLiteral(" and "));
        if (!offers.wayOut.isEmpty())
            problem += QStringLiteral(": ") + offers.wayOut;
        return {true, problem};
    }
    return {true, {}};
}

std::optional<QPoint> contentInsetInBuffer(const std::vector<QRect>& candidates, QSize content) {
    // Rounding to device pixels may shave one off either side.
    constexpr int kSlack = 2;
    for (const QRect& candidate : candidates) {
        if (std::abs(candidate.width() - content.width()) <= kSlack &&
            std::abs(candidate.height() - content.height()) <= kSlack && candidate.x() >= 0 &&
            candidate.y() >= 0)
            return candidate.topLeft();
    }
    return std::nullopt;
}

int webContentScale(QSize frame, QSize document) {
    for (int scale = 2; scale <= 3; ++scale) {
        if (std::abs(document.width() - frame.width() * scale) <= 2 * scale &&
            document.height() > frame.height())
            return scale;
    }
    return 1;
}

QRect screenRectOf(const QRect& inWindow, QPoint bufferOrigin, int scale) {
    const auto points = [scale](int v) { return int(std::lround(double(v) / scale)); };
    return QRect(bufferOrigin.x() + points(inWindow.x()), bufferOrigin.y() + points(inWindow.y()),
                 points(inWindow.width()), points(inWindow.height()));
}

} // namespace tandrel::linuxdesktop
