#include "imaging/ui/TransitionSample.h"

#include "imaging/TransitionFrame.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace ui {

TransitionSample::TransitionSample(QWidget* parent) : QWidget(parent) {
    setMinimumSize(64, 48);
    timer_ = new QTimer(this);
    timer_->setInterval(40);
    connect(timer_, &QTimer::timeout, this, &TransitionSample::Tick);
}

void TransitionSample::SetPictures(const imaging::Bitmap& outgoing, std::int32_t outgoingBack,
                                   const imaging::Bitmap& incoming, std::int32_t incomingBack) {
    outgoing_ = outgoing;
    incoming_ = incoming;
    outgoingBack_ = outgoingBack;
    incomingBack_ = incomingBack;
    showLoopTime(time_);
}

void TransitionSample::SetKind(int code) {
    code_ = code;
    clock_.restart();
    showLoopTime(0.0);
}

void TransitionSample::start() {
    clock_.start();
    timer_->start();
}

void TransitionSample::stop() {
    timer_->stop();
}

bool TransitionSample::IsRunning() const {
    return timer_->isActive();
}

void TransitionSample::showLoopTime(double seconds) {
    time_ = std::fmod(std::max(seconds, 0.0), kLoopSeconds);
    const QRect square = SquareRect();
    if (square.width() < 1 || square.height() < 1)
        return;
    frameBits_.SetSize(square.width(), square.height());
    imaging::MovingSlide out, in;
    out.Picture = &outgoing_;
    out.BackColor = outgoingBack_;
    in.Picture = &incoming_;
    in.BackColor = incomingBack_;
    const double t = time_ - kHoldSeconds;
    if (t < 0)
        imaging::ComposeSlideFrame(frameBits_, out);
    else
        imaging::ComposeTransitionFrame(frameBits_, out, in, code_, t, kTransitionSeconds,
                                        scratch_);
    frame_ = frameBits_.CopyToImage();
    update();
}

void TransitionSample::Tick() {
    showLoopTime(static_cast<double>(clock_.elapsed()) / 1000.0);
}

QRect TransitionSample::SquareRect() const {
    // The pictures' common bounds (a square for the storyboard's thumbnails), at their own size
    // (the composition does not enlarge them) or smaller to fit, centred.
    const int w = std::max({outgoing_.Width, incoming_.Width, 1});
    const int h = std::max({outgoing_.Height, incoming_.Height, 1});
    const double k =
        std::min({1.0, static_cast<double>(width()) / w, static_cast<double>(height()) / h});
    const int sw = std::max(1, static_cast<int>(w * k)), sh = std::max(1, static_cast<int>(h * k));
    return {(width() - sw) / 2, (height() - sh) / 2, sw, sh};
}

void TransitionSample::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The transition plays inside its square: a push moves the pictures within it, never past it.
    p.fillRect(rect(), palette().window());
    const QRect square = SquareRect();
    if (frame_.isNull())
        p.fillRect(square, Qt::black);
    else
        p.drawImage(square.topLeft(), frame_);
}

void TransitionSample::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showLoopTime(time_);
}

void TransitionSample::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    start();
}

void TransitionSample::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    stop();
}

} // namespace ui
