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
    // The selected frame is drawn last and bolder: it is the one a drag takes where they overlap.
    const Handle other = selected_ == Handle::Start ? Handle::End : Handle::Start;
    for (const Handle which : {other, selected_}) {
        const QColor colour = which == Handle::Start ? kStartColour : kEndColour;
        const QRectF r = FrameRect(StateOf(which)).adjusted(0, 0, -1, -1);
        p.setPen(QPen(colour, which == selected_ ? 3 : 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        for (const QPointF corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            p.drawRect(
                QRectF(corner - QPointF(kHandle, kHandle), QSizeF(2 * kHandle, 2 * kHandle)));
    }
}

QRectF MotionPreviewBox::PictureRect() const {
    const double s = FitScale();
    const QSizeF size(pictureWidth_ * s, pictureHeight_ * s);
    return {view_.center() - QPointF(size.width() / 2, size.height() / 2), size};
}

imaging::MotionState MotionPreviewBox::OnPictureState(const imaging::MotionState& state) const {
    if (pictureWidth_ < 1 || pictureHeight_ < 1)
        return state;
    // In the picture's pixels, whatever the box's size: the frame's sizes at zoom 1.
    const double pw = pictureWidth_, ph = pictureHeight_;
    const double fit = std::min(frameW_ / pw, frameH_ / ph);
    const double w1 = frameW_ / fit, h1 = frameH_ / fit;
    imaging::MotionState out = imaging::ClampState(state);
    out.Z = std::clamp(std::max({out.Z, w1 / pw, h1 / ph}), 1.0, imaging::kMaxMotionZoom);
    const double halfW = w1 / (2 * out.Z) / pw, halfH = h1 / (2 * out.Z) / ph;
    out.Cx = halfW >= 0.5 ? 0.5 : std::clamp(out.Cx, halfW, 1 - halfW);
    out.Cy = halfH >= 0.5 ? 0.5 : std::clamp(out.Cy, halfH, 1 - halfH);
    return out;
}

bool MotionPreviewBox::ShowsBackground(const imaging::MotionState& state) const {
    const imaging::MotionState on = OnPictureState(state);
    constexpr double kSlack = 1e-3;
    return std::abs(on.Cx - state.Cx) > kSlack || std::abs(on.Cy - state.Cy) > kSlack ||
           std::abs(on.Z - state.Z) > kSlack * state.Z;
}

imaging::MotionState MotionPreviewBox::StateForRect(const QRectF& r) const {
    const double s = FitScale();
    imaging::MotionState state;
    state.Z = r.width() > 0 ? view_.width() / r.width() : imaging::kMaxMotionZoom;
    state.Cx = 0.5 + (r.center().x() - view_.center().x()) / (pictureWidth_ * s);
    state.Cy = 0.5 + (r.center().y() - view_.center().y()) / (pictureHeight_ * s);
    return state;
}

QRectF MotionPreviewBox::OnPicture(QRectF r) const {
    if (backgroundAllowed_)
        return r;
    const QRectF picture = PictureRect();
    const auto fit = [](double lo, double size, double from, double to) {
        if (size >= to - from)
            return (from + to - size) / 2;
        return std::clamp(lo, from, to - size);
    };
    r.moveLeft(fit(r.left(), r.width(), picture.left(), picture.right()));
    r.moveTop(fit(r.top(), r.height(), picture.top(), picture.bottom()));
    return r;
}

QRectF MotionPreviewBox::Sized(QPointF at, bool aboutCentre) const {
    const QRectF from = FrameRect(dragState_);
    const double aspect = view_.width() / view_.height();
    // The fixed point: the opposite corner, or the centre with Alt.
    const QPointF anchor =
        aboutCentre ? from.center() : from.center() * 2 - corner_; // the corner's mirror
    const double dx = corner_.x() >= anchor.x() ? 1.0 : -1.0;
    const double dy = corner_.y() >= anchor.y() ? 1.0 : -1.0;
    const double reach = aboutCentre ? 2.0 : 1.0;
    // The output's aspect kept: the larger of the two sizes the pointer asks for.
    double w = reach * std::max(std::max(0.0, dx * (at.x() - anchor.x())),
                                std::max(0.0, dy * (at.y() - anchor.y())) * aspect);
    double most = view_.width(); // zoom 1
    if (!backgroundAllowed_) {
        // No larger than the picture, nor than the room the fixed point leaves on it.
        const QRectF picture = PictureRect();
        most = std::min({most, picture.width(), picture.height() * aspect});
        const auto room = [&](double anchorAt, double dir, double from, double to) {
            if (aboutCentre)
                return 2 * std::min(anchorAt - from, to - anchorAt);
            return dir > 0 ? to - anchorAt : anchorAt - from;
        };
        if (picture.adjusted(-0.5, -0.5, 0.5, 0.5).contains(anchor))
            most = std::min({most, room(anchor.x(), dx, picture.left(), picture.right()),
                             room(anchor.y(), dy, picture.top(), picture.bottom()) * aspect});
    }
    const double least = view_.width() / imaging::kMaxMotionZoom;
    w = std::clamp(w, least, std::max(most, least));
    const QSizeF size(w, w / aspect);
    if (aboutCentre)
        return OnPicture({anchor - QPointF(size.width() / 2, size.height() / 2), size});
    return OnPicture(
        QRectF(anchor, anchor + QPointF(dx * size.width(), dy * size.height())).normalized());
}

void MotionPreviewBox::TakeFrameAt(QPointF at) {
    drag_ = Drag::None;
    const Handle other = selected_ == Handle::Start ? Handle::End : Handle::Start;
    // Corner handles first, the selected frame's before the other's.
    for (const Handle which : {selected_, other}) {
        const QRectF r = FrameRect(StateOf(which));
        for (const QPointF corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            if (std::abs(at.x() - corner.x()) <= kHandle + 2 &&
                std::abs(at.y() - corner.y()) <= kHandle + 2) {
                editing_ = which;
                drag_ = Drag::Zoom;
                corner_ = corner;
                return;
            }
    }
    // Then the insides: the frame under the pointer, the selected one where both are.
    for (const Handle which : {selected_, other})
        if (FrameRect(StateOf(which)).contains(at)) {
            editing_ = which;
            drag_ = Drag::Move;
            return;
        }
}

void MotionPreviewBox::UpdateCursor(QPointF at) {
    if (!framesShown_ || playing_) {
        unsetCursor();
        return;
    }
    const Handle keepSelected = selected_;
    const Handle keepEditing = editing_;
    const Drag keepDrag = drag_;
    const QPointF keepCorner = corner_;
    TakeFrameAt(at);
    if (drag_ == Drag::Move) {
        setCursor(Qt::SizeAllCursor);
    } else if (drag_ == Drag::Zoom) {
        const QPointF centre = FrameRect(StateOf(editing_)).center();
        const bool falling = (corner_.x() - centre.x()) * (corner_.y() - centre.y()) > 0;
        setCursor(falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
    } else {
        unsetCursor();
    }
    selected_ = keepSelected;
    editing_ = keepEditing;
    drag_ = keepDrag;
    corner_ = keepCorner;
}

void MotionPreviewBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !framesShown_ || playing_)
        return;
    const QPointF at = event->position();
    TakeFrameAt(at);
    if (drag_ != Drag::None) {
        selected_ = editing_;
        dragFrom_ = at;
        dragState_ = Edited();
        update();
    }
}

void MotionPreviewBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (drag_ == Drag::None) {
        UpdateCursor(at);
        return;
    }
    if (FitScale() <= 0 || pictureWidth_ < 1 || pictureHeight_ < 1)
        return;
    const QRectF r = drag_ == Drag::Move
                         ? OnPicture(FrameRect(dragState_).translated(at - dragFrom_))
                         : Sized(at, event->modifiers().testFlag(Qt::AltModifier));
    Edited() = imaging::ClampState(StateForRect(r));
    update();
    Q_EMIT stateEdited(editing_, Edited());
}

void MotionPreviewBox::mouseReleaseEvent(QMouseEvent*) {
    drag_ = Drag::None;
}

} // namespace ui
