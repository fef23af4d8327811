// The preview of the motion editor: the slide's picture as the frame shows it without motion,
// with the start state's frame in green and the end state's in red, at whatever size its place
// gives it (the effects dialog's large preview). A drag moves the frame under the pointer, and
// where the two overlap the selected one (the one last taken, drawn on top): never the other.
// A corner handle sizes its frame keeping the opposite corner in place (with Alt about the
// centre) and the output's aspect. A frame stays on the picture unless the background is
// allowed. While the motion plays, the box shows the moving picture instead.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/Motion.h"

#include <QImage>
#include <QRectF>
#include <QWidget>

#include <cstdint>

namespace ui {

class MotionPreviewBox final : public QWidget {
    Q_OBJECT

public:
    enum class Handle { None, Start, End };

    explicit MotionPreviewBox(QWidget* parent = nullptr);

    // The picture (its working copy), its background colour and the show's frame size.
    void SetPicture(const imaging::Bitmap& picture, std::int32_t backColor, std::int32_t frameWidth,
                    std::int32_t frameHeight);
    // The two states drawn (a Manual motion's, or automatic motion's resolved ones).
    void SetStates(const imaging::MotionState& start, const imaging::MotionState& end);
    imaging::MotionState StartState() const { return start_; }
    imaging::MotionState EndState() const { return end_; }
    // Frames hidden (no motion): the box shows the still picture only.
    void SetFramesShown(bool shown);
    // Whether a dragged frame may show the background beside the picture; when not, a drag
    // keeps it on the picture (a frame wider than the picture stays centred on it).
    void SetBackgroundAllowed(bool allowed) { backgroundAllowed_ = allowed; }
    bool BackgroundAllowed() const { return backgroundAllowed_; }
    // Whether a state's frame shows something beside the picture.
    bool ShowsBackground(const imaging::MotionState& state) const;
    // The state zoomed in just enough, then moved the least, to show the picture only.
    imaging::MotionState OnPictureState(const imaging::MotionState& state) const;
    // The frame a drag takes where the two overlap: the one last taken (Start at first).
    Handle Selected() const { return selected_; }

    // The moving picture at the state given, in place of the frames; EndPlay returns to them.
    void ShowPlayState(const imaging::MotionState& state);
    void EndPlay();
    bool Playing() const { return playing_; }

    // Where a state's frame lies in widget coordinates.
    QRectF FrameRect(const imaging::MotionState& state) const;
    // The area showing the output frame at zoom 1 (the picture fitted, with its bars).
    QRectF ViewRect() const { return view_; }
    // The picture's own area inside it.
    QRectF PictureRect() const;

    QSize sizeHint() const override { return {480, 300}; }

Q_SIGNALS:
    // A frame was moved or zoomed by the mouse: which one and its new state.
    void stateEdited(Handle which, const imaging::MotionState& state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Drag { None, Move, Zoom };

    void Relayout();
    void RebuildStill();
    // The output frame's pixels per view pixel and the picture's fitted scale.
    double ViewScale() const;
    double FitScale() const;
    imaging::MotionState& Edited() { return editing_ == Handle::Start ? start_ : end_; }
    const imaging::MotionState& StateOf(Handle which) const {
        return which == Handle::Start ? start_ : end_;
    }
    // The state whose frame is r (its width decides the zoom).
    imaging::MotionState StateForRect(const QRectF& r) const;
    // r moved the least distance onto the picture (centred on it along an axis it cannot fit).
    QRectF OnPicture(QRectF r) const;
    // The frame a press at `at` takes and how: a corner handle, else the inside.
    void TakeFrameAt(QPointF at);
    // The rect of a corner drag to `at`; about the centre with Alt.
    QRectF Sized(QPointF at, bool aboutCentre) const;
    void UpdateCursor(QPointF at);

    imaging::Bitmap picture_;                           // a copy reduced to about the box's size
    std::int32_t pictureWidth_ = 0, pictureHeight_ = 0; // the working picture's own size
    std::int32_t backColor_ = 0;
    std::int32_t frameW_ = 16, frameH_ = 9;
    imaging::MotionState start_, end_;
    bool framesShown_ = true;
    bool playing_ = false;
    QRectF view_;
    QImage still_, playFrame_;
    Handle editing_ = Handle::None;
    Handle selected_ = Handle::Start;
    bool backgroundAllowed_ = false;
    Drag drag_ = Drag::None;
    QPointF corner_; // the corner a zoom drags, at the drag's start
    QPointF dragFrom_;
    imaging::MotionState dragState_;
};

} // namespace ui
