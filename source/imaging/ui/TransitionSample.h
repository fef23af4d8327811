// A small looping sample of one transition on two slides' thumbnails: the outgoing picture held
// for a moment, the transition, the incoming picture held, and again. Any code of
// TransitionFrame.h plays (the classic kinds and the newer ones).
#pragma once

#include "imaging/Bitmap.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <cstdint>

class QTimer;

namespace ui {

class TransitionSample final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kHoldSeconds = 0.6;
    static constexpr double kTransitionSeconds = 1.6;
    static constexpr double kLoopSeconds = 2 * kHoldSeconds + kTransitionSeconds;

    explicit TransitionSample(QWidget* parent = nullptr);

    // Where the sample plays: the pictures' common bounds, at their size or smaller to fit the
    // widget, centred. The frames are drawn at its size, so a push or a slide stays inside it.
    QRect SquareRect() const;

    // The two thumbnails (any size; each is fitted on its background colour).
    void SetPictures(const imaging::Bitmap& outgoing, std::int32_t outgoingBack,
                     const imaging::Bitmap& incoming, std::int32_t incomingBack);
    // The transition shown; the loop starts again.
    void SetKind(int code);
    int Kind() const { return code_; }

    // The loop runs while the widget is visible; these drive it by hand (tests, stills).
    void start();
    void stop();
    bool IsRunning() const;
    // Shows the loop at the given time (0..kLoopSeconds, wrapping).
    void showLoopTime(double seconds);
    // What the widget shows now, at its size.
    const QImage& CurrentFrame() const { return frame_; }

    QSize sizeHint() const override { return {160, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Tick();

    imaging::Bitmap outgoing_, incoming_, frameBits_, scratch_;
    std::int32_t outgoingBack_ = 0, incomingBack_ = 0;
    int code_ = 0;
    double time_ = 0.0;
    QImage frame_;
    QTimer* timer_ = nullptr;
    QElapsedTimer clock_;
};

} // namespace ui
