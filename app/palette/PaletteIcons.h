// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QIcon>

namespace tandrel::PaletteIcons {

// The icon theme's "document-edit", or a pencil drawn in the given colour when the theme has none.
QIcon edit(const QColor& colour);
// The icon theme's "window-close", or a cross drawn in the given colour.
QIcon dismiss(const QColor& colour);

// The drawn forms on their own, so that they can be checked without an icon theme.
QIcon drawnPencil(const QColor& colour);
QIcon drawnCross(const QColor& colour);

} // namespace tandrel::PaletteIcons
