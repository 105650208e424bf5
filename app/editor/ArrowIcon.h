// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QIcon>

namespace tandrel {

enum class ArrowDirection { Up, Down };

// The icon theme's "go-up" or "go-down", or else an arrow drawn in the given colour, so the
// buttons never show up empty on a desktop without an icon theme.
QIcon arrowIcon(ArrowDirection direction, const QColor& color);

} // namespace tandrel
