#include "render/MovingFrames.h"

#include "imaging/AutoMotion.h"
#include "imaging/Compose.h"
#include "imaging/FaceDetect.h"
#include "imaging/TransitionFrame.h"
#include "project/OriginalDrawing.h"
#include "project/SlideEdits.h"
#include "project/SlideKind.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// Text the renderer draws over the slide: a title, a caption that moves, or any caption over a
// clip's pictures.
bool HasMovingText(const project::Slide& s) {
    return s.Title() != nullptr ||
           ((s.Caption.Motion != imaging::TextMotion::None || s.Clip() != nullptr) &&
            !s.Caption.Text.empty());
}

} // namespace

MovingFrames::MovingFrames(const std::vector<project::Slide>& slides, std::vector<SlideSpan> spans,
                           std::vector<std::int32_t> backColors, FrameRate rate, PictureFit fit,
                           ClipOpener clips, PictureScale scale, StillFrame stills)
    : slides_(slides), spans_(std::move(spans)), backs_(std::move(backColors)), rate_(rate),
      fit_(std::move(fit)), clips_(std::move(clips)), scale_(std::move(scale)),
      still_(std::move(stills)) {}

bool MovingFrames::ShowsClip(std::size_t i) const {
    return i < slides_.size() && slides_[i].Clip() && clips_;
}

bool MovingFrames::MovingStill(std::size_t i) const {
    return i < slides_.size() &&
           (!slides_[i].Ext.Motion.IsStill() || HasMovingText(slides_[i]) || ShowsClip(i));
}

bool MovingFrames::OwnTransition(std::size_t i) const {
    if (i >= slides_.size())
        return false;
    const auto& s = slides_[i];
    const bool nextMoves = MovingStill(i + 1);
    return MovingStill(i) || nextMoves || s.Ext.TransitionKind != 0 || s.TransitionMs % 1000 != 0;
}

double MovingFrames::Progress(std::size_t i, std::int64_t n) const {
    return ShowTimeline::MotionProgress(spans_, i, n);
}

