#include "render/CollagePlayer.h"

#include "project/CollageDrawing.h"
#include "render/PhotoPlayer.h"

namespace render {

CollagePlayer::CollagePlayer(const std::vector<project::Slide>& slides,
                             const std::vector<SlideSpan>& spans,
                             const std::vector<std::int32_t>& backs)
    : slides_(slides), spans_(spans), backs_(backs) {}

CollagePlayer::Drawn& CollagePlayer::DrawnFor(std::size_t i, int width, int height) {
    Drawn& d = drawn_[i % 2];
    if (d.Index == i && d.Width == width && d.Height == height)
        return d;
    d = Drawn{};
    d.Index = i;
    d.Width = width;
    d.Height = height;
    d.Frame = imaging::Bitmap::CreateSized(width, height);
    const project::CollageSettings& collage = *slides_[i].Collage();
    const std::vector<project::CollageCell> cells =
        project::CollageCells(collage.Layout, collage.Photos.size(), width, height, collage.Gap);
    d.AllRead = true;
    for (std::size_t k = 0; k < collage.Photos.size(); ++k) {
        // A collage whose cells do not fit draws nothing of its photos: they are not read.
        auto photo = k < cells.size() ? project::DrawCollagePhoto(collage.Photos[k], cells[k].Width,
                                                                  cells[k].Height)
                                      : base::Result<imaging::Bitmap>(imaging::Bitmap());
        d.AllRead = d.AllRead && photo && !photo->IsEmpty();
        d.Photos.push_back(photo ? std::move(*photo) : imaging::Bitmap());
        d.Levels.emplace_back();
    }
    return d;
}

bool CollagePlayer::At(imaging::MovingSlide& slide, std::size_t i, std::int64_t n, int width,
                       int height) {
    Drawn& d = DrawnFor(i, width, height);
    slide.Motion = FrameSizedPicture();
    slide.Picture = d.Frame.IsEmpty() ? nullptr : &d.Frame;
    if (slide.Picture == nullptr || d.FrameOf == n)
        return d.AllRead;
    std::vector<project::CollagePicture> pictures;
    pictures.reserve(d.Photos.size());
    for (std::size_t k = 0; k < d.Photos.size(); ++k)
        pictures.push_back(d.Photos[k].IsEmpty()
                               ? project::CollagePicture{}
                               : project::CollagePicture{&d.Photos[k], &d.Levels[k]});
    project::DrawCollage(d.Frame, *slides_[i].Collage(), pictures,
                         ShowTimeline::MotionProgress(spans_, i, n), backs_[i]);
    d.FrameOf = n;
    return d.AllRead;
}

} // namespace render
