// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>

namespace tandrel {

// The tray icon: a strip of three prompt buttons (drawn as holes) above a chat input with a
// speech tail, 18 points square. Tray panels may be light or dark whatever the application's own
// theme says, so the glyph gets a thin halo of the opposite brightness: the holes and the gap
// between strip and input stay visible on either.

// The drawing at `scale` device pixels per point (18 × scale pixels, with that device pixel
// ratio), in `ink` with a `halo` around every edge, on a transparent background.
QImage menuBarImage(qreal scale, const QColor& ink, const QColor& halo);

// The drawing at 1x and 2x, inked in the application palette's text color (so it follows a
// light or dark theme) with a halo of its window color.
QIcon menuBarIcon();

} // namespace tandrel
