#include "render/PhotoPlayer.h"

#include "imaging/AutoMotion.h"
#include "imaging/Compose.h"
#include "imaging/FaceDetect.h"
#include "project/OriginalDrawing.h"
#include "project/SlideKind.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace render {

imaging::Motion FrameSizedPicture() {
    return imaging::Motion{imaging::MotionMode::Manual, {}, {}, {}};
}

PhotoPlayer::PhotoPlayer(const std::vector<project::Slide>& slides,
                         const std::vector<SlideSpan>& spans,
                         const std::vector<std::int32_t>& backs, PictureFit fit, PictureScale scale,
                         std::string scratchPath)
    : slides_(slides), spans_(spans), backs_(backs), fit_(fit), scale_(std::move(scale)),
      composer_(std::move(fit), std::move(scratchPath)) {}

imaging::SlideSource PhotoPlayer::SourceOf(std::size_t i) const {
    // A still is composed from the photo's original where it may be, sharp at any frame size, by
    // a fit that reduces by area (the export's); the preview's bilinear fit keeps to the working
    // picture, which it never reduces far.
    const std::string original = fit_ ? slides_[i].DrawableOriginal() : std::string();
    if (original.empty())
        return imaging::SlideSource{slides_[i].WorkFile, backs_[i]};
    const project::Slide& slide = slides_[i];
    return imaging::SlideSource{original, backs_[i], [&slide](int width, int height) {
                                    return project::DrawOriginal(slide, [&](double w, double h) {
                                        return std::min(width / w, height / h);
                                    });
                                }};
}

bool PhotoPlayer::RenderStill(imaging::Bitmap& frame, std::size_t i) {
    return composer_.Render(frame, SourceOf(i));
}

void PhotoPlayer::Prefetch(std::size_t i) {
    composer_.Prefetch(SourceOf(i));
}

imaging::SlideSource PhotoPlayer::Incoming(std::size_t i) {
    return composer_.Incoming(SourceOf(i));
}

void PhotoPlayer::Still(imaging::MovingSlide& slide, std::size_t i, int width, int height) {
    // The very frame the driver shows before and after the transitions, drawn by the sampler at
    // the state that maps each frame pixel onto itself.
    Sized& st = stills_[i % 2];
    if (st.Index != i || st.Width != width || st.Height != height)
        st = Sized{i, width, height, composer_.Frame(SourceOf(i), width, height)};
    slide.Picture = st.Picture.get();
    slide.Motion = FrameSizedPicture();
}

void PhotoPlayer::Moving(imaging::MovingSlide& slide, std::size_t i, int width, int height,
                         bool underText) {
    if (underText && slide.Motion.IsStill()) {
        // Drawn once at the frame's size; each frame then copies it and draws the text.
        slide.Picture = Fitted(i, width, height);
        slide.Motion = imaging::Motion{};
        return;
    }
    slide.Picture = Picture(i);
    slide.Faces = Faces(i, slide.Picture);
    slide.Levels = LevelsOf(i);
}

const imaging::Bitmap* PhotoPlayer::Fitted(std::size_t i, int width, int height) {
    Sized& st = fitted_[i % 2];
    if (st.Index == i && st.Width == width && st.Height == height)
        return st.Picture.get();
    st = Sized{i, width, height, nullptr};
    auto fitted = std::make_shared<imaging::Bitmap>(imaging::Bitmap::CreateSized(width, height));
    const imaging::Bitmap* picture = fitted->IsEmpty() ? nullptr : Picture(i);
    if (picture == nullptr)
        return nullptr;
    if (fit_)
        fit_(*fitted, *picture, backs_[i]);
    else
        imaging::ComposePhoto(*fitted, *picture, backs_[i]);
    st.Picture = std::move(fitted);
    return st.Picture.get();
}

void PhotoPlayer::SetFrameSize(int width, int height) {
    if (width < 1 || height < 1 || (width == frameWidth_ && height == frameHeight_))
        return;
    // A new frame size needs the originals reduced for it.
    frameWidth_ = width;
    frameHeight_ = height;
    for (Held& h : held_)
        if (!slides_[std::min(h.Index, slides_.size() - 1)].DrawableOriginal().empty())
            h = Held{};
}

