#include "render/SlideComposer.h"

#include "base/ThreadPool.h"
#include "imaging/BmpFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace render {

SlideComposer::SlideComposer(PictureFit fit, std::string scratchPath)
    : fit_(std::move(fit)), scratch_(std::move(scratchPath)) {}

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
        return imaging::RenderSlideToFrame(*frame, &slide).ok() ? frame : nullptr;
    const auto picture =
        slide.Draw ? slide.Draw(width, height) : imaging::LoadSlidePicture(slide.WorkFile);
    if (!picture)
        return nullptr;
    fit_(*frame, *picture, slide.BackColor);
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

std::shared_ptr<const imaging::Bitmap> SlideComposer::Frame(const imaging::SlideSource& slide,
                                                            int width, int height) {
    if (width < 1 || height < 1)
        return nullptr;
    width_ = width;
    height_ = height;
    return Take(slide);
}

imaging::SlideSource SlideComposer::Incoming(const imaging::SlideSource& slide) {
    if (width_ < 1 || height_ < 1)
        return slide;
    const auto composed = Take(slide);
    if (!composed)
        return slide; // the transition finds it unreadable too
    if (!imaging::SaveBmpFile(scratch_, *composed).ok())
        return slide; // composed the plain way instead
    return imaging::SlideSource{scratch_, slide.BackColor};
}

void SlideComposer::DropIncoming() {
    std::remove(scratch_.c_str());
}

} // namespace render
