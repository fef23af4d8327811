#include "project/ui/TransitionIcons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace ui {

namespace {

// Direction (dx, dy) the incoming picture travels in, for kinds 2..13.
QPointF Direction(int kind) {
    switch (kind) {
    case 2:
    case 6:
        return {-1, 0}; // from the right
    case 3:
    case 7:
        return {1, 0}; // from the left
    case 4:
    case 8:
        return {0, -1}; // from the bottom
    case 5:
    case 9:
        return {0, 1}; // from the top
    case 10:
        return {-1, -1}; // from the bottom-right corner
    case 11:
        return {-1, 1}; // from the top-right corner
    case 12:
        return {1, 1}; // from the top-left corner
    case 13:
        return {1, -1}; // from the bottom-left corner
    default:
        return {0, 0};
    }
}

} // namespace

QPixmap TransitionIcon(int kind, int size, const QColor& background) {
    QPixmap pm(size, size);
    pm.fill(background);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF frame(s * 0.12, s * 0.2, s * 0.76, s * 0.6);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(frame);
    if (kind == 0) {
        p.setPen(QPen(QColor(180, 40, 40), qMax<qreal>(1.0, s / 14)));
        p.drawLine(frame.topLeft() + QPointF(3, 3), frame.bottomRight() - QPointF(3, 3));
        p.drawLine(frame.topRight() + QPointF(-3, 3), frame.bottomLeft() + QPointF(3, -3));
        return pm;
    }
    if (kind == 1) {
        p.setBrush(QColor(40, 110, 200));
        p.setPen(Qt::NoPen);
        p.drawRect(frame.adjusted(2, 2, -2, -2));
        return pm;
    }
    const bool reveal = kind >= 6 && kind <= 9;
    const QPointF d = Direction(kind);
    // The incoming picture half-way in: a tinted part of the frame on the side it comes from.
    QRectF part = frame;
    if (d.x() < 0)
        part.setLeft(frame.center().x());
    if (d.x() > 0)
        part.setRight(frame.center().x());
    if (d.y() < 0)
        part.setTop(frame.center().y());
    if (d.y() > 0)
        part.setBottom(frame.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(reveal ? QColor(110, 190, 120) : QColor(90, 150, 230));
    p.drawRect(part);
    // The arrow of the movement.
    const QPointF c = frame.center();
    const qreal len = s * 0.22;
    const qreal norm = std::hypot(d.x(), d.y());
    const QPointF u(d.x() / norm, d.y() / norm);
    const QPointF tail = c - u * len;
    const QPointF head = c + u * len;
    p.setPen(QPen(QColor(30, 30, 30), qMax<qreal>(1.2, s / 16), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(tail, head);
    const QPointF n(-u.y(), u.x());
    QPainterPath tip;
    tip.moveTo(head + u * (s * 0.06));
    tip.lineTo(head - u * (s * 0.1) + n * (s * 0.09));
    tip.lineTo(head - u * (s * 0.1) - n * (s * 0.09));
    tip.closeSubpath();
    p.setBrush(QColor(30, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawPath(tip);
    return pm;
}

} // namespace ui
