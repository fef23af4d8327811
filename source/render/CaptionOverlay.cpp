#include "render/CaptionOverlay.h"

#include "base/Overloaded.h"
#include "imaging/Caption.h"
#include "imaging/TextMotion.h"
#include "imaging/TitleCard.h"
#include "project/PhotoSteps.h"

#include <algorithm>

namespace render {

CaptionOverlay::CaptionOverlay(const std::vector<project::Slide>& slides,
                               const std::vector<SlideSpan>& spans, FrameRate rate)
    : slides_(slides), spans_(spans), rate_(rate) {}

bool CaptionOverlay::Draws(const project::Slide& s) {
    const bool caption = !s.Caption.Text.empty();
    return std::visit(base::Overloaded{
                          [&](const project::PhotoBody&) {
                              return caption && s.Caption.Motion != imaging::TextMotion::None;
                          },
                          [&](const project::ClipSettings&) { return caption; },
                          [](const imaging::TitleSettings&) { return true; },
                          // Drawn at the frame's size from its photos: no picture holds it.
                          [&](const project::CollageSettings&) { return caption; },
                      },
                      s.Body);
}

const imaging::PlacedText* CaptionOverlay::At(std::size_t i, std::int64_t n, int width, int height,
                                              double scale) {
    const project::Slide& s = slides_[i];
    if (!Draws(s))
        return nullptr;
    const imaging::TitleSettings* title = s.Title();
    const imaging::TextMotion motion = title ? title->Motion : s.Caption.Motion;
    // The caption's size is in the working picture's points: it grows with the picture as shown.
    const imaging::CaptionLook look = title ? imaging::CaptionLook{} : project::LookOf(s.Caption);
    if (title)
        scale = 1.0;
    const auto blockOf = [&] {
        return title ? imaging::TitleText(*title, width, height)
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
    const imaging::TextMotionState state = imaging::TextMotionAt(
        motion, ShowTimeline::MotionProgress(spans_, i, n), seconds, text.Count);
    if (text.Letters != state.Letters) {
        text.Letters = state.Letters;
        // A partial layer keeps the whole text's block, so letters keep their places as they come.
        text.Layer = imaging::RenderTextLayer(blockOf(), state.Letters);
        text.Place = title ? imaging::TitlePlace(text.Layer, width, height)
                           : imaging::MovingCaptionPlace(look, text.Layer, scale, width, height);
    }
    imaging::PlacedText& placed = placed_[i % 2];
    placed.Layer = &text.Layer;
    placed.Place = text.Place;
    placed.State = state;
    return &placed;
}

} // namespace render
