#include "render/ClipPlayer.h"

#include "imaging/Compose.h"

#include <algorithm>

namespace render {

ClipPlayer::ClipPlayer(const std::vector<project::Slide>& slides,
                       const std::vector<SlideSpan>& spans, const std::vector<std::int32_t>& backs,
                       FrameRate rate, PictureFit fit, ClipOpener clips, PhotoPlayer& posters)
    : slides_(slides), spans_(spans), backs_(backs), rate_(rate), fit_(std::move(fit)),
      clips_(std::move(clips)), posters_(posters) {}

std::int64_t ClipPlayer::ClipMs(std::size_t i, std::int64_t n) const {
    const project::ClipSettings& clip = *slides_[i].Clip();
    const std::int64_t from = i == 0 ? 0 : spans_[i - 1].CutMs;
    const std::int64_t ms = clip.InMs + ShowTimeline::MsOfFrame(n, rate_) - from;
    return std::clamp<std::int64_t>(ms, clip.InMs, std::max(clip.InMs, clip.OutMs - 1));
}

const imaging::Bitmap* ClipPlayer::Frame(std::size_t i, std::int64_t n, int width, int height) {
    Playing& p = playing_[i % 2];
    if (p.Index != i || p.Width != width || p.Height != height) {
        p = Playing{};
        p.Index = i;
        p.Width = width;
        p.Height = height;
        p.Pictures = clips_(*slides_[i].Clip(), width, height);
        p.Frame = imaging::Bitmap::CreateSized(width, height);
    }
    if (!p.Pictures || p.Frame.IsEmpty())
        return nullptr;
    const imaging::Bitmap* picture = p.Pictures->At(ClipMs(i, n));
    if (picture == nullptr)
        return nullptr;
    // A clip holds each picture for several frames at a high output rate: put on the frame once.
    if (p.Pictures->PictureMs() != p.ShownMs) {
        if (fit_)
            fit_(p.Frame, *picture, backs_[i]);
        else
            imaging::ComposePhoto(p.Frame, *picture, backs_[i]);
    }
    p.ShownMs = p.Pictures->PictureMs();
    return &p.Frame;
}

void ClipPlayer::At(imaging::MovingSlide& slide, std::size_t i, std::int64_t n, int width,
                    int height) {
    slide.Motion = imaging::Motion{};
    slide.Picture = Frame(i, n, width, height);
    if (slide.Picture == nullptr)
        slide.Picture = posters_.Picture(i);
}

} // namespace render
