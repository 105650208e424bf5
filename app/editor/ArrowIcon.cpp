// SPDX-License-Identifier: MIT
#include "app/editor/ArrowIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tandrel {

namespace {

QPixmap drawnArrow(ArrowDirection direction, const QColor& color, int size, qreal ratio) {
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn pointing up; the down arrow is the same shape turned over.
    if (direction == ArrowDirection::Down) {
        painter.translate(size / 2.0, size / 2.0);
        painter.rotate(180);
        painter.translate(-size / 2.0, -size / 2.0);
    }
    const qreal s = size;
    QPainterPath head;
    head.moveTo(s * 0.5, s * 0.15);
    head.lineTo(s * 0.85, s * 0.5);
    head.moveTo(s * 0.5, s * 0.15);
    head.lineTo(s * 0.15, s * 0.5);
    head.moveTo(s * 0.5, s * 0.15);
    head.lineTo(s * 0.5, s * 0.87);
    painter.setPen(QPen(color, s * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(head);
    return pixmap;
}

} // namespace

QIcon arrowIcon(ArrowDirection direction, const QColor& color) {
    const QString name =
        direction == ArrowDirection::Up ? QStringLiteral("go-up") : QStringLiteral("go-down");
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    QIcon icon;
    for (const int size : {16, 24})
        for (const qreal ratio : {1.0, 2.0})
            icon.addPixmap(drawnArrow(direction, color, size, ratio));
    return icon;
}

} // namespace tandrel
