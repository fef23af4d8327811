// The effects dialog's caption page plays a moving caption over the preview, as the video shows it
// over its photo: the renderer's own text drawing, scaled to the preview, looping over a few
// seconds.
#include "imaging/ui/EffectsDialog.h"

#include "imaging/Caption.h"
#include "imaging/TextLayer.h"
#include "imaging/TextMotion.h"
#include "ui_EffectsDialog.h"

#include <QTabBar>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

constexpr double kSampleSeconds = 3.0;
constexpr int kCaptionPage = 1;

} // namespace

void EffectsDialog::PlayCaptionMotion() {
    const bool plays = Tabs != nullptr && Tabs->currentIndex() == kCaptionPage &&
                       caption_.Motion != imaging::TextMotion::None && !caption_.Text.empty() &&
                       !previewSource_.IsEmpty() && !workImage_.IsEmpty();
    if (!plays) {
        if (captionPlaying_) {
            captionPlaying_ = false;
            previewImage_ = previewSource_;
            RepaintBox();
        }
        return;
    }
    captionPlaying_ = true;
    const double t =
        std::fmod(static_cast<double>(captionClock_.elapsed()) / 1000.0, kSampleSeconds + 0.5);
    const double u = std::min(t / kSampleSeconds, 1.0);
    imaging::CaptionLook look;
    look.Text = QString::fromStdString(caption_.Text);
    look.Font = QString::fromStdString(caption_.Font);
    look.Size = caption_.Size;
    look.Color = caption_.Color;
    look.Style = caption_.Style;
    look.HAlign = caption_.HAlign;
    look.VAlign = caption_.VAlign;
    const double scale = static_cast<double>(previewSource_.Width) / workImage_.Width;
    const imaging::TextBlock block = imaging::MovingCaptionText(look, scale);
    const imaging::TextMotionState state =
        imaging::TextMotionAt(caption_.Motion, u, kSampleSeconds, imaging::CountLetters(block));
    const imaging::TextLayerImage layer = imaging::RenderTextLayer(block, state.Letters);
    previewImage_ = previewSource_;
    imaging::DrawTextLayer(
        previewImage_, layer,
        imaging::MovingCaptionPlace(look, layer, scale, previewImage_.Width, previewImage_.Height),
        state);
    RepaintBox();
}

} // namespace ui
