#include "app/SlidePicture.h"

#include "imaging/ui/EffectsDialog.h"
#include "media/ui/ClipEditor.h"
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

SlidePicture::SlidePicture(const project::Slide& slide, const project::PhotoSettings& photos,
                           project::CaptionBases& captions)
    : slide_(slide), photos_(photos), captions_(captions), backups_(slide.WorkFile) {}

base::Status SlidePicture::Crop(const EffectsCrop& crop) {
    return project::EditSlide(slide_, project::CropEdit{crop.X0, crop.Y0, crop.X1, crop.Y1},
                              photos_);
}

base::Status SlidePicture::DrawCaption(const imaging::CaptionSettings& caption) {
    return project::EditSlide(slide_, caption, photos_);
}

base::Status SlidePicture::Turn(EffectsTurn turn, std::int32_t background,
                                imaging::Bitmap* thumbnail) {
    // The uncovered corners take the dialog's background, which may not be stored yet.
    slide_.BackColor = background;
    return project::EditSlide(slide_, project::TurnEdit{ToTurnKind(turn)}, photos_, thumbnail);
}

base::Status SlidePicture::Light(std::int32_t brightness, std::int32_t contrast, double gamma10,
                                 imaging::Bitmap* thumbnail) {
    return project::EditSlide(slide_, project::LightEdit{brightness, contrast, gamma10}, photos_,
                              thumbnail);
}

base::Status SlidePicture::Color(std::int32_t effect, imaging::Bitmap* thumbnail) {
    return project::EditSlide(slide_, project::ColorEdit{effect}, photos_, thumbnail);
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

std::unique_ptr<EffectsDialog> OpenEffects(const project::Slide& slide, EffectsPicture& picture,
                                           const std::string& resolution,
                                           const imaging::Bitmap& thumbnail, int page,
                                           QWidget* parent) {
    const double motionSeconds =
        std::clamp(static_cast<double>(slide.StillMs + slide.TransitionMs) / 1000.0, 0.5, 60.0);
    // A clip's page: its trim and sound on the clip as filmed; the dialog owns the editor.
    EffectsDialog::ClipPage clipPage;
    if (slide.Clip) {
        auto* editor = new ClipEditor(*slide.Clip);
        clipPage = {editor, editor->Preview()};
    }
    return std::make_unique<EffectsDialog>(slide.Caption, slide.Picture, slide.BackColor,
                                           slide.StillMs, slide.Ext.Motion, motionSeconds, picture,
                                           resolution, thumbnail, page, parent, clipPage);
}

project::Slide WithEffects(project::Slide slide, const EffectsDialog& dialog) {
    slide.Caption = dialog.Caption();
    slide.Picture = dialog.Adjustments();
    slide.BackColor = dialog.BackColor();
    slide.StillMs = dialog.StillMs();
    return slide;
}

} // namespace ui
