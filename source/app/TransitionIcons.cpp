#include "app/TransitionIcons.h"

#include "imaging/TransitionKinds.h"

#include <QLinearGradient>
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

const QColor kOutgoing(250, 250, 250);
const QColor kIncoming(90, 150, 230);

// The direction the content moves in for the push and soft kinds.
QPointF SmoothDirection(int code) {
    switch (code) {
    case imaging::kTransitionPushLeft:
    case imaging::kTransitionSoftLeft:
        return {-1, 0};
    case imaging::kTransitionPushRight:
    case imaging::kTransitionSoftRight:
        return {1, 0};
    case imaging::kTransitionPushUp:
    case imaging::kTransitionSoftUp:
        return {0, -1};
    default:
        return {0, 1};
    }
}

// The part of the frame the incoming picture covers half-way when it comes in against d.
QRectF ComingHalf(const QRectF& frame, QPointF d) {
    QRectF part = frame;
    if (d.x() < 0)
        part.setLeft(frame.center().x());
    if (d.x() > 0)
        part.setRight(frame.center().x());
    if (d.y() < 0)
        part.setTop(frame.center().y());
    if (d.y() > 0)
        part.setBottom(frame.center().y());
    return part;
}

void DrawArrow(QPainter& p, QPointF c, QPointF d, qreal s) {
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
}

// The blended kinds half-way: a mix, a fade through a colour, a growing or opening picture, a
// push or a wipe with a soft edge.
void DrawSmooth(QPainter& p, int code, const QRectF& frame, qreal s) {
    const QRectF inner = frame.adjusted(1, 1, -1, -1);
    p.setPen(Qt::NoPen);
    switch (code) {
    case imaging::kTransitionCrossfade: {
        QLinearGradient mix(inner.topLeft(), inner.bottomRight());
        mix.setColorAt(0, kOutgoing);
        mix.setColorAt(1, kIncoming);
        p.fillRect(inner, mix);
        return;
    }
    case imaging::kTransitionFadeBlack:
    case imaging::kTransitionFadeWhite: {
        const QColor through =
            code == imaging::kTransitionFadeBlack ? QColor(20, 20, 20) : QColor(255, 255, 255);
        QLinearGradient fade(inner.topLeft(), inner.topRight());
        fade.setColorAt(0, kIncoming.lighter(130));
        fade.setColorAt(0.5, through);
        fade.setColorAt(1, kIncoming);
        p.fillRect(inner, fade);
        if (code == imaging::kTransitionFadeWhite) {
            p.setPen(QPen(QColor(60, 60, 60), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(frame);
        }
        return;
    }
    case imaging::kTransitionZoomIn: {
        p.setBrush(kIncoming);
        const QPointF c = inner.center();
        p.drawRect(QRectF(c.x() - inner.width() / 4, c.y() - inner.height() / 4, inner.width() / 2,
                          inner.height() / 2));
        p.setPen(QPen(QColor(30, 30, 30), qMax<qreal>(1.0, s / 20)));
        for (const QPointF& corner :
             {inner.topLeft(), inner.topRight(), inner.bottomLeft(), inner.bottomRight()})
            p.drawLine(c + (corner - c) * 0.55, c + (corner - c) * 0.9);
        return;
    }
    case imaging::kTransitionIris: {
        p.setBrush(kIncoming);
        const qreal r = inner.height() * 0.38;
        p.drawEllipse(inner.center(), r, r);
        return;
    }
    default:
        break;
    }
    const QPointF d = SmoothDirection(code);
    const QPointF c = inner.center();
    if (code >= imaging::kTransitionSoftLeft) {
        // A wipe whose edge is blended: the outgoing picture on the side the content moves to.
        const QPointF reach(d.x() * inner.width() * 0.2, d.y() * inner.height() * 0.2);
        QLinearGradient edge(c + reach, c - reach);
        edge.setColorAt(0, kOutgoing);
        edge.setColorAt(1, kIncoming);
        p.fillRect(inner, edge);
    } else {
        // A push: the outgoing half shaded as it leaves, the incoming half behind it, and the
        // seam between them.
        p.fillRect(inner, QColor(200, 200, 200));
        p.fillRect(ComingHalf(inner, d), kIncoming);
        const QPointF across(-d.y() * inner.width() / 2, d.x() * inner.height() / 2);
        p.setPen(QPen(QColor(30, 30, 30), 1));
        p.drawLine(c - across, c + across);
    }
    DrawArrow(p, inner.center(), d, s);
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
    if (imaging::IsSmoothTransition(kind)) {
        DrawSmooth(p, kind, frame, s);
        return pm;
    }
    if (kind == 1 || kind < 0 || kind > 13) { // an unknown code is drawn as the plain wipe
        p.setBrush(QColor(40, 110, 200));
        p.setPen(Qt::NoPen);
        p.drawRect(frame.adjusted(2, 2, -2, -2));
        return pm;
    }
    const bool reveal = kind >= 6 && kind <= 9;
    const QPointF d = Direction(kind);
    // The incoming picture half-way in: a tinted part of the frame on the side it comes from.
    p.setPen(Qt::NoPen);
    p.setBrush(reveal ? QColor(110, 190, 120) : kIncoming);
    p.drawRect(ComingHalf(frame, d));
    DrawArrow(p, frame.center(), d, s);
    return pm;
}

} // namespace ui