const imaging::Bitmap* PhotoPlayer::Picture(std::size_t i) {
    ++uses_;
    for (Held& h : held_)
        if (h.Index == i) {
            h.Used = uses_;
            return h.Read ? &h.Picture : nullptr;
        }
    // The picture used longest ago makes way, never the one just asked for: the two slides of a
    // transition are asked for one after the other, in any order, and both stay.
    Held& slot = held_[0].Used <= held_[1].Used ? held_[0] : held_[1];
    slot.Index = i;
    slot.Used = uses_;
    slot.Picture = imaging::Bitmap();
    slot.Levels.Clear();
    const QSize work = QImageReader(QString::fromStdString(slides_[i].WorkFile)).size();
    slot.WorkWidth = work.width();
    slot.WorkHeight = work.height();
    // Drawn sharp from the original where the working picture holds nothing it lacks.
    if (!slides_[i].DrawableOriginal().empty() && frameWidth_ > 0 && frameHeight_ > 0)
        slot.Picture = DrawnFromOriginal(i);
    if (slot.Picture.IsEmpty()) {
        auto loaded = imaging::LoadSlidePicture(slides_[i].WorkFile);
        slot.Picture = loaded ? std::move(*loaded) : imaging::Bitmap();
    }
    slot.Read = !slot.Picture.IsEmpty();
    slot.Found.reset();
    return slot.Read ? &slot.Picture : nullptr;
}

imaging::Bitmap PhotoPlayer::DrawnFromOriginal(std::size_t i) const {
    const project::Slide& s = slides_[i];
    // The frames sample the picture at its fit times the motion's largest zoom at their closest.
    const auto sampling = [&](double w, double h) {
        const int pw = std::max(1, static_cast<int>(std::lround(w)));
        const int ph = std::max(1, static_cast<int>(std::lround(h)));
        const imaging::Motion motion =
            imaging::ResolveMotion(s.Ext.Motion, static_cast<int>(i), frameWidth_, frameHeight_, pw,
                                   ph, project::FacesOf(s));
        const double zoom = motion.IsStill() ? 1.0 : std::max(motion.Start.Z, motion.End.Z);
        return std::min(double(frameWidth_) / w, double(frameHeight_) / h) * zoom;
    };
    auto drawn = project::DrawOriginal(s, sampling);
    if (!drawn)
        return {};
    // Sampled so close that the bilinear sampling would soften it: enlarged by the sharp filter
    // first, to the density the sampling keeps sharp, within a bound on its pixels. Sampled less
    // closely, it keeps the detail as it is, and enlarging would only cost time.
    constexpr double kMaxEnlargedPixels = 48.0 * 1024 * 1024;
    const double w = drawn->Width, h = drawn->Height;
    const double closest = sampling(w, h);
    const double k = std::min(closest / kSharpSampling, std::sqrt(kMaxEnlargedPixels / (w * h)));
    if (scale_ && closest > kEnlargeAbove && k > 1.1)
        if (imaging::Bitmap enlarged = scale_(*drawn, static_cast<int>(std::lround(w * k)),
                                              static_cast<int>(std::lround(h * k)));
            !enlarged.IsEmpty())
            return enlarged;
    return std::move(*drawn);
}

double PhotoPlayer::CaptionScale(std::size_t i, int width, int height) {
    const imaging::Bitmap* picture = Picture(i);
    if (picture == nullptr || picture->IsEmpty())
        return 1.0;
    for (const Held& h : held_)
        if (h.Index == i && h.WorkWidth > 0 && h.WorkHeight > 0)
            return std::min(double(width) / h.WorkWidth, double(height) / h.WorkHeight);
    return std::min(double(width) / picture->Width, double(height) / picture->Height);
}

const std::vector<imaging::FaceBox>* PhotoPlayer::Faces(std::size_t i,
                                                        const imaging::Bitmap* picture) {
    const project::Slide& s = slides_[i];
    if (s.Ext.Motion.Mode != imaging::MotionMode::Auto)
        return nullptr;
    if (const auto* faces = s.Faces(); faces && *faces)
        return &**faces;
    // A show from before faces were looked for: found on the working picture, as an import would.
    for (Held& h : held_)
        if (h.Index == i && h.Read && &h.Picture == picture) {
            if (!h.Found)
                h.Found = imaging::DetectFaces(h.Picture);
            return &*h.Found;
        }
    return nullptr;
}

imaging::PicturePyramid* PhotoPlayer::LevelsOf(std::size_t i) {
    for (Held& h : held_)
        if (h.Index == i && h.Read)
            return &h.Levels;
    return nullptr;
}

} // namespace render
