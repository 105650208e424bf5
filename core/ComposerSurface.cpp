// SPDX-License-Identifier: MIT
#include "core/ComposerSurface.h"

namespace tandrel::ComposerSurface {

namespace {

bool anyEquals(const QStringList& classes, QStringView value) {
    for (const QString& c : classes) {
        if (c == value)
            return true;
    }
    return false;
}

bool anyBeginsWith(const QStringList& classes, QStringView prefix) {
    for (const QString& c : classes) {
        if (c.startsWith(prefix, Qt::CaseSensitive))
            return true;
    }
    return false;
}

} // namespace

bool isOpenCodePrompt(const QStringList& classes) {
    return anyEquals(classes, u"group/prompt-input");
}

bool isApprovalDock(const QStringList& classes) {
    return anyEquals(classes, u"group/approval-dock");
}

bool isBody(const QStringList& classes) {
    return anyBeginsWith(classes, u"_ComposerLayoutBody_");
}

bool isRail(const QStringList& classes) {
    return anyBeginsWith(classes, u"_rail_");
}

bool isTopTray(const QStringList& classes) {
    return anyBeginsWith(classes, u"_ComposerTopMenuShell_");
}

bool isForm(a11y::Role role, const QString& tagName) {
    if (role == a11y::Role::form)
        return true;
    return tagName.toLower() == u"form";
}

Rect anchor(const Rect& body, const std::vector<Rect>& panels) {
    Rect result = body;
    for (const Rect& panel : panels)
        result = result.united(panel);
    return result;
}

} // namespace tandrel::ComposerSurface
