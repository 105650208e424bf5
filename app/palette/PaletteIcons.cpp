// SPDX-License-Identifier: MIT
#include "app/palette/PaletteIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace tandrel::PaletteIcons {

namespace {

// Drawn on a 16-point grid at 1× and 2×, so the icon stays sharp on scaled screens.
QIcon drawn(const std::function<void(QPainter&)>& paint) {
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pixmap(16 * scale, 16 * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        paint(painter);
        painter.end();
        pixmap.setDevicePixelRatio(scale);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPen strokePen(const QColor& colour) {
    QPen pen(colour, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace

QIcon drawnPencil(const QColor& colour) {
    return drawn([&](QPainter& p) {
        p.setPen(strokePen(colour));
        // The body, a slanted bar from the lower left to the upper right, and its tip.
        QPainterPath body;
        body.moveTo(3.0, 13.0);
        body.lineTo(3.6, 10.2);
        body.lineTo(10.8, 3.0);
        body.lineTo(13.0, 5.2);
        body.lineTo(5.8, 12.4);
        body.closeSubpath();
        p.drawPath(body);
        p.drawLine(QPointF(9.4, 4.4), QPointF(11.6, 6.6));
    });
}

QIcon drawnCross(const QColor& colour) {
    return drawn([&](QPainter& p) {
        p.setPen(strokePen(colour));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}

QIcon edit(const QColor& colour) {
    return QIcon::fromTheme(QStringLiteral("document-edit"), drawnPencil(colour));
}

QIcon dismiss(const QColor& colour) {
    return QIcon::fromTheme(QStringLiteral("window-close"), drawnCross(colour));
}

} // namespace tandrel::PaletteIcons
