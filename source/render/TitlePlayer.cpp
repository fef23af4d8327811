#include "render/TitlePlayer.h"

#include "imaging/TitleCard.h"

namespace render {

TitlePlayer::TitlePlayer(const std::vector<project::Slide>& slides, PhotoPlayer& photos)
    : slides_(slides), photos_(photos) {}

void TitlePlayer::At(imaging::MovingSlide& slide, std::size_t i, int width, int height) {
    slide.Motion = imaging::Motion{};
    Backdrop& b = backdrops_[i % 2];
    if (b.Index != i || b.Width != width || b.Height != height) {
        b = Backdrop{i, width, height, imaging::Bitmap::CreateSized(width, height)};
        const imaging::TitleSettings& title = *slides_[i].Title();
        if (!b.Picture.IsEmpty()) {
            // A blurred backdrop shows the photo that follows (none when a title follows).
            const bool blur = title.Backdrop == imaging::TitleBackdrop::Blur;
            const imaging::Bitmap* next = blur && i + 1 < slides_.size() && !slides_[i + 1].Title()
                                              ? photos_.Picture(i + 1)
                                              : nullptr;
            imaging::DrawTitleBackdrop(b.Picture, title, next);
        }
    }
    slide.Picture = b.Picture.IsEmpty() ? nullptr : &b.Picture;
}

} // namespace render
