#include "render/FrameRenderer.h"

#include "project/OriginalDrawing.h"

#include "imaging/Colors.h"

#include <algorithm>
#include <cstring>

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
      moving_(slides, spans_, backs_, options_.Rate, options_.Fit, options_.Clips, options_.Scale,
              // The transitions drawn frame by frame start and end on the stills composed here.
              [this](std::size_t i, int width, int height) {
                  return composer_.Frame(SourceOf(i), width, height);
              }),
      composer_(options_.Fit, options_.ScratchPath) {}

std::int64_t FrameRenderer::FrameCount() const {
    return timeline_.FrameCount(options_.Rate);
}

imaging::SlideSource FrameRenderer::SourceOf(std::size_t i) const {
    // A still is composed from the photo's original where it may be, sharp at any frame size, by
    // a fit that reduces by area (the export's); the preview's bilinear fit keeps to the working
    // picture, which it never reduces far.
    const std::string original = options_.Fit ? slides_[i].DrawableOriginal() : std::string();
    if (original.empty())
        return imaging::SlideSource{slides_[i].WorkFile, backs_[i]};
    const project::Slide& slide = slides_[i];
    return imaging::SlideSource{original, backs_[i], [&slide](int width, int height) {
                                    return project::DrawOriginal(slide, [&](double w, double h) {
                                        return std::min(width / w, height / h);
                                    });
                                }};
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
    RenderTransition(frame, i, n);
    return true;
}

bool FrameRenderer::RenderStill(imaging::Bitmap& frame, std::size_t i, std::int64_t n) {
    if (MovingStill(i))
        return moving_.Still(frame, i, n, WholeFps(options_.Rate));
    return composer_.Render(frame, SourceOf(i));
}

void FrameRenderer::RenderTransition(imaging::Bitmap& frame, std::size_t i, std::int64_t n,
                                     bool holdsFrameBefore) {
    if (OwnTransition(i)) {
        moving_.Transition(frame, i, n, WholeFps(options_.Rate));
        return;
    }
    StepClassic(frame, i, n, holdsFrameBefore);
}

void FrameRenderer::StepClassic(imaging::Bitmap& frame, std::size_t i, std::int64_t n,
                                bool holdsFrameBefore) {
    const SlideSpan& span = spans_[i];
    const bool stepping = classicFrame_ >= span.Cut && classicFrame_ < n &&
                          classicSlide_ == static_cast<std::int64_t>(i);
    // A caller drawing frame after frame into one picture (the export) hands back the frame
    // before; any other picture gets the copy kept of the last frame stepped, when one was kept.
    const bool sameTarget = holdsFrameBefore && stepping && classicFrame_ + 1 == n;
    const bool fromCopy = stepping && !sameTarget && savedFrame_ == classicFrame_ &&
                          classicOut_.Width == frame.Width && classicOut_.Height == frame.Height;
    std::int64_t from = span.Cut;
    if (sameTarget || fromCopy) {
        from = classicFrame_ + 1;
        if (fromCopy)
            std::memcpy(frame.Bits, classicOut_.Bits, static_cast<std::size_t>(frame.ByteSize));
    } else {
        // From the outgoing still at the cut, as the video reaches it.
        RenderStill(frame, i, span.Cut);
        std::optional<imaging::SlideSource> incoming;
        if (i + 1 < slides_.size())
            incoming = composer_.Incoming(SourceOf(i + 1));
        imaging::TransitionParams params;
        params.Kind = slides_[i].TransitionKind;
        params.Seconds = static_cast<std::int32_t>(span.TransitionMs / 1000);
        params.BackColor = backs_[i];
        classic_.Start(static_cast<std::int32_t>(i), params, incoming);
        classicSlide_ = static_cast<std::int64_t>(i);
    }
    // Each frame shows the transition at its own time: at 25 frames per second frame f shows it
    // at 40·f ms after the cut. A transition that is over stops itself, and its later steps draw
    // nothing.
    for (std::int64_t k = from; k <= n; ++k) {
        classic_.SetElapsed(
            std::max<std::int64_t>(0, ShowTimeline::MsOfFrame(k, options_.Rate) - span.CutMs));
        classic_.Step(frame);
    }
    // A caller that draws frame after frame into one picture needs no copy; one that hands a
    // different picture each time (the preview's queue) steps on from the copy.
    if (!holdsFrameBefore) {
        classicOut_ = frame;
        savedFrame_ = n;
    }
    classicFrame_ = n;
}

void FrameRenderer::Prefetch(std::size_t i) {
    if (i < slides_.size() && !MovingStill(i))
        composer_.Prefetch(SourceOf(i));
}

void FrameRenderer::EndTransition() {
    classic_.Stop();
    classicFrame_ = -1;
    classicSlide_ = -1;
    savedFrame_ = -1;
    composer_.DropIncoming();
}

} // namespace render
