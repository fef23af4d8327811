#include "imaging/ui/MotionPreviewBox.h"

#include "imaging/MotionRender.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr double kHandle = 4.0; // half the side of a corner handle, in pixels
const QColor kStartColour(0, 200, 0);
const QColor kEndColour(230, 0, 0);

QImage RenderState(const imaging::Bitmap& picture, std::int32_t backColor, QSize size,
                   const imaging::MotionState& state) {
    if (size.width() < 1 || size.height() < 1)
        return {};
    imaging::Bitmap frame = imaging::Bitmap::CreateSized(size.width(), size.height());
    imaging::RenderMotionFrame(frame, picture, backColor, state);
    return frame.CopyToImage();
}

} // namespace

MotionPreviewBox::MotionPreviewBox(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(160, 100);
}

void MotionPreviewBox::SetPicture(const imaging::Bitmap& picture, std::int32_t backColor,
                                  std::int32_t frameWidth, std::int32_t frameHeight) {
    pictureWidth_ = picture.Width;
    pictureHeight_ = picture.Height;
    backColor_ = backColor;
    frameW_ = std::max(frameWidth, 1);
    frameH_ = std::max(frameHeight, 1);
    // A copy about twice the box's largest useful size keeps dragging and playing light.
    const imaging::ImageSize fit = imaging::FitSize(picture.Width, picture.Height, 1280, 960);
    if (picture.IsEmpty() || (fit.Width == picture.Width && fit.Height == picture.Height)) {
        picture_ = picture;
    } else {
        picture_ = imaging::Bitmap::CreateSized(fit.Width, fit.Height);
        picture.ScaleBilinear(picture_);
    }
    Relayout();
}

void MotionPreviewBox::SetStates(const imaging::MotionState& start,
                                 const imaging::MotionState& end) {
    start_ = start;
    end_ = end;
    update();
}

void MotionPreviewBox::SetFramesShown(bool shown) {
    framesShown_ = shown;
    update();
}

void MotionPreviewBox::ShowPlayState(const imaging::MotionState& state) {
    playing_ = true;
    playFrame_ = RenderState(picture_, backColor_, view_.size().toSize(), state);
    update();
}

void MotionPreviewBox::EndPlay() {
    playing_ = false;
    playFrame_ = QImage();
    update();
}

double MotionPreviewBox::FitScale() const {
    if (pictureWidth_ < 1 || pictureHeight_ < 1)
        return 1.0;
    return std::min(view_.width() / pictureWidth_, view_.height() / pictureHeight_);
}

QRectF MotionPreviewBox::FrameRect(const imaging::MotionState& state) const {
    const double s = FitScale();
    const double z = std::max(state.Z, 1.0);
    const QPointF centre = view_.center() + QPointF((state.Cx - 0.5) * pictureWidth_ * s,
                                                    (state.Cy - 0.5) * pictureHeight_ * s);
    const QSizeF size(view_.width() / z, view_.height() / z);
    return {centre - QPointF(size.width() / 2, size.height() / 2), size};
}

void MotionPreviewBox::Relayout() {
    // The output frame's aspect, as large as the widget allows, centred.
    const double k =
        std::min(static_cast<double>(width()) / frameW_, static_cast<double>(height()) / frameH_);
    const double w = std::floor(frameW_ * k), h = std::floor(frameH_ * k);
    view_ = QRectF((width() - w) / 2, (height() - h) / 2, w, h).toAlignedRect();
    RebuildStill();
    update();
}

void MotionPreviewBox::RebuildStill() {
    still_ = RenderState(picture_, backColor_, view_.size().toSize(), imaging::MotionState{});
}

void MotionPreviewBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

void MotionPreviewBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (playing_ && !playFrame_.isNull()) {
        p.drawImage(view_.topLeft(), playFrame_);
        return;
    }
    if (!still_.isNull())
        p.drawImage(view_.topLeft(), still_);
    if (!framesShown_)
        return;
    p.setClipRect(view_);
    p.setRenderHint(QPainter::Antialiasing, false);
    // The end frame is drawn last, so where the two coincide the red one shows.
    for (const Handle which : {Handle::Start, Handle::End}) {
        const QColor colour = which == Handle::Start ? kStartColour : kEndColour;
        const QRectF r = FrameRect(which == Handle::Start ? start_ : end_).adjusted(0, 0, -1, -1);
        p.setPen(QPen(colour, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (const QPointF corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            p.drawRect(
                QRectF(corner - QPointF(kHandle, kHandle), QSizeF(2 * kHandle, 2 * kHandle)));
    }
}

void MotionPreviewBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !framesShown_ || playing_)
        return;
    const QPointF at = event->position();
    drag_ = Drag::None;
    // Corner handles first (the end frame's, drawn on top, before the start frame's), then
    // the insides; inside both, the frame whose centre is nearer.
    for (const Handle which : {Handle::End, Handle::Start}) {
        const QRectF r = FrameRect(which == Handle::Start ? start_ : end_);
        for (const QPointF corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            if (std::abs(at.x() - corner.x()) <= kHandle + 2 &&
                std::abs(at.y() - corner.y()) <= kHandle + 2) {
                editing_ = which;
                drag_ = Drag::Zoom;
                break;
            }
        if (drag_ != Drag::None)
            break;
    }
    if (drag_ == Drag::None) {
        const QRectF s = FrameRect(start_), e = FrameRect(end_);
        const bool inStart = s.contains(at), inEnd = e.contains(at);
        if (inStart || inEnd) {
            const auto distance = [&](const QRectF& r) {
                const QPointF d = r.center() - at;
                return d.x() * d.x() + d.y() * d.y();
            };
            editing_ =
                inStart && (!inEnd || distance(s) <= distance(e)) ? Handle::Start : Handle::End;
            drag_ = Drag::Move;
        }
    }
    if (drag_ != Drag::None) {
        dragFrom_ = at;
        dragState_ = Edited();
    }
}

void MotionPreviewBox::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == Drag::None)
        return;
    const QPointF at = event->position();
    const double s = FitScale();
    if (s <= 0 || pictureWidth_ < 1 || pictureHeight_ < 1)
        return;
    imaging::MotionState state = dragState_;
    if (drag_ == Drag::Move) {
        const QPointF d = at - dragFrom_;
        state.Cx += d.x() / (pictureWidth_ * s);
        state.Cy += d.y() / (pictureHeight_ * s);
    } else {
        // The corner follows the pointer; the centre stays; the output's aspect is kept by
        // taking the larger of the two sizes the pointer asks for.
        const QPointF centre = FrameRect(dragState_).center();
        const double scale = std::max(2 * std::abs(at.x() - centre.x()) / view_.width(),
                                      2 * std::abs(at.y() - centre.y()) / view_.height());
        state.Z = scale > 0 ? 1.0 / scale : imaging::kMaxMotionZoom;
    }
    Edited() = imaging::ClampState(state);
    update();
    Q_EMIT stateEdited(editing_, Edited());
}

void MotionPreviewBox::mouseReleaseEvent(QMouseEvent*) {
    drag_ = Drag::None;
}

} // namespace ui
