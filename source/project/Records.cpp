#include "project/Records.h"

#include <algorithm>

namespace project {

Slide Slide::MakeDefault() {
    Slide s;
    s.StillMs = 10000;
    s.CaptionFont = "Arial";
    s.Gamma10 = 10.0;
    s.BackColor = kButtonFaceColor;
    s.CaptionVAlign = 1;
    s.CaptionHAlign = 1;
    s.CaptionSize = 24;
    s.CaptionColor = 0xFFFFFF;
    return s;
}

bool Slide::NeedsExtension() const {
    return !Ext.IsDefault() || !WholeSeconds(StillMs) || !WholeSeconds(TransitionMs);
}

std::int32_t RecordSeconds(std::int64_t ms) {
    return static_cast<std::int32_t>((std::clamp<std::int64_t>(ms, 0, kMaxSlideMs) + 500) / 1000);
}

bool WholeSeconds(std::int64_t ms) {
    return ms == std::int64_t{RecordSeconds(ms)} * 1000;
}

Track Track::MakeDefault() {
    Track t;
    t.Volume = 100;
    return t;
}

SlideRecord PackSlide(const Slide& s) {
    SlideRecord r{};
    r.ShowSeconds = RecordSeconds(s.StillMs);
    r.TransitionKind = s.TransitionKind;
    r.TransitionSeconds = RecordSeconds(s.TransitionMs);
    r.WorkFile.assign(s.WorkFile);
    r.CaptionText.assign(s.CaptionText);
    r.CaptionFont.assign(s.CaptionFont);
    r.Brightness = s.Brightness;
    r.Contrast = s.Contrast;
    r.Gamma10 = s.Gamma10;
    r.ColorEffect = s.ColorEffect;
    r.BackColor = s.BackColor;
    r.TurnCount = s.TurnCount;
    r.CaptionVAlign = s.CaptionVAlign;
    r.CaptionHAlign = s.CaptionHAlign;
    r.CaptionSize = s.CaptionSize;
    r.CaptionColor = s.CaptionColor;
    r.CaptionStyle = s.CaptionStyle;
    return r;
}

TrackRecord PackTrack(const Track& t) {
    TrackRecord r{};
    r.PlaySeconds = t.PlaySeconds;
    r.LengthSeconds = t.LengthSeconds;
    r.Volume = t.Volume;
    r.WorkFile.assign(t.WorkFile);
    r.Title.assign(t.Title);
    return r;
}

Slide UnpackSlide(const SlideRecord& r) {
    Slide s;
    s.StillMs = std::int64_t{r.ShowSeconds} * 1000;
    s.TransitionKind = r.TransitionKind;
    s.TransitionMs = std::int64_t{r.TransitionSeconds} * 1000;
    s.WorkFile = r.WorkFile.str();
    s.CaptionText = r.CaptionText.str();
    s.CaptionFont = r.CaptionFont.str();
    s.Brightness = r.Brightness;
    s.Contrast = r.Contrast;
    s.Gamma10 = r.Gamma10;
    s.ColorEffect = r.ColorEffect;
    s.BackColor = r.BackColor;
    s.TurnCount = r.TurnCount;
    s.CaptionVAlign = r.CaptionVAlign;
    s.CaptionHAlign = r.CaptionHAlign;
    s.CaptionSize = r.CaptionSize;
    s.CaptionColor = r.CaptionColor;
    s.CaptionStyle = r.CaptionStyle;
    return s;
}

Track UnpackTrack(const TrackRecord& r) {
    Track t;
    t.PlaySeconds = r.PlaySeconds;
    t.LengthSeconds = r.LengthSeconds;
    t.Volume = r.Volume;
    t.WorkFile = r.WorkFile.str();
    t.Title = r.Title.str();
    return t;
}

} // namespace project
