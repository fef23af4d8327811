#include "project/Records.h"

namespace project {

Slide Slide::MakeDefault() {
    Slide s{};
    s.ShowSeconds = 10;
    s.TransitionKind = 0;
    s.TransitionSeconds = 0;
    s.CaptionFont.assign("Arial");
    s.Gamma10 = 10.0;
    s.BackColor = kButtonFaceColor;
    s.CaptionVAlign = 1;
    s.CaptionHAlign = 1;
    s.CaptionSize = 24;
    s.CaptionColor = 0xFFFFFF;
    return s;
}

Track Track::MakeDefault() {
    Track t{};
    t.Volume = 100;
    return t;
}

} // namespace project
