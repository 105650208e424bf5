// SPDX-License-Identifier: MIT
#include "platform/linux/EventNames.h"

namespace tandrel::linuxdesktop {

using a11y::Change;

std::optional<Change> changeForEvent(const QString& type, int detail1) {
    auto is = [&type](const char* prefix) {
        return type == QLatin1String(prefix) ||
               type.startsWith(QLatin1String(prefix) + QLatin1Char(':'));
    };
    if (is("object:state-changed:focused"))
        return detail1 ? std::optional(Change::focus) : std::nullopt;
    if (is("object:state-changed:defunct"))
        return detail1 ? std::optional(Change::destroyed) : std::nullopt;
    if (is("window:activate"))
        return Change::window;
    if (is("object:bounds-changed"))
        return Change::bounds;
    if (is("object:children-changed") || is("object:visible-data-changed"))
        return Change::layout;
    if (is("object:text-changed"))
        return Change::text;
    return std::nullopt;
}

bool isApplicationChange(Change change) {
    return change == Change::focus || change == Change::window;
}

QStringList layoutEventTypes() {
    return {QStringLiteral("object:bounds-changed"), QStringLiteral("object:children-changed"),
            QStringLiteral("object:visible-data-changed"), QStringLiteral("object:text-changed"),
            QStringLiteral("object:state-changed:defunct")};
}

} // namespace tandrel::linuxdesktop
