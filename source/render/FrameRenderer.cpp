#include "render/FrameRenderer.h"

#include "base/Overloaded.h"
#include "imaging/Colors.h"

#include <algorithm>

namespace render {

namespace {

std::vector<std::int32_t> FrameColors(const std::vector<project::Slide>& slides) {
    std::vector<std::int32_t> backs;
    backs.reserve(slides.size());
    for (const project::Slide& s : slides)
        backs.push_back(FrameColor(s.BackColor));
    return backs;
}

int WholeFps(FrameRate rate) {
    return rate.Den > 0 ? static_cast<int>(std::max<std::int64_t>(rate.Num / rate.Den, 1)) : 25;
}

} // namespace

std::int32_t FrameColor(std::int32_t color) {
    const auto c = static_cast<std::uint32_t>(color);
    if ((c >> 24) == 0xFF)
        return static_cast<std::int32_t>(imaging::FallbackSystemColor(static_cast<int>(c & 0xFF)));
    return static_cast<std::int32_t>(c & 0x00FFFFFF);
}

FrameRenderer::FrameRenderer(const std::vector<project::Slide>& slides, RenderOptions options)
    : slides_(slides), options_(std::move(options)), timeline_(ShowTimeline::TimesOf(slides)),
      spans_(timeline_.Spans(options_.Rate)), backs_(FrameColors(slides)),
      photos_(slides, spans_, backs_, options_.Fit, options_.Scale, options_.ScratchPath),
      clips_(slides, spans_, backs_, options_.Rate, options_.Fit, options_.Clips, photos_),
      titles_(slides, photos_), collages_(slides, spans_, backs_),
      captions_(slides, spans_, options_.Rate),
      classic_(slides, spans_, backs_, options_.Rate, photos_) {}

std::int64_t FrameRenderer::FrameCount() const {
    return timeline_.FrameCount(options_.Rate);
}

bool FrameRenderer::Moves(std::size_t i) const {
    if (i >= slides_.size())
        return false;
    const project::Slide& s = slides_[i];
    const bool moving = !s.Ext.Motion.IsStill() || CaptionOverlay::Draws(s);
    return std::visit(base::Overloaded{
                          [&](const project::PhotoBody&) { return moving; },
                          [&](const project::ClipSettings&) { return moving || clips_.Plays(); },
                          [](const imaging::TitleSettings&) { return true; },
                          [](const project::CollageSettings&) { return true; },
                      },
                      s.Body);
}

bool FrameRenderer::OwnTransition(std::size_t i) const {
    if (i >= slides_.size())
        return false;
    const auto& s = slides_[i];
    return Moves(i) || Moves(i + 1) || s.Ext.TransitionKind != 0 || s.TransitionMs % 1000 != 0;
}

FrameRenderer::Shown FrameRenderer::ShownAt(std::size_t i, std::int64_t n, int width, int height) {
    photos_.SetFrameSize(width, height);
    const project::Slide& s = slides_[i];
    Shown shown;
    imaging::MovingSlide& slide = shown.Slide;
    slide.BackColor = backs_[i];
    slide.Motion = s.Ext.Motion;
    slide.SlideIndex = static_cast<int>(i);
    slide.U = ShowTimeline::MotionProgress(spans_, i, n);
    if (!Moves(i)) {
        photos_.Still(slide, i, width, height);
        shown.Read = slide.Picture != nullptr;
        return shown;
    }
    const bool text = CaptionOverlay::Draws(s);
    double scale = 1.0; // how much the caption grows: its points are the working picture's
    std::visit(base::Overloaded{
                   [&](const project::PhotoBody&) {
                       photos_.Moving(slide, i, width, height, text);
                       scale = text ? photos_.CaptionScale(i, width, height) : 1.0;
                   },
                   [&](const project::ClipSettings&) {
                       // Unplayed, a clip is a photo of its poster.
                       if (clips_.Plays())
                           clips_.At(slide, i, n, width, height);
                       else
                           photos_.Moving(slide, i, width, height, text);
                       scale = text ? photos_.CaptionScale(i, width, height) : 1.0;
                   },
                   [&](const imaging::TitleSettings&) { titles_.At(slide, i, width, height); },
                   [&](const project::CollageSettings&) {
                       shown.Read = collages_.At(slide, i, n, width, height);
                       scale = text ? photos_.CaptionScale(i, width, height) : 1.0;
                   },
               },
               s.Body);
    if (text)
        slide.Text = captions_.At(i, n, width, height, scale);
    shown.Read = shown.Read && slide.Picture != nullptr;
    return shown;
}

FrameRenderer::TransitionTime FrameRenderer::TimeOf(std::size_t i, std::int64_t n) const {
    const auto& s = slides_[i];
    TransitionTime time;
    time.Code = s.Ext.TransitionKind != 0 ? s.Ext.TransitionKind : s.TransitionKind;
    time.D = static_cast<double>(spans_[i].TransitionMs) / 1000.0;
    const FrameRate whole = FrameRate::Fps(WholeFps(options_.Rate));
    time.T = static_cast<double>(
                 std::max<std::int64_t>(ShowTimeline::MsOfFrame(n, whole) - spans_[i].CutMs, 0)) /
             1000.0;
    return time;
}

bool FrameRenderer::Render(imaging::Bitmap& frame, std::int64_t n) {
    const std::int64_t count = FrameCount();
    if (count <= 0 || frame.IsEmpty())
        return false;
    n = std::clamp<std::int64_t>(n, 0, count - 1);
    const FrameMoment moment = ShowTimeline::MomentOf(spans_, n, options_.Rate);
    if (moment.Slide < 0)
        return false;
    const auto i = static_cast<std::size_t>(moment.Slide);
    if (!moment.InTransition)
        return RenderStill(frame, i, n);
    RenderTransition(frame, i, n, false);
    return true;
}

bool FrameRenderer::RenderStill(imaging::Bitmap& frame, std::size_t i, std::int64_t n) {
    if (!Moves(i))
        return photos_.RenderStill(frame, i);
    const Shown shown = ShownAt(i, n, frame.Width, frame.Height);
    imaging::ComposeSlideFrame(frame, shown.Slide);
    return shown.Read;
}

void FrameRenderer::RenderTransition(imaging::Bitmap& frame, std::size_t i, std::int64_t n,
                                     bool holdsFrameBefore) {
    if (!OwnTransition(i)) {
        classic_.Step(frame, i, n, holdsFrameBefore);
        return;
    }
    const Shown outgoing = ShownAt(i, n, frame.Width, frame.Height);
    if (i + 1 >= slides_.size()) {
        // The last slide's transition has no slide to bring in: it stays on screen, moving.
        imaging::ComposeSlideFrame(frame, outgoing.Slide);
        return;
    }
    const Shown incoming = ShownAt(i + 1, n, frame.Width, frame.Height);
    const TransitionTime time = TimeOf(i, n);
    imaging::ComposeTransitionFrame(frame, outgoing.Slide, incoming.Slide, time.Code, time.T,
                                    time.D, scratch_);
}

void FrameRenderer::EndTransition() {
    classic_.End();
}

base::Status FrameRenderer::Play(FrameSink& sink, int width, int height) {
    imaging::Bitmap frame = imaging::Bitmap::CreateSized(width, height);
    if (frame.IsEmpty())
        return base::Fail("no frame of " + std::to_string(width) + " x " + std::to_string(height) +
                          " pixels can be drawn");
    for (std::size_t i = 0; i < slides_.size(); ++i) {
        if (auto st = PlayStill(sink, frame, i); !st)
            return st;
        sink.Progress();
        if (auto st = PlayTransition(sink, frame, i); !st)
            return st;
        EndTransition();
        sink.Progress();
        if (sink.Stopped())
            break;
    }
    return {};
}

namespace {

// The sink's planes when frame n may be drawn straight into them: not the show's first frame
// (it starts the sink), and an even frame size.
std::optional<imaging::YuvMatrix> PlanesFor(const FrameSink& sink, const imaging::Bitmap& frame) {
    if (frame.Width % 2 != 0 || frame.Height % 2 != 0)
        return std::nullopt;
    return sink.PlanesMatrix();
}

} // namespace

base::Status FrameRenderer::PlayStill(FrameSink& sink, imaging::Bitmap& frame, std::size_t i) {
    const SlideSpan& span = spans_[i];
    const int fps = WholeFps(options_.Rate);
    if (!Moves(i)) {
        // Composed once and repeated. A working file that cannot be read leaves the frame
        // showing what it showed.
        if (!photos_.RenderStill(frame, i))
            sink.Unreadable(i);
        // The next two photos are read and scaled meanwhile, on another core.
        for (std::size_t j = i + 1; j < slides_.size() && j <= i + 2; ++j)
            if (!Moves(j))
                photos_.Prefetch(j);
        if (span.Cut <= span.First)
            return {};
        if (auto st = sink.Add(frame); !st)
            return st;
        return sink.Repeat(span.Cut - span.First - 1);
    }
    const int W = frame.Width, H = frame.Height;
    for (std::int64_t n = span.First; n < span.Cut; ++n) {
        const Shown shown = ShownAt(i, n, W, H);
        // The first frame names an unreadable picture, the last stays in frame for what follows.
        const auto matrix = PlanesFor(sink, frame);
        if (matrix && n != span.First && n + 1 != span.Cut &&
            imaging::CanComposeSlideYuv(shown.Slide)) {
            if (auto st = sink.AddPlanes([&](const imaging::Yuv420Planes& planes) {
                    imaging::ComposeSlideFrameYuv(planes, W, H, shown.Slide, *matrix);
                });
                !st)
                return st;
        } else {
            imaging::ComposeSlideFrame(frame, shown.Slide);
            if (!shown.Read && n == span.First)
                sink.Unreadable(i);
            if (auto st = sink.Add(frame); !st)
                return st;
        }
        if ((n - span.First) % fps == fps - 1)
            sink.Progress();
    }
    return {};
}

base::Status FrameRenderer::PlayTransition(FrameSink& sink, imaging::Bitmap& frame, std::size_t i) {
    const SlideSpan& span = spans_[i];
    const int fps = WholeFps(options_.Rate);
    const bool own = OwnTransition(i);
    const bool last = i + 1 >= slides_.size();
    const int W = frame.Width, H = frame.Height;
    for (std::int64_t n = span.Cut; n < span.End; ++n) {
        const auto matrix = own && n + 1 != span.End ? PlanesFor(sink, frame) : std::nullopt;
        if (!matrix) {
            // The frame holds the one before it, drawn here: stepped on without a copy.
            RenderTransition(frame, i, n, n > span.Cut);
        } else {
            const Shown outgoing = ShownAt(i, n, W, H);
            const Shown incoming = last ? Shown{} : ShownAt(i + 1, n, W, H);
            const TransitionTime time = TimeOf(i, n);
            const bool planes =
                last ? imaging::CanComposeSlideYuv(outgoing.Slide)
                     : imaging::CanComposeTransitionYuv(outgoing.Slide, incoming.Slide, time.Code,
                                                        time.T, time.D);
            if (planes) {
                if (auto st = sink.AddPlanes([&](const imaging::Yuv420Planes& out) {
                        if (last)
                            imaging::ComposeSlideFrameYuv(out, W, H, outgoing.Slide, *matrix);
                        else
                            imaging::ComposeTransitionFrameYuv(out, W, H, outgoing.Slide,
                                                               incoming.Slide, time.Code, time.T,
                                                               time.D, *matrix);
                    });
                    !st)
                    return st;
                if ((n - span.Cut) % fps == fps - 1)
                    sink.Progress();
                continue;
            }
            if (last)
                imaging::ComposeSlideFrame(frame, outgoing.Slide);
            else
                imaging::ComposeTransitionFrame(frame, outgoing.Slide, incoming.Slide, time.Code,
                                                time.T, time.D, scratch_);
        }
        if (auto st = sink.Add(frame); !st)
            return st;
        if ((n - span.Cut) % fps == fps - 1)
            sink.Progress();
    }
    return {};
}

} // namespace render
