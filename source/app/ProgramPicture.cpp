#include "app/ProgramPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ui {

QImage DrawProgramPicture(int size) {
    // Two photos fanned out over a strip of film: what the program makes from what.
    QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 96.0, size / 96.0);

    // The film strip with its sprocket holes.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 48));
    p.drawRoundedRect(QRectF(4, 58, 88, 30), 3, 3);
    p.setBrush(QColor(235, 235, 225));
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(8 + i * 11, 61, 5, 4));
        p.drawRect(QRectF(8 + i * 11, 81, 5, 4));
    }

    auto photo = [&p](qreal angle, QPointF centre, QColor sky, QColor land) {
        p.save();
        p.translate(centre);
        p.rotate(angle);
        p.setPen(QPen(QColor(90, 90, 90), 0.8));
        p.setBrush(QColor(252, 252, 248));
        p.drawRect(QRectF(-26, -20, 52, 40));
        p.setPen(Qt::NoPen);
        const QRectF image(-22, -16, 44, 28);
        QLinearGradient skyFill(image.topLeft(), image.bottomLeft());
        skyFill.setColorAt(0, sky.lighter(130));
        skyFill.setColorAt(1, sky);
        p.setBrush(skyFill);
        p.drawRect(image);
        p.setBrush(QColor(255, 214, 80));
        p.drawEllipse(QPointF(12, -8), 4, 4);
        QPainterPath hills;
        hills.moveTo(-22, 12);
        hills.lineTo(-22, 2);
        hills.quadTo(-10, -8, 0, 2);
        hills.quadTo(10, -4, 22, 4);
        hills.lineTo(22, 12);
        hills.closeSubpath();
        p.setBrush(land);
        p.drawPath(hills);
        p.restore();
    };
    photo(-12, QPointF(36, 34), QColor(80, 140, 210), QColor(60, 140, 70));
    photo(8, QPointF(58, 40), QColor(230, 120, 70), QColor(110, 80, 120));
    return picture;
}

} // namespace ui
