#include "app/SlideMarks.h"

#include "project/SlideKind.h"

#include <QFont>
#include <QFontMetrics>
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

// A clip: one dark label with a strip of film (a frame with sprocket holes down both sides) and
// the clip's trimmed length beside it. It sits in the top row with the other marks; the bottom
// corners hold the selected slide's time and the menu button.
QFont ClipLengthFont(const QFont& base) {
    QFont font = base;
    font.setPixelSize(10);
    font.setBold(true);
    return font;
}

qreal ClipLabelWidth(QPainter& p, const QString& text) {
    p.setFont(ClipLengthFont(p.font()));
    return kMark + p.fontMetrics().horizontalAdvance(text) + 3;
}

void ClipLabel(QPainter& p, const QRectF& r, const QString& text) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 170));
    p.drawRoundedRect(r, 3, 3);
    const QRectF film(r.left() + 3, r.top() + 3, kMark - 6, kMark - 6);
    p.setPen(QPen(Qt::white, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(film);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (int hole = 0; hole < 3; ++hole) {
        const qreal y = film.top() + 1.0 + hole * (film.height() - 3.0) / 2.0;
        p.drawRect(QRectF(film.left() + 0.8, y, 1.2, 1.2));
        p.drawRect(QRectF(film.right() - 2.0, y, 1.2, 1.2));
    }
    p.setFont(ClipLengthFont(p.font()));
    p.setPen(Qt::white);
    p.drawText(r.adjusted(kMark - 1, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
}

} // namespace

QString ClipLengthText(std::int64_t ms) {
    // Tenths only where they matter: a clip shorter than ten seconds.
    const bool tenths = ms < 10000 && ms % 1000 != 0;
    const std::int64_t units = tenths ? (ms + 50) / 100 : (ms + 500) / 1000;
    const std::int64_t seconds = tenths ? units / 10 : units;
    QString text =
        seconds >= 3600
            ? QStringLiteral("%1:%2:%3")
                  .arg(seconds / 3600)
                  .arg(seconds / 60 % 60, 2, 10, QChar('0'))
                  .arg(seconds % 60, 2, 10, QChar('0'))
            : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
    if (tenths)
        text += QStringLiteral(".%1").arg(units % 10);
    return text;
}

bool HasClipMark(const project::Slide& slide) {
    return slide.Clip() != nullptr;
}

bool HasMotionMark(const project::Slide& slide) {
    return !slide.Ext.Motion.IsStill();
}

bool HasFaceMark(const project::Slide& slide) {
    return !project::FacesOf(slide).empty();
}

void DrawSlideMarks(QPixmap& thumbnail, const project::Slide& slide) {
    if (thumbnail.isNull() || (!HasMotionMark(slide) && !HasFaceMark(slide) && !HasClipMark(slide)))
        return;
    QPainter p(&thumbnail);
    p.setRenderHint(QPainter::Antialiasing);
    qreal right = thumbnail.width() - kMargin;
    const auto next = [&](qreal width = kMark) {
        const QRectF r(right - width, kMargin, width, kMark);
        right -= width + kBetween;
        return r;
    };
    if (HasClipMark(slide)) {
        const QString length = ClipLengthText(slide.Clip()->TrimmedMs());
        ClipLabel(p, next(ClipLabelWidth(p, length)), length);
    }
    if (HasMotionMark(slide))
        MotionMark(p, next());
    if (HasFaceMark(slide))
        FaceMark(p, next());
}

} // namespace ui
