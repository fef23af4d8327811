#include "app/SlideMarks.h"

#include "project/Duration.h"

#include <QFontMetricsF>
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

// A strip of film: a frame with sprocket holes down both sides.
void ClipMark(QPainter& p, const QRectF& r) {
    Badge(p, r);
    const QRectF film = r.adjusted(3.5, 3, -3.5, -3);
    p.setPen(QPen(Qt::white, 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(film);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int hole = 0; hole < 3; ++hole) {
        const qreal y = film.top() + 1.2 + hole * (film.height() - 3.4) / 2.0;
        p.drawRect(QRectF(film.left() + 0.8, y, 1.2, 1.2));
        p.drawRect(QRectF(film.right() - 2.0, y, 1.2, 1.2));
    }
}

// The clip's trimmed length in the bottom left corner, white on a dark label (the photo's menu
// button holds the bottom right one).
void ClipLength(QPainter& p, const QPixmap& thumbnail, std::int64_t ms) {
    QFont font = p.font();
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    const QString text = ClipLengthText(ms);
    const QFontMetricsF metrics(font);
    const QRectF label(kMargin, thumbnail.height() - kMargin - (metrics.height() + 2),
                       metrics.horizontalAdvance(text) + 6, metrics.height() + 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 170));
    p.drawRoundedRect(label, 3, 3);
    p.setPen(Qt::white);
    p.drawText(label, Qt::AlignCenter, text);
}

} // namespace

QString ClipLengthText(std::int64_t ms) {
    return QString::fromStdString(project::FormatDurationMs(ms));
}

bool HasClipMark(const project::Slide& slide) {
    return slide.Clip.has_value();
}

bool HasMotionMark(const project::Slide& slide) {
    return !slide.Ext.Motion.IsStill();
}

bool HasFaceMark(const project::Slide& slide) {
    return slide.Faces && !slide.Faces->empty();
}

void DrawSlideMarks(QPixmap& thumbnail, const project::Slide& slide) {
    if (thumbnail.isNull() || (!HasMotionMark(slide) && !HasFaceMark(slide) && !HasClipMark(slide)))
        return;
    QPainter p(&thumbnail);
    p.setRenderHint(QPainter::Antialiasing);
    qreal right = thumbnail.width() - kMargin;
    const auto next = [&] {
        const QRectF r(right - kMark, kMargin, kMark, kMark);
        right -= kMark + kBetween;
        return r;
    };
    if (HasClipMark(slide)) {
        ClipMark(p, next());
        ClipLength(p, thumbnail, slide.Clip->TrimmedMs());
    }
    if (HasMotionMark(slide))
        MotionMark(p, next());
    if (HasFaceMark(slide))
        FaceMark(p, next());
}

} // namespace ui
