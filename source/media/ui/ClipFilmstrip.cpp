#include "media/ui/ClipFilmstrip.h"

#include "base/ThreadPool.h"
#include "media/video/ClipFrames.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ui {

ClipFilmstrip::ClipFilmstrip(const std::string& clipFile, std::int64_t lengthMs, QWidget* parent)
    : QWidget(parent), lengthMs_(std::max<std::int64_t>(lengthMs, 1)), outMs_(lengthMs),
      pictures_(kPictures) {
    setMinimumHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::SizeHorCursor);
    // A dedicated task of the program's pool: it may take a while on a large clip.
    worker_ = base::ThreadPool::Shared().Spawn([this, clipFile] { Decode(clipFile); });
}

ClipFilmstrip::~ClipFilmstrip() {
    // The worker posts to this strip: it ends before the strip goes (a picture it posted
    // meanwhile is dropped with the strip's events).
    stop_ = true;
    if (worker_.valid())
        worker_.wait();
}

void ClipFilmstrip::Decode(std::string clipFile) {
    // Each picture at the strip's height (shapes up to 4:1), the clip's shape kept.
    media::ClipFramesOptions options;
    options.Height = kHeight * 2;
    options.Width = 4 * options.Height;
    options.FitWithin = true;
    auto frames = media::ClipFrames::OpenFile(clipFile, options);
    if (!frames)
        return;
    for (int i = 0; i < kPictures && !stop_; ++i) {
        // The middle of each of the strip's equal parts.
        const std::int64_t ms = (2 * i + 1) * lengthMs_ / (2 * kPictures);
        if (!(*frames)->Seek(ms))
            return;
        const auto picture = (*frames)->FrameAt(ms);
        if (!picture)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, i, image = (*picture)->CopyToImage()] {
                pictures_[static_cast<std::size_t>(i)] = image;
                ++shown_;
                update();
            },
            Qt::QueuedConnection);
    }
}

void ClipFilmstrip::SetTrim(std::int64_t inMs, std::int64_t outMs) {
    inMs_ = inMs;
    outMs_ = outMs;
    update();
}

std::int64_t ClipFilmstrip::TimeAt(int x) const {
    const int w = std::max(width(), 1);
    return std::clamp<std::int64_t>(std::llround(double(x) * lengthMs_ / w), 0, lengthMs_);
}

int ClipFilmstrip::XOf(std::int64_t ms) const {
    return static_cast<int>(std::lround(double(ms) * width() / lengthMs_));
}

void ClipFilmstrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(24, 24, 24));
    // Each picture fills its part of the strip, cut to it around its middle.
    for (int i = 0; i < kPictures; ++i) {
        const QRect cell(i * width() / kPictures, 0,
                         (i + 1) * width() / kPictures - i * width() / kPictures, height());
        const QImage& picture = pictures_[static_cast<std::size_t>(i)];
        if (picture.isNull())
            continue;
        const QImage fitted =
            picture.scaled(cell.size(), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        p.drawImage(cell, fitted,
                    QRect((fitted.width() - cell.width()) / 2,
                          (fitted.height() - cell.height()) / 2, cell.width(), cell.height()));
        p.fillRect(QRect(cell.right(), 0, 1, height()), QColor(0, 0, 0));
    }
    // What the trim leaves out, shaded; the part that plays framed, its ends the handles.
    const int in = XOf(inMs_);
    const int out = XOf(outMs_);
    p.fillRect(QRect(0, 0, in, height()), QColor(0, 0, 0, 160));
    p.fillRect(QRect(out, 0, width() - out, height()), QColor(0, 0, 0, 160));
    const QColor handle(255, 200, 40);
    p.fillRect(QRect(in, 0, std::max(out - in, 1), 2), handle);
    p.fillRect(QRect(in, height() - 2, std::max(out - in, 1), 2), handle);
    for (const int x : {in, out}) {
        const QRect bar(std::clamp(x - 3, 0, std::max(width() - 6, 0)), 0, 6, height());
        p.fillRect(bar, handle);
        p.fillRect(QRect(bar.center().x(), height() / 2 - 6, 1, 12), QColor(60, 40, 0));
    }
}

void ClipFilmstrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // The handle nearer the click comes to it.
    const int x = event->position().toPoint().x();
    draggingEnd_ = std::abs(x - XOf(outMs_)) < std::abs(x - XOf(inMs_)) ||
                   (XOf(outMs_) == XOf(inMs_) && x > XOf(inMs_));
    dragging_ = true;
    Q_EMIT handleDragged(draggingEnd_, TimeAt(x));
}

void ClipFilmstrip::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        Q_EMIT handleDragged(draggingEnd_, TimeAt(event->position().toPoint().x()));
}

void ClipFilmstrip::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

} // namespace ui
