// The preview box of the motion editor: the slide's picture as the frame shows it without
// motion, with the start state's frame in green and the end state's in red. A frame is dragged
// by its inside and zoomed (about its centre, keeping the output's aspect) by its corner
// handles. While the motion plays, the box shows the moving picture instead.
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

    // The moving picture at the state given, in place of the frames; EndPlay returns to them.
    void ShowPlayState(const imaging::MotionState& state);
    void EndPlay();
    bool Playing() const { return playing_; }

    // Where a state's frame lies in widget coordinates.
    QRectF FrameRect(const imaging::MotionState& state) const;
    // The area showing the output frame at zoom 1 (the picture fitted, with its bars).
    QRectF ViewRect() const { return view_; }

    QSize sizeHint() const override { return {320, 200}; }

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
    Drag drag_ = Drag::None;
    QPointF dragFrom_;
    imaging::MotionState dragState_;
};

} // namespace ui
