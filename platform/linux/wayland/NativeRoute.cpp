// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/NativeRoute.h"

#include <QStringList>

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

QRect screenRectOf(const QRect& inWindow, QPoint bufferOrigin) {
    return inWindow.translated(bufferOrigin);
}

} // namespace tandrel::linuxdesktop
