#include "app/Icons.h"

#include <QPainter>
#include <QPainterPath>

namespace ui {

namespace {

const QColor kInk(40, 60, 90);
const QColor kAccent(40, 140, 220);
const QColor kWarm(240, 170, 40);
const QColor kGreen(60, 170, 80);
const QColor kRed(210, 60, 60);

void DrawPhoto(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, r.width() / 16));
    p.setBrush(QColor(230, 240, 250));
    p.drawRoundedRect(r, r.width() / 10, r.width() / 10);
    QPainterPath hill;
    hill.moveTo(r.left() + r.width() * 0.1, r.bottom() - r.height() * 0.12);
    hill.lineTo(r.left() + r.width() * 0.4, r.top() + r.height() * 0.45);
    hill.lineTo(r.left() + r.width() * 0.6, r.top() + r.height() * 0.65);
    hill.lineTo(r.left() + r.width() * 0.75, r.top() + r.height() * 0.5);
    hill.lineTo(r.right() - r.width() * 0.1, r.bottom() - r.height() * 0.12);
    hill.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPath(hill);
    p.setBrush(kWarm);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.28),
                  r.width() * 0.09, r.width() * 0.09);
}

void DrawPlusBadge(QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen.darker(120));
    p.drawEllipse(QRectF(s * 0.6, s * 0.6, s * 0.38, s * 0.38));
    p.setPen(QPen(Qt::white, s / 14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.79, s * 0.67), QPointF(s * 0.79, s * 0.91));
    p.drawLine(QPointF(s * 0.67, s * 0.79), QPointF(s * 0.91, s * 0.79));
}

void DrawNote(QPainter& p, qreal s) {
    p.setPen(QPen(kInk, s / 14));
    p.setBrush(kInk);
    p.drawEllipse(QRectF(s * 0.15, s * 0.6, s * 0.22, s * 0.17));
    p.drawEllipse(QRectF(s * 0.5, s * 0.52, s * 0.22, s * 0.17));
    p.drawLine(QPointF(s * 0.36, s * 0.68), QPointF(s * 0.36, s * 0.18));
    p.drawLine(QPointF(s * 0.71, s * 0.6), QPointF(s * 0.71, s * 0.1));
    p.drawLine(QPointF(s * 0.36, s * 0.18), QPointF(s * 0.71, s * 0.1));
}

} // namespace

