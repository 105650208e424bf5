// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/NativeRoute.h"

#include <QStringList>

#include <cstdlib>

namespace tandrel::linuxdesktop {

namespace {

const QString kWayOut =
    QStringLiteral("start it under XWayland instead (browsers: --ozone-platform=x11)");

} // namespace

Route routeFor(bool waylandSession, const std::optional<NativeWindow>& focused,
               const WaylandOffers& offers, bool x11SeesNone) {
    if (!waylandSession)
        return {};
    if (!offers.windowInFront) {
        if (!x11SeesNone)
            return {};
        return {true, QStringLiteral("a native Wayland window is in front and this compositor "
                                     "does not tell Tandrel where it is (only sway does): ") +
                          kWayOut};
    }
    if (!focused || focused->xwayland)
        return {};
    QStringList missing;
    if (!offers.keys)
        missing << QStringLiteral("no virtual keyboard (zwp_virtual_keyboard_v1)");
    if (!offers.clipboard)
        missing << QStringLiteral("no clipboard control (zwlr_data_control_manager_v1)");
    if (!missing.isEmpty())
        return {true, QStringLiteral("a native Wayland window is in front and this compositor "
                                     "offers %1: ")
                              .arg(missing.join(QStringLiteral(" and "))) +
                          kWayOut};
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

QRect screenRectOf(const QRect& inWindow, const QRect& content, QPoint inset) {
    return inWindow.translated(content.topLeft() - inset);
}

} // namespace tandrel::linuxdesktop