const imaging::Bitmap* MovingFrames::Picture(std::size_t i) {
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

imaging::Bitmap MovingFrames::DrawnFromOriginal(std::size_t i) const {
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

double MovingFrames::CaptionScale(std::size_t i, int width, int height) {
    const imaging::Bitmap* picture = Picture(i);
    for (const Held& h : held_)
        if (h.Index == i && h.WorkWidth > 0 && h.WorkHeight > 0)
            return std::min(double(width) / h.WorkWidth, double(height) / h.WorkHeight);
    if (picture == nullptr || picture->IsEmpty())
        return 1.0;
    return std::min(double(width) / picture->Width, double(height) / picture->Height);
}

const std::vector<imaging::FaceBox>* MovingFrames::Faces(std::size_t i,
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

const imaging::Bitmap* MovingFrames::Stage(std::size_t i, int width, int height) {
    const project::Slide& s = slides_[i];
    Staged& st = staged_[i % 2];
    if (st.Index == i && st.Width == width && st.Height == height)
        return st.Made ? &st.Picture : nullptr;
    st.Index = i;
    st.Width = width;
    st.Height = height;
    st.Picture = imaging::Bitmap::CreateSized(width, height);
    st.Made = !st.Picture.IsEmpty();
    if (!st.Made)
        return nullptr;
    if (s.Title()) {
        const bool blur = s.Title()->Backdrop == imaging::TitleBackdrop::Blur;
        const imaging::Bitmap* next =
            blur && i + 1 < slides_.size() && !slides_[i + 1].Title() ? Picture(i + 1) : nullptr;
        imaging::DrawTitleBackdrop(st.Picture, *s.Title(), next);
        return &st.Picture;
    }
    const imaging::Bitmap* picture = Picture(i);
    if (picture == nullptr) {
        st.Made = false;
        return nullptr;
    }
    if (fit_)
        fit_(st.Picture, *picture, backs_[i]);
    else
        imaging::ComposePhoto(st.Picture, *picture, backs_[i]);
    return &st.Picture;
}

const imaging::PlacedText* MovingFrames::TextOf(std::size_t i, std::int64_t n, int width,
                                                int height, const imaging::Bitmap* picture) {
    const project::Slide& s = slides_[i];
    if (!HasMovingText(s))
        return nullptr;
    const imaging::TextMotion motion = s.Title() ? s.Title()->Motion : s.Caption.Motion;
    // The caption's size is in the working picture's points: it grows with the picture as shown.
    const imaging::CaptionLook look =
        s.Title() ? imaging::CaptionLook{} : project::LookOf(s.Caption);
    const double scale = s.Title() || picture == nullptr ? 1.0 : CaptionScale(i, width, height);
    const auto blockOf = [&] {
        return s.Title() ? imaging::TitleText(*s.Title(), width, height)
                         : imaging::MovingCaptionText(look, scale);
    };

    Lettered& text = lettered_[i % 2];
    if (text.Index != i || text.Width != width || text.Height != height || text.Scale != scale) {
        text = Lettered{};
        text.Index = i;
        text.Width = width;
        text.Height = height;
        text.Scale = scale;
        text.Count = imaging::CountLetters(blockOf());
    }
    // From the start of the first visible frame to the start of the last, so that progress u
    // of that span is the frame's own time within it.
    const std::int64_t first = i == 0 ? spans_[0].First : spans_[i - 1].Cut;
    const std::int64_t last = std::max(spans_[i].End - 1, first);
    const double seconds = static_cast<double>(last - first) * static_cast<double>(rate_.Den) /
                           static_cast<double>(rate_.Num);
    const imaging::TextMotionState state =
        imaging::TextMotionAt(motion, Progress(i, n), seconds, text.Count);
    if (text.Letters != state.Letters) {
        text.Letters = state.Letters;
        // A partial layer keeps the whole text's block, so letters keep their places as they come.
        text.Layer = imaging::RenderTextLayer(blockOf(), state.Letters);
        text.Place = s.Title()
                         ? imaging::TitlePlace(text.Layer, width, height)
                         : imaging::MovingCaptionPlace(look, text.Layer, scale, width, height);
    }
    imaging::PlacedText& placed = placed_[i % 2];
    placed.Layer = &text.Layer;
    placed.Place = text.Place;
    placed.State = state;
    return &placed;
}

std::int64_t MovingFrames::ClipMs(std::size_t i, std::int64_t n) const {
    const project::ClipSettings& clip = *slides_[i].Clip();
    const std::int64_t from = i == 0 ? 0 : spans_[i - 1].CutMs;
    const std::int64_t ms = clip.InMs + ShowTimeline::MsOfFrame(n, rate_) - from;
    return std::clamp<std::int64_t>(ms, clip.InMs, std::max(clip.InMs, clip.OutMs - 1));
}

const imaging::Bitmap* MovingFrames::ClipFrame(std::size_t i, std::int64_t n, int width,
                                               int height) {
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

imaging::MovingSlide MovingFrames::SlideAt(std::size_t i, std::int64_t n, int width, int height) {
    if (width > 0 && height > 0 && (width != frameWidth_ || height != frameHeight_)) {
        // A new frame size needs the originals reduced for it.
        frameWidth_ = width;
        frameHeight_ = height;
        for (Held& h : held_)
            if (!slides_[std::min(h.Index, slides_.size() - 1)].DrawableOriginal().empty())
                h = Held{};
    }
    imaging::MovingSlide slide;
    slide.BackColor = backs_[i];
    slide.Motion = slides_[i].Ext.Motion;
    slide.SlideIndex = static_cast<int>(i);
    slide.U = Progress(i, n);
    if (!MovingStill(i) && still_) {
        // A slide that does not move is its still throughout its transitions: the very frame the
        // driver shows before and after them, drawn by the sampler at the state that maps each
        // frame pixel onto itself (so a transition may still be drawn straight into YUV planes).
        slide.Picture = StillOf(i, width, height);
        slide.Motion = imaging::Motion{imaging::MotionMode::Manual, {}, {}, {}};
        return slide;
    }
    if (ShowsClip(i)) {
        // Shown as filmed, on the frame like a photo; a caption goes over it.
        slide.Motion = imaging::Motion{};
        slide.Picture = width > 0 && height > 0 ? ClipFrame(i, n, width, height) : nullptr;
        if (slide.Picture == nullptr)
            slide.Picture = Picture(i); // the poster, when the clip cannot be decoded
        if (HasMovingText(slides_[i]))
            slide.Text = TextOf(i, n, width, height, Picture(i));
        return slide;
    }
    if (!HasMovingText(slides_[i])) {
        slide.Picture = Picture(i);
        slide.Faces = Faces(i, slide.Picture);
        slide.Levels = LevelsOf(i);
        return slide;
    }
    const project::Slide& s = slides_[i];
    const imaging::Bitmap* own = s.Title() ? nullptr : Picture(i);
    if (s.Title() || slide.Motion.IsStill()) {
        // Drawn once at the frame's size; each frame then copies it and draws the text.
        slide.Picture = Stage(i, width, height);
        slide.Motion = imaging::Motion{};
    } else {
        slide.Picture = own;
        slide.Faces = Faces(i, own);
        slide.Levels = LevelsOf(i);
    }
    slide.Text = TextOf(i, n, width, height, own);
    return slide;
}

imaging::PicturePyramid* MovingFrames::LevelsOf(std::size_t i) {
    for (Held& h : held_)
        if (h.Index == i && h.Read)
            return &h.Levels;
    return nullptr;
}

const imaging::Bitmap* MovingFrames::StillOf(std::size_t i, int width, int height) {
    if (width < 1 || height < 1) {
        width = frameWidth_;
        height = frameHeight_;
    }
    if (width < 1 || height < 1)
        return nullptr;
    StillHeld& st = stills_[i % 2];
    if (st.Index != i || st.Width != width || st.Height != height)
        st = StillHeld{i, width, height, still_(i, width, height)};
    return st.Frame.get();
}

MovingFrames::TransitionTime MovingFrames::TimeOf(std::size_t i, std::int64_t n, int fps) const {
    const auto& s = slides_[i];
    TransitionTime time;
    time.Code = s.Ext.TransitionKind != 0 ? s.Ext.TransitionKind : s.TransitionKind;
    time.D = static_cast<double>(spans_[i].TransitionMs) / 1000.0;
    time.T = static_cast<double>(std::max<std::int64_t>(
                 ShowTimeline::MsOfFrame(n, FrameRate::Fps(fps)) - spans_[i].CutMs, 0)) /
             1000.0;
    return time;
}

bool MovingFrames::Still(imaging::Bitmap& frame, std::size_t i, std::int64_t n, int /*fps*/) {
    const imaging::MovingSlide slide = SlideAt(i, n, frame.Width, frame.Height);
    imaging::ComposeSlideFrame(frame, slide);
    return slide.Picture != nullptr;
}

void MovingFrames::Transition(imaging::Bitmap& frame, std::size_t i, std::int64_t n, int fps) {
    const imaging::MovingSlide outgoing = SlideAt(i, n, frame.Width, frame.Height);
    if (i + 1 >= slides_.size()) {
        // The last slide's transition has no slide to bring in: it stays on screen, moving.
        imaging::ComposeSlideFrame(frame, outgoing);
        return;
    }
    const imaging::MovingSlide incoming = SlideAt(i + 1, n, frame.Width, frame.Height);
    const TransitionTime time = TimeOf(i, n, fps);
    imaging::ComposeTransitionFrame(frame, outgoing, incoming, time.Code, time.T, time.D, scratch_);
}

bool MovingFrames::StillYuvDrawn(std::size_t i) {
    // Text and clips are drawn on 24-bit frames only.
    return MovingStill(i) && !HasMovingText(slides_[i]) && !ShowsClip(i) &&
           imaging::CanComposeSlideYuv(SlideAt(i, 0, 0, 0));
}

bool MovingFrames::TransitionYuvDrawn(std::size_t i, std::int64_t n, int fps) {
    if (i + 1 >= slides_.size())
        return StillYuvDrawn(i);
    const TransitionTime time = TimeOf(i, n, fps);
    if (HasMovingText(slides_[i]) || HasMovingText(slides_[i + 1]) || ShowsClip(i) ||
        ShowsClip(i + 1))
        return false;
    return imaging::CanComposeTransitionYuv(SlideAt(i, n, 0, 0), SlideAt(i + 1, n, 0, 0), time.Code,
                                            time.T, time.D);
}

bool MovingFrames::StillYuv(const imaging::Yuv420Planes& out, std::int32_t width,
                            std::int32_t height, std::size_t i, std::int64_t n,
                            imaging::YuvMatrix matrix) {
    return imaging::ComposeSlideFrameYuv(out, width, height, SlideAt(i, n, width, height), matrix);
}

bool MovingFrames::TransitionYuv(const imaging::Yuv420Planes& out, std::int32_t width,
                                 std::int32_t height, std::size_t i, std::int64_t n, int fps,
                                 imaging::YuvMatrix matrix) {
    if (i + 1 >= slides_.size())
        return StillYuv(out, width, height, i, n, matrix);
    const TransitionTime time = TimeOf(i, n, fps);
    return imaging::ComposeTransitionFrameYuv(out, width, height, SlideAt(i, n, width, height),
                                              SlideAt(i + 1, n, width, height), time.Code, time.T,
                                              time.D, matrix);
}

} // namespace render