QPixmap DrawIcon(IconKind kind, int size, int variant) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QPen ink(kInk, qMax<qreal>(1.0, s / 12), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QFont font("Liberation Sans");
    switch (kind) {
    case IconKind::Crop:
        p.setPen(ink);
        p.drawLine(QPointF(s * 0.3, s * 0.05), QPointF(s * 0.3, s * 0.7));
        p.drawLine(QPointF(s * 0.3, s * 0.7), QPointF(s * 0.95, s * 0.7));
        p.drawLine(QPointF(s * 0.05, s * 0.3), QPointF(s * 0.7, s * 0.3));
        p.drawLine(QPointF(s * 0.7, s * 0.3), QPointF(s * 0.7, s * 0.95));
        break;
    case IconKind::Text:
        font.setBold(true);
        font.setPixelSize(static_cast<int>(s * 0.9));
        p.setFont(font);
        p.setPen(kInk);
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, "T");
        break;
    case IconKind::Rotate: {
        p.setPen(QPen(kAccent, s / 9, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(s * 0.15, s * 0.15, s * 0.7, s * 0.7), 90 * 16, 270 * 16);
        QPainterPath head;
        head.moveTo(s * 0.5, s * 0.02);
        head.lineTo(s * 0.75, s * 0.15);
        head.lineTo(s * 0.5, s * 0.3);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawPath(head);
        break;
    }
    case IconKind::Light:
        p.setPen(QPen(kWarm, s / 12, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(s / 2, s / 2);
            p.rotate(i * 45);
            p.drawLine(QPointF(0, s * 0.32), QPointF(0, s * 0.46));
            p.restore();
        }
        p.setBrush(kWarm);
        p.drawEllipse(QPointF(s / 2, s / 2), s * 0.22, s * 0.22);
        break;
    case IconKind::Colors: {
        const QColor c[3] = {kRed, kGreen, kAccent};
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 3; ++i) {
            QColor col = c[i];
            col.setAlpha(200);
            p.setBrush(col);
            const qreal a = i * 2.0944;
            p.drawEllipse(QPointF(s / 2 + s * 0.16 * std::sin(a), s / 2 - s * 0.16 * std::cos(a)),
                          s * 0.28, s * 0.28);
        }
        break;
    }
    case IconKind::Duration:
    case IconKind::Settings:
        if (kind == IconKind::Duration) {
            p.setPen(ink);
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(s * 0.08, s * 0.08, s * 0.84, s * 0.84));
            p.drawLine(QPointF(s / 2, s / 2), QPointF(s / 2, s * 0.2));
            p.drawLine(QPointF(s / 2, s / 2), QPointF(s * 0.72, s * 0.6));
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.translate(s / 2, s / 2);
                p.rotate(i * 45);
                p.drawRect(QRectF(-s * 0.08, -s * 0.46, s * 0.16, s * 0.2));
                p.restore();
            }
            p.drawEllipse(QPointF(s / 2, s / 2), s * 0.32, s * 0.32);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(s / 2, s / 2), s * 0.13, s * 0.13);
        }
        break;
    case IconKind::Help:
    case IconKind::About:
        p.setPen(Qt::NoPen);
        p.setBrush(kind == IconKind::Help ? kAccent : kGreen);
        p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
        font.setBold(true);
        font.setPixelSize(static_cast<int>(s * 0.7));
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, kind == IconKind::Help ? "?" : "i");
        break;
    case IconKind::New:
        p.setPen(ink);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(s * 0.2, s * 0.08), QPointF(s * 0.62, s * 0.08),
                                 QPointF(s * 0.82, s * 0.28), QPointF(s * 0.82, s * 0.92),
                                 QPointF(s * 0.2, s * 0.92)}));
        DrawPlusBadge(p, s);
        break;
    case IconKind::Open:
        p.setPen(ink);
        p.setBrush(kWarm);
        p.drawPolygon(QPolygonF({QPointF(s * 0.06, s * 0.2), QPointF(s * 0.36, s * 0.2),
                                 QPointF(s * 0.44, s * 0.3), QPointF(s * 0.9, s * 0.3),
                                 QPointF(s * 0.9, s * 0.82), QPointF(s * 0.06, s * 0.82)}));
        break;
    case IconKind::Preview:
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPolygon(QPolygonF({QPointF(s * 0.25, s * 0.12), QPointF(s * 0.85, s * 0.5),
                                 QPointF(s * 0.25, s * 0.88)}));
        break;
    case IconKind::Save:
        p.setPen(ink);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8), s * 0.06, s * 0.06);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(s * 0.28, s * 0.1, s * 0.44, s * 0.3));
        p.drawRect(QRectF(s * 0.22, s * 0.55, s * 0.56, s * 0.35));
        break;
    case IconKind::Disc:
        p.setPen(ink);
        p.setBrush(QColor(200, 210, 225));
        p.drawEllipse(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(s / 2, s / 2), s * 0.12, s * 0.12);
        break;
    case IconKind::AddPhoto:
        DrawPhoto(p, QRectF(s * 0.06, s * 0.14, s * 0.74, s * 0.6));
        DrawPlusBadge(p, s);
        break;
    case IconKind::AddMusic:
        DrawNote(p, s);
        DrawPlusBadge(p, s);
        break;
    case IconKind::Link: {
        const QColor colors[6] = {kAccent, kGreen, kWarm, kRed, kInk, QColor(140, 80, 190)};
        p.setPen(Qt::NoPen);
        p.setBrush(colors[((variant % 6) + 6) % 6]);
        p.drawEllipse(QRectF(s * 0.05, s * 0.05, s * 0.9, s * 0.9));
        p.setPen(QPen(Qt::white, qMax<qreal>(1.0, s / 12)));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(s * 0.3, s * 0.05, s * 0.4, s * 0.9));
        p.drawLine(QPointF(s * 0.05, s / 2), QPointF(s * 0.95, s / 2));
        break;
    }
    }
    return pm;
}

QIcon MakeIcon(IconKind kind, int size) {
    return QIcon(DrawIcon(kind, size));
}

} // namespace ui
