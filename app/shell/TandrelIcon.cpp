// SPDX-License-Identifier: MIT
#include "app/shell/TandrelIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace tandrel {

namespace {

constexpr qreal kSide = 18.0;
// Wide enough to read at 1x, narrow enough to leave most of each 4 × 3 hole open.
constexpr qreal kHaloWidth = 1.0;

// The three shapes in points, origin at the top left.
QPainterPath promptStrip() {
    QPainterPath strip;
    strip.setFillRule(Qt::OddEvenFill);
    strip.addRoundedRect(QRectF(0, 1, 18, 6), 2.5, 2.5);
    for (const qreal x : {2.0, 7.0, 12.0})
        strip.addRoundedRect(QRectF(x, 2.5, 4, 3), 0.8, 0.8);
    return strip;
}

QPainterPath chatInput() {
    QPainterPath input;
    input.addRoundedRect(QRectF(1, 9, 16, 6), 2.5, 2.5);
    return input;
}

QPainterPath speechTail() {
    QPainterPath tail;
    tail.moveTo(3, 13);
    tail.lineTo(3, 17);
    tail.lineTo(7, 14);
    tail.closeSubpath();
    return tail;
}

// Halo first, ink on top: the halo's inner half disappears under the ink except inside the holes
// and in the gap, its outer half rims the glyph.
void paintGlyph(QPainter& painter, const QColor& ink, const QColor& halo) {
    const QPainterPath shapes[] = {promptStrip(), chatInput(), speechTail()};
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(halo, kHaloWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    for (const QPainterPath& shape : shapes)
        painter.drawPath(shape);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    for (const QPainterPath& shape : shapes)
        painter.drawPath(shape);
}

} // namespace

QImage menuBarImage(qreal scale, const QColor& ink, const QColor& halo) {
    const int side = qRound(kSide * scale);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(scale, scale);
    paintGlyph(painter, ink, halo);
    painter.end();
    // Set after painting, so that the painter's own scale is the only one.
    image.setDevicePixelRatio(scale);
    return image;
}

QIcon menuBarIcon() {
    const QPalette palette = QGuiApplication::palette();
    const QColor ink = palette.color(QPalette::WindowText);
    QColor halo = palette.color(QPalette::Window);
    halo.setAlphaF(0.9);
    QIcon icon;
    for (const qreal scale : {1.0, 2.0})
        icon.addPixmap(QPixmap::fromImage(menuBarImage(scale, ink, halo)));
    return icon;
}

} // namespace tandrel
