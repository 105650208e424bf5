// SPDX-License-Identifier: MIT
#include "platform/linux/EventNames.h"
#include "platform/AXNames.h"

namespace tandrel::linuxdesktop {

QStringList notificationsForEvent(const QString& type, int detail1) {
    auto is = [&type](const char* prefix) {
        return type == QLatin1String(prefix) ||
               type.startsWith(QLatin1String(prefix) + QLatin1Char(':'));
    };
    if (is("object:state-changed:focused"))
        return detail1 ? QStringList{ax::notification::focusedUIElementChanged} : QStringList{};
    if (is("object:state-changed:defunct"))
        return detail1 ? QStringList{ax::notification::uiElementDestroyed} : QStringList{};
    if (is("window:activate"))
        return {ax::notification::focusedWindowChanged};
    if (is("object:bounds-changed"))
        return {ax::notification::moved, ax::notification::resized};
    if (is("object:children-changed") || is("object:visible-data-changed"))
        return {ax::notification::layoutChanged};
    if (is("object:text-changed"))
        return {ax::notification::valueChanged};
    return {};
}

bool isApplicationNotification(const QString& n) {
    return n == ax::notification::focusedUIElementChanged ||
           n == ax::notification::focusedWindowChanged;
}

bool isKnownNotification(const QString& n) {
    return isApplicationNotification(n) || n == ax::notification::moved ||
           n == ax::notification::resized || n == ax::notification::layoutChanged ||
           n == ax::notification::valueChanged || n == ax::notification::uiElementDestroyed;
}

QStringList layoutEventTypes() {
    return {QStringLiteral("object:bounds-changed"), QStringLiteral("object:children-changed"),
            QStringLiteral("object:visible-data-changed"), QStringLiteral("object:text-changed"),
            QStringLiteral("object:state-changed:defunct")};
}

} // namespace tandrel::linuxdesktop
