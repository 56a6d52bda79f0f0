#include "ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

// One picture drawn on a 16-unit square at every size the buttons may ask for.
QIcon drawn(const std::function<void(QPainter&)>& draw) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon ToolIcons::generator() {
    return drawn([](QPainter& p) {
        p.setPen(QPen(QColor(40, 60, 110), 1.0));
        p.setBrush(QColor(250, 250, 250));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 30, 30));
        for (const QPointF& pip :
             {QPointF(4.8, 4.8), QPointF(8, 8), QPointF(11.2, 11.2), QPointF(11.2, 4.8), QPointF(4.8, 11.2)})
            p.drawEllipse(pip, 1.4, 1.4);
    });
}

QIcon ToolIcons::mask() {
    return drawn([](QPainter& p) {
        QPainterPath eye;
        eye.moveTo(1, 8);
        eye.quadTo(8, 0.5, 15, 8);
        eye.quadTo(8, 15.5, 1, 8);
        p.setPen(QPen(QColor(40, 60, 110), 1.2));
        p.setBrush(QColor(250, 250, 250));
        p.drawPath(eye);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 90, 170));
        p.drawEllipse(QPointF(8, 8), 3, 3);
        p.setBrush(QColor(20, 20, 20));
        p.drawEllipse(QPointF(8, 8), 1.4, 1.4);
    });
}
