#include "Artwork.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace Artwork {

QPixmap logo(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 64.0;
    p.scale(s, s);
    QPainterPath shield;
    shield.moveTo(32, 3);
    shield.lineTo(57, 12);
    shield.cubicTo(57, 38, 47, 52, 32, 61);
    shield.cubicTo(17, 52, 7, 38, 7, 12);
    shield.closeSubpath();
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(0x3d, 0x7e, 0xd6));
    g.setColorAt(1, QColor(0x1b, 0x3f, 0x7a));
    p.setPen(QPen(QColor(0x12, 0x2a, 0x52), 2));
    p.setBrush(g);
    p.drawPath(shield);
    // The key: a ring and a bit.
    p.setPen(QPen(QColor(0xf4, 0xc4, 0x30), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(24, 26), 7, 7);
    p.drawLine(QPointF(30, 31), QPointF(44, 45));
    p.drawLine(QPointF(40, 41), QPointF(44, 37));
    p.drawLine(QPointF(44, 45), QPointF(48, 41));
    return pm;
}

QIcon programIcon() {
    QIcon icon(QStringLiteral(":/icons/vantrel.svg"));
    return icon.pixmap(64).isNull() ? QIcon(logo(64)) : icon; // the drawn one without SVG support
}

int confusionPictureCount() {
    return 26;
}

QPixmap confusionPicture(int index) {
    index = qBound(0, index, 25);
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = QColor::fromHsv((index * 137) % 360, 150, 210);
    p.setPen(QPen(fill.darker(150), 2));
    p.setBrush(fill);
    p.drawEllipse(QRectF(3, 3, 42, 42));
    QFont f;
    f.setBold(true);
    f.setPixelSize(24);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 48, 48), Qt::AlignCenter, QString(QChar(u'A' + index)));
    return pm;
}

} // namespace Artwork
