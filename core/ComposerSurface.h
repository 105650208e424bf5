// SPDX-License-Identifier: MIT
#pragma once

#include "core/AccessibleRole.h"
#include "core/Geometry.h"

#include <QString>
#include <QStringList>

#include <vector>

// Classification of the web-content ancestors around a focused composer input, from the CSS
// classes, role and tag name they expose, and the rectangle the palette is placed against.
namespace tandrel::ComposerSurface {

// Some class is exactly "group/prompt-input".
bool isOpenCodePrompt(const QStringList& classes);
// Some class is exactly "group/approval-dock".
bool isApprovalDock(const QStringList& classes);
// Some class begins with "_ComposerLayoutBody_".
bool isBody(const QStringList& classes);
// Some class begins with "_rail_".
bool isRail(const QStringList& classes);
// Some class begins with "_ComposerTopMenuShell_".
bool isTopTray(const QStringList& classes);
// The role is a form landmark, or the tag name is "form" in any case.
bool isForm(a11y::Role role, const QString& tagName);

// The body united with every panel in order; null rectangles take no part.
Rect anchor(const Rect& body, const std::vector<Rect>& panels);

} // namespace tandrel::ComposerSurface
