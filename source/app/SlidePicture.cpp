#include "app/SlidePicture.h"

#include "project/Import.h"
#include "project/SlideEdits.h"

#include <algorithm>

namespace ui {

namespace {

project::TurnKind ToTurnKind(EffectsTurn turn) {
    switch (turn) {
    case EffectsTurn::Left:
        return project::TurnKind::Left;
    case EffectsTurn::Mirror:
        return project::TurnKind::Mirror;
    case EffectsTurn::Right:
        break;
    }
    return project::TurnKind::Right;
}

project::BackupSlot ToSlot(EffectsBackup slot) {
    return slot == EffectsBackup::Turn ? project::BackupSlot::Turn : project::BackupSlot::Caption;
}

} // namespace

SlidePicture::SlidePicture(const project::Slide& slide, const std::string& resolution)
    : backups_(slide.WorkFile) {
    show_.Slides.push_back(slide);
    show_.Resolution = resolution;
}

base::Status SlidePicture::Crop(const EffectsCrop& crop) {
    return project::ApplySlideEdit(show_, 0, project::CropEdit{crop.X0, crop.Y0, crop.X1, crop.Y1});
}

base::Status SlidePicture::DrawCaption(const EffectsCaption& caption) {
    return project::ApplySlideEdit(show_, 0, caption);
}

base::Status SlidePicture::Turn(EffectsTurn turn, std::int32_t background,
                                imaging::Bitmap* thumbnail) {
    // The uncovered corners take the dialog's background, which may not be stored yet.
    project::Slide slide = show_.Slides[0];
    slide.BackColor = background;
    show_.SetSlide(0, slide);
    return project::ApplySlideEdit(show_, 0, project::TurnEdit{ToTurnKind(turn)}, thumbnail);
}

base::Status SlidePicture::Light(std::int32_t brightness, std::int32_t contrast, double gamma10,
                                 imaging::Bitmap* thumbnail) {
    return project::ApplySlideEdit(show_, 0, project::LightEdit{brightness, contrast, gamma10},
                                   thumbnail);
}

base::Status SlidePicture::Color(std::int32_t effect, imaging::Bitmap* thumbnail) {
    return project::ApplySlideEdit(show_, 0, project::ColorEdit{effect}, thumbnail);
}

void SlidePicture::PreviewLight(imaging::Bitmap& picture, std::int32_t brightness,
                                std::int32_t contrast, double gamma10) const {
    project::LightPicture(picture, {brightness, contrast, gamma10});
}

void SlidePicture::PreviewColor(imaging::Bitmap& picture, std::int32_t effect) const {
    project::ColorPicture(picture, effect);
}

imaging::Bitmap SlidePicture::ThumbnailOf(const imaging::Bitmap& picture) const {
    return project::MakeThumbnail(picture);
}

base::Status SlidePicture::TakeBackup(EffectsBackup slot) {
    return backups_.Take(ToSlot(slot));
}

bool SlidePicture::HasBackup(EffectsBackup slot) const {
    return backups_.Has(ToSlot(slot));
}

base::Result<bool> SlidePicture::RestoreBackup(EffectsBackup slot) {
    return backups_.Restore(ToSlot(slot));
}

void SlidePicture::DropBackup(EffectsBackup slot) {
    backups_.Drop(ToSlot(slot));
}

void SlidePicture::AcceptBackups() {
    backups_.Accept();
}

namespace {

// The fields the dialog edits, which the slide and the dialog's values name alike; one list for
// both ways.
template <typename From, typename To> void CopyEditedFields(const From& from, To& to) {
    to.StillMs = from.StillMs;
    to.CaptionText = from.CaptionText;
    to.CaptionFont = from.CaptionFont;
    to.Brightness = from.Brightness;
    to.Contrast = from.Contrast;
    to.Gamma10 = from.Gamma10;
    to.ColorEffect = from.ColorEffect;
    to.BackColor = from.BackColor;
    to.TurnCount = from.TurnCount;
    to.CaptionVAlign = from.CaptionVAlign;
    to.CaptionHAlign = from.CaptionHAlign;
    to.CaptionSize = from.CaptionSize;
    to.CaptionColor = from.CaptionColor;
    to.CaptionStyle = from.CaptionStyle;
}

} // namespace

EffectsValues EffectsValuesOf(const project::Slide& slide) {
    EffectsValues v;
    CopyEditedFields(slide, v);
    v.Motion = slide.Ext.Motion;
    v.MotionSeconds =
        std::clamp(static_cast<double>(slide.StillMs + slide.TransitionMs) / 1000.0, 0.5, 60.0);
    return v;
}

project::Slide WithEffectsValues(project::Slide slide, const EffectsValues& v) {
    CopyEditedFields(v, slide);
    return slide;
}

} // namespace ui
