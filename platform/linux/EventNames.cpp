#include "platform/linux/EventNames.h"

namespace tandrel::linuxdesktop {

QStringList notificationsForEvent(const QString& type, int detail1) {
    auto is = [&type](const char* prefix) {
        return type == QLatin1String(prefix) ||
               type.startsWith(QLatin1String(prefix) + QLatin1Char(':'));
    };
    if (is("object:state-changed:focused"))
        return detail1 ? QStringList{QStringLiteral("AXFocusedUIElementChanged")} : QStringList{};
    if (is("object:state-changed:defunct"))
        return detail1 ? QStringList{QStringLiteral("AXUIElementDestroyed")} : QStringList{};
    if (is("window:activate"))
        return {QStringLiteral("AXFocusedWindowChanged")};
    if (is("object:bounds-changed"))
        return {QStringLiteral("AXMoved"), QStringLiteral("AXResized")};
    if (is("object:children-changed") || is("object:visible-data-changed"))
        return {QStringLiteral("AXLayoutChanged")};
    if (is("object:text-changed"))
        return {QStringLiteral("AXValueChanged")};
    return {};
}

bool isApplicationNotification(const QString& n) {
    return n == QLatin1String("AXFocusedUIElementChanged") ||
           n == QLatin1String("AXFocusedWindowChanged");
}

bool isKnownNotification(const QString& n) {
    return isApplicationNotification(n) || n == QLatin1String("AXMoved") ||
           n == QLatin1String("AXResized") || n == QLatin1String("AXLayoutChanged") ||
           n == QLatin1String("AXValueChanged") || n == QLatin1String("AXUIElementDestroyed");
}

QStringList layoutEventTypes() {
    return {QStringLiteral("object:bounds-changed"), QStringLiteral("object:children-changed"),
            QStringLiteral("object:visible-data-changed"), QStringLiteral("object:text-changed"),
            QStringLiteral("object:state-changed:defunct")};
}

} // namespace tandrel::linuxdesktop
