#include "login/frmstartArtwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace quorvel::ui {

void PaintLoginBackground(QPainter& p, const QRect& screen, const QRect& pictureArea,
                          const QRect& band) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient field(screen.topLeft(), screen.bottomLeft());
    field.setColorAt(0.0, QColor(0x07, 0x14, 0x2b));
    field.setColorAt(0.55, QColor(0x0d, 0x2c, 0x4f));
    field.setColorAt(1.0, QColor(0x06, 0x22, 0x33));
    p.fillRect(screen, field);

    // Light rising behind the picture area.
    const QPointF centre = pictureArea.center();
    const double reach = std::max(screen.width(), screen.height()) * 0.55;
    QRadialGradient glow(centre, reach);
    glow.setColorAt(0.0, QColor(0x3d, 0x8b, 0xc9, 110));
    glow.setColorAt(0.45, QColor(0x1d, 0x5a, 0x8a, 45));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.fillRect(screen, glow);

    // Wide, faint rings around it, like ripples.
    for (int i = 1; i <= 7; ++i) {
        const double r = pictureArea.width() * 0.32 * i;
        QPen pen(QColor(0x9f, 0xd4, 0xff, std::max(6, 38 - 5 * i)));
        pen.setWidthF(1.2);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, r, r);
    }

    // Two sweeping curves along the bottom of the screen.
    for (int i = 0; i < 2; ++i) {
        QPainterPath wave;
        const double base = screen.bottom() - screen.height() * (0.12 + 0.07 * i);
        wave.moveTo(screen.left(), base);
        wave.cubicTo(screen.left() + screen.width() * 0.3, base - screen.height() * 0.16,
                     screen.left() + screen.width() * 0.65, base + screen.height() * 0.1,
                     screen.right(), base - screen.height() * 0.05);
        wave.lineTo(screen.right(), screen.bottom());
        wave.lineTo(screen.left(), screen.bottom());
        wave.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2f, 0xa8, 0xb8, i == 0 ? 22 : 30));
        p.drawPath(wave);
    }

    // The frosted band.
    const QRectF frosted = QRectF(band).adjusted(-12, -10, 12, 10);
    QLinearGradient glass(frosted.topLeft(), frosted.bottomLeft());
    glass.setColorAt(0.0, QColor(255, 255, 255, 34));
    glass.setColorAt(1.0, QColor(255, 255, 255, 14));
    p.setBrush(glass);
    p.setPen(QPen(QColor(0xbf, 0xe3, 0xff, 70), 1.0));
    p.drawRoundedRect(frosted, 10, 10);
    p.restore();
}

QPixmap LoginEmblem(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(size * 0.08, size * 0.08, size * 0.84, size * 0.84);
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0.0, QColor(0x4f, 0xc3, 0xf7));
    fill.setColorAt(1.0, QColor(0x1e, 0x6f, 0xb5));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(box);
    // A "Q" cut from the disc: a ring and its tail.
    QPen ring(QColor(255, 255, 255, 235), size * 0.09, Qt::SolidLine, Qt::RoundCap);
    p.setPen(ring);
    p.setBrush(Qt::NoBrush);
    const QRectF inner = box.adjusted(size * 0.2, size * 0.2, -size * 0.2, -size * 0.2);
    p.drawEllipse(inner);
    p.drawLine(QPointF(inner.center().x() + inner.width() * 0.12,
                       inner.center().y() + inner.height() * 0.12),
               QPointF(box.right() - size * 0.12, box.bottom() - size * 0.12));
    return pixmap;
}

}  // namespace quorvel::ui
