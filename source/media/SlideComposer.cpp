#include "media/SlideComposer.h"

#include "base/ThreadPool.h"
#include "imaging/BmpFile.h"
#include "media/FfPtr.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace media {

imaging::ImageSize FillingSize(int w, int h, int boxW, int boxH) {
    if (w < 1 || h < 1 || boxW < 1 || boxH < 1)
        return {};
    // The larger of the two fits whose other side stays in the box, rounded to nearest.
    const std::int64_t byWidth = (static_cast<std::int64_t>(h) * boxW * 2 + w) / (2 * w);
    if (byWidth <= boxH)
        return {boxW, static_cast<std::int32_t>(std::max<std::int64_t>(1, byWidth))};
    const std::int64_t byHeight = (static_cast<std::int64_t>(w) * boxH * 2 + h) / (2 * h);
    return {static_cast<std::int32_t>(
                std::max<std::int64_t>(1, std::min<std::int64_t>(byHeight, boxW))),
            boxH};
}

void ComposeSharp(imaging::Bitmap& target, const imaging::Bitmap& picture, std::int32_t backColor) {
    if (target.IsEmpty())
        return;
    imaging::FillColor(target, backColor);
    if (picture.IsEmpty())
        return;
    const imaging::ImageSize fit =
        FillingSize(picture.Width, picture.Height, target.Width, target.Height);
    if (fit.Width < 1 || fit.Height < 1)
        return;
    const int x0 = (target.Width - fit.Width) / 2;
    const int y0 = (target.Height - fit.Height) / 2;
    if (fit.Width == picture.Width && fit.Height == picture.Height) {
        target.Draw(picture, x0, y0);
        return;
    }
    const bool grows = fit.Width > picture.Width || fit.Height > picture.Height;
    FfPtr<SwsContext> sws(sws_getContext(
        picture.Width, picture.Height, AV_PIX_FMT_BGR24, fit.Width, fit.Height, AV_PIX_FMT_BGR24,
        (grows ? SWS_LANCZOS : SWS_AREA) | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr,
        nullptr));
    if (!sws) {
        imaging::ComposePhoto(target, picture, backColor); // the plain way, never nothing
        return;
    }
    const std::uint8_t* src[1] = {picture.Bits};
    const int srcStride[1] = {picture.RowStride};
    std::uint8_t* dst[1] = {target.Row(y0) + static_cast<std::ptrdiff_t>(x0) * 3};
    const int dstStride[1] = {target.RowStride};
    sws_scale(sws.get(), src, srcStride, 0, picture.Height, dst, dstStride);
}

SlideComposer::SlideComposer(bool fitToFrame, std::string scratchPath)
    : fit_(fitToFrame), scratch_(std::move(scratchPath)) {}

SlideComposer::~SlideComposer() {
    for (Composed& c : ahead_)
        c.Frame.wait(); // their tasks use this composer
    DropIncoming();
}

namespace {

bool SameSlide(const imaging::SlideSource& a, const imaging::SlideSource& b) {
    return a.WorkFile == b.WorkFile && a.BackColor == b.BackColor;
}

} // namespace

std::shared_ptr<const imaging::Bitmap> SlideComposer::Compose(const imaging::SlideSource& slide,
                                                              int width, int height) const {
    auto frame = std::make_shared<imaging::Bitmap>(imaging::Bitmap::CreateSized(width, height));
    if (!fit_)
        return imaging::RenderSlideToFrame(*frame, &slide) ? frame : nullptr;
    imaging::Bitmap picture;
    if (!imaging::LoadSlidePicture(slide.WorkFile, picture))
        return nullptr;
    ComposeSharp(*frame, picture, slide.BackColor);
    return frame;
}

std::shared_ptr<const imaging::Bitmap> SlideComposer::Take(const imaging::SlideSource& slide) {
    auto fits = [&](const Composed& c) {
        return c.Frame.valid() && SameSlide(c.Slide, slide) && c.Width == width_ &&
               c.Height == height_;
    };
    if (fits(last_))
        return last_.Frame.get();
    for (auto it = ahead_.begin(); it != ahead_.end(); ++it)
        if (fits(*it)) {
            last_ = std::move(*it);
            ahead_.erase(it);
            return last_.Frame.get();
        }
    last_ = Composed{slide, width_, height_, {}};
    std::promise<std::shared_ptr<const imaging::Bitmap>> now;
    now.set_value(Compose(slide, width_, height_));
    last_.Frame = now.get_future().share();
    return last_.Frame.get();
}

void SlideComposer::Prefetch(const imaging::SlideSource& slide) {
    if (width_ < 1 || height_ < 1)
        return;
    for (const Composed& c : ahead_)
        if (SameSlide(c.Slide, slide))
            return;
    while (ahead_.size() >= 2) {
        ahead_.front().Frame.wait(); // its task uses this composer
        ahead_.pop_front();
    }
    Composed c{slide, width_, height_, {}};
    c.Frame = base::ThreadPool::Shared()
                  .Spawn([this, slide, w = width_, h = height_] { return Compose(slide, w, h); })
                  .share();
    ahead_.push_back(std::move(c));
}

bool SlideComposer::Render(imaging::Bitmap& frame, const imaging::SlideSource& slide) {
    width_ = frame.Width;
    height_ = frame.Height;
    const auto composed = Take(slide);
    if (!composed)
        return false;
    std::memcpy(frame.Bits, composed->Bits, static_cast<std::size_t>(frame.ByteSize));
    return true;
}

imaging::SlideSource SlideComposer::Incoming(const imaging::SlideSource& slide) {
    if (width_ < 1 || height_ < 1)
        return slide;
    const auto composed = Take(slide);
    if (!composed)
        return slide; // the transition finds it unreadable too
    if (!imaging::SaveBmpFile(scratch_, *composed))
        return slide; // composed the plain way instead
    return imaging::SlideSource{scratch_, slide.BackColor};
}

void SlideComposer::DropIncoming() {
    std::remove(scratch_.c_str());
}

} // namespace media
