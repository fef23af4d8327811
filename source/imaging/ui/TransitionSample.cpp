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
    if (width() < 1 || height() < 1)
        return;
    frameBits_.SetSize(width(), height());
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

void TransitionSample::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (frame_.isNull())
        p.fillRect(rect(), Qt::black);
    else
        p.drawImage(0, 0, frame_);
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
