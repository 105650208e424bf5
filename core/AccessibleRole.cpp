// SPDX-License-Identifier: MIT
#include "core/AccessibleRole.h"

namespace tandrel::a11y {

QString nameOf(Role role) {
    switch (role) {
    case Role::application:
        return QStringLiteral("application");
    case Role::window:
        return QStringLiteral("window");
    case Role::webDocument:
        return QStringLiteral("web document");
    case Role::form:
        return QStringLiteral("form");
    case Role::dialog:
        return QStringLiteral("dialog");
    case Role::textArea:
        return QStringLiteral("text area");
    case Role::textField:
        return QStringLiteral("text field");
    case Role::passwordField:
        return QStringLiteral("password field");
    case Role::other:
        break;
    }
    return QStringLiteral("other");
}

} // namespace tandrel::a11y
