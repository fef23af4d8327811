#include "app/SlideMarks.h"

#include <QPainter>
#include <QPainterPath>

namespace ui {

namespace {

constexpr int kMark = 14;   // each mark's side in pixels
constexpr int kMargin = 4;  // from the thumbnail's edge
constexpr int kBetween = 2; // between two marks

// A dark disc under each mark, so it reads on any photo.
void Badge(QPainter& p, const QRectF& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 160));
    p.drawEllipse(r);
}

// Two corners of a frame and an arrow between them: the picture zooms and pans.
void MotionMark(QPainter& p, const QRectF& r) {
    Badge(p, r);
    QPen pen(Qt::white, 1.4);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const QRectF in = r.adjusted(3.5, 3.5, -3.5, -3.5);
    p.drawLine(in.bottomLeft(), in.topRight());
    p.drawLine(in.topRight(), in.topRight() + QPointF(-3, 0));
    p.drawLine(in.topRight(), in.topRight() + QPointF(0, 3));
    p.drawLine(in.bottomLeft(), in.bottomLeft() + QPointF(3, 0));
    p.drawLine(in.bottomLeft(), in.bottomLeft() + QPointF(0, -3));
}

// A face: a circle with two eyes and a smile.
void FaceMark(QPainter& p, const QRectF& r) {
    Badge(p, r);
    p.setPen(QPen(QColor(255, 214, 90), 1.2));
    p.setBrush(Qt::NoBrush);
    const QRectF face = r.adjusted(2.5, 2.5, -2.5, -2.5);
    p.drawEllipse(face);
    const QPointF c = face.center();
    p.setBrush(QColor(255, 214, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(c + QPointF(-2.2, -1.5), 0.9, 0.9);
    p.drawEllipse(c + QPointF(2.2, -1.5), 0.9, 0.9);
    p.setPen(QPen(QColor(255, 214, 90), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 2.6, c.y() - 1.0, 5.2, 3.6), 200 * 16, 140 * 16);
}

} // namespace

bool HasMotionMark(const project::Slide& slide) {
    return !slide.Ext.Motion.IsStill();
}

bool HasFaceMark(const project::Slide& slide) {
    return slide.Faces && !slide.Faces->empty();
}

void DrawSlideMarks(QPixmap& thumbnail, const project::Slide& slide) {
    if (thumbnail.isNull() || (!HasMotionMark(slide) && !HasFaceMark(slide)))
        return;
    QPainter p(&thumbnail);
    p.setRenderHint(QPainter::Antialiasing);
    qreal right = thumbnail.width() - kMargin;
    const auto next = [&] {
        const QRectF r(right - kMark, kMargin, kMark, kMark);
        right -= kMark + kBetween;
        return r;
    };
    if (HasMotionMark(slide))
        MotionMark(p, next());
    if (HasFaceMark(slide))
        FaceMark(p, next());
}

} // namespace ui
