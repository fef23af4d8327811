#include "project/Records.h"

#include "base/CodePage.h"

#include <QString>

#include <algorithm>

namespace project {

Slide Slide::MakeDefault() {
    Slide s;
    s.StillMs = 10000;
    s.BackColor = kButtonFaceColor;
    return s;
}

std::string RecordText(std::string_view utf8) {
    const std::string bytes =
        base::ToCp1251(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return bytes.substr(0, 255); // one byte per character
}

std::string TextOfRecord(std::string_view codePage) {
    return base::FromCp1251(codePage).toStdString();
}

bool RecordSaysExactly(std::string_view utf8) {
    return TextOfRecord(RecordText(utf8)) == utf8;
}

bool Slide::RecordHoldsTexts() const {
    return RecordSaysExactly(Caption.Text) && RecordSaysExactly(Caption.Font);
}

bool Track::RecordHoldsTitle() const {
    return RecordSaysExactly(Title);
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
    r.CaptionText.assign(RecordText(s.Caption.Text));
    r.CaptionFont.assign(RecordText(s.Caption.Font));
    r.Brightness = s.Picture.Brightness;
    r.Contrast = s.Picture.Contrast;
    r.Gamma10 = s.Picture.Gamma10;
    r.ColorEffect = s.Picture.ColorEffect;
    r.BackColor = s.BackColor;
    r.TurnCount = s.Picture.TurnCount;
    r.CaptionVAlign = s.Caption.VAlign;
    r.CaptionHAlign = s.Caption.HAlign;
    r.CaptionSize = s.Caption.Size;
    r.CaptionColor = s.Caption.Color;
    r.CaptionStyle = s.Caption.Style;
    return r;
}

TrackRecord PackTrack(const Track& t) {
    TrackRecord r{};
    r.PlaySeconds = t.PlaySeconds;
    r.LengthSeconds = t.LengthSeconds;
    r.Volume = t.Volume;
    r.WorkFile.assign(t.WorkFile);
    r.Title.assign(RecordText(t.Title));
    return r;
}

Slide UnpackSlide(const SlideRecord& r) {
    Slide s;
    s.StillMs = std::int64_t{r.ShowSeconds} * 1000;
    s.TransitionKind = r.TransitionKind;
    s.TransitionMs = std::int64_t{r.TransitionSeconds} * 1000;
    s.WorkFile = r.WorkFile.str();
    s.Caption.Text = TextOfRecord(r.CaptionText.str());
    s.Caption.Font = TextOfRecord(r.CaptionFont.str());
    s.Picture.Brightness = r.Brightness;
    s.Picture.Contrast = r.Contrast;
    s.Picture.Gamma10 = r.Gamma10;
    s.Picture.ColorEffect = r.ColorEffect;
    s.BackColor = r.BackColor;
    s.Picture.TurnCount = r.TurnCount;
    s.Caption.VAlign = r.CaptionVAlign;
    s.Caption.HAlign = r.CaptionHAlign;
    s.Caption.Size = r.CaptionSize;
    s.Caption.Color = r.CaptionColor;
    s.Caption.Style = r.CaptionStyle;
    return s;
}

Track UnpackTrack(const TrackRecord& r) {
    Track t;
    t.PlaySeconds = r.PlaySeconds;
    t.LengthSeconds = r.LengthSeconds;
    t.Volume = r.Volume;
    t.WorkFile = r.WorkFile.str();
    t.Title = TextOfRecord(r.Title.str());
    return t;
}

} // namespace project
