#include "app/SlidePicture.h"

#include "imaging/BmpFile.h"
#include "imaging/Compose.h"
#include "imaging/ui/EffectsDialog.h"
#include "media/ui/ClipEditor.h"
#include "project/Import.h"
#include "project/ui/CollageEditor.h"

#include <QDialog>

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

std::size_t SlotOf(EffectsBackup slot) {
    return slot == EffectsBackup::Turn ? 1 : 0;
}

} // namespace

SlidePicture::SlidePicture(const project::Slide& slide, const project::PhotoSettings& photos,
                           const project::CaptionBases& captions)
    : photos_(photos), captions_(captions), workFile_(slide.WorkFile) {
    now_.Slide = slide;
    if (auto loaded = imaging::LoadSlidePicture(slide.WorkFile))
        now_.Picture = std::move(*loaded);
}

bool SlidePicture::CaptionIsValue(const project::Slide& slide) {
    return slide.Caption.Motion != imaging::TextMotion::None || project::DrawnFromSteps(slide);
}

std::string SlidePicture::ViewFile() {
    if (!viewFolder_)
        viewFolder_ = std::make_unique<QTemporaryDir>();
    if (!viewFolder_->isValid() || now_.Picture.IsEmpty())
        return {};
    const std::string path = viewFolder_->filePath(QStringLiteral("picture.bmp")).toStdString();
    return imaging::SaveBmpFile(path, now_.Picture) ? path : std::string();
}

base::Status SlidePicture::Make(const project::SlideEdit& edit, imaging::Bitmap* thumbnail) {
    State next = now_;
    if (auto made = project::EditSlidePicture(next.Slide, next.Picture, edit, photos_, thumbnail);
        !made)
        return made;
    if (!std::holds_alternative<project::CaptionEdit>(edit)) {
        next.Bare.reset();
        next.Reshaped = true;
    }
    next.Edits.push_back(edit);
    now_ = std::move(next);
    return {};
}

base::Status SlidePicture::Crop(const EffectsCrop& crop) {
    return Make(project::CropEdit{crop.X0, crop.Y0, crop.X1, crop.Y1}, nullptr);
}

base::Status SlidePicture::DrawCaption(const imaging::CaptionSettings& caption) {
    return Make(caption, nullptr);
}

base::Status SlidePicture::Turn(EffectsTurn turn, std::int32_t background,
                                imaging::Bitmap* thumbnail) {
    // The uncovered corners take the dialog's background, which the caller stores first.
    now_.Slide.BackColor = background;
    return Make(project::TurnEdit{ToTurnKind(turn)}, thumbnail);
}

base::Status SlidePicture::Light(std::int32_t brightness, std::int32_t contrast, double gamma10,
                                 imaging::Bitmap* thumbnail) {
    return Make(project::LightEdit{brightness, contrast, gamma10}, thumbnail);
}

base::Status SlidePicture::Color(std::int32_t effect, imaging::Bitmap* thumbnail) {
    return Make(project::ColorEdit{effect}, thumbnail);
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
    if (!kept_[SlotOf(slot)])
        kept_[SlotOf(slot)] = now_;
    return {};
}

bool SlidePicture::HasBackup(EffectsBackup slot) const {
    return kept_[SlotOf(slot)].has_value();
}

base::Result<bool> SlidePicture::RestoreBackup(EffectsBackup slot) {
    if (!kept_[SlotOf(slot)])
        return false;
    now_ = *kept_[SlotOf(slot)];
    return true;
}

void SlidePicture::DropBackup(EffectsBackup slot) {
    kept_[SlotOf(slot)].reset();
}

void SlidePicture::AcceptBackups() {
    kept_[0].reset();
    kept_[1].reset();
}

const imaging::Bitmap* SlidePicture::Bare() {
    if (!now_.Bare) {
        // The history's copy from before the caption drawn in an earlier opening stands for the
        // picture only while nothing here changed it.
        const std::string copy = now_.Reshaped ? std::string() : captions_.CopyFor(workFile_);
        if (!copy.empty()) {
            auto loaded = imaging::LoadSlidePicture(copy);
            if (!loaded)
                return nullptr;
            now_.Bare = std::move(*loaded);
        } else {
            now_.Bare = now_.Picture;
        }
    }
    return &*now_.Bare;
}

base::Status SlidePicture::PrepareCaption() {
    // A photo drawn from its original replaces its caption step; any other picture is drawn on
    // again from its picture without the caption.
    if (project::DrawnFromSteps(now_.Slide))
        return {};
    const imaging::Bitmap* bare = Bare();
    if (bare == nullptr)
        return base::Fail("cannot read the picture without its caption");
    now_.Picture = *bare;
    return {};
}

base::Result<bool> SlidePicture::Uncaption() {
    if (!project::DrawnFromSteps(now_.Slide)) {
        const bool known =
            now_.Bare.has_value() || (!now_.Reshaped && !captions_.CopyFor(workFile_).empty());
        if (!known)
            return false;
        if (auto prepared = PrepareCaption(); !prepared)
            return base::Fail(prepared.error());
    }
    if (auto made = Make(project::CaptionEdit{}, nullptr); !made)
        return base::Fail(made.error());
    return true;
}

std::unique_ptr<EffectsDialog> OpenEffects(const project::Slide& slide, EffectsPicture& picture,
                                           const std::string& resolution,
                                           const imaging::Bitmap& thumbnail, int page,
                                           QWidget* parent) {
    const double motionSeconds =
        std::clamp(static_cast<double>(slide.StillMs + slide.TransitionMs) / 1000.0, 0.5, 60.0);
    // A clip's page: its trim and sound on the clip as filmed; the dialog owns the editor.
    EffectsDialog::ClipPage clipPage;
    if (slide.Clip()) {
        auto* editor = new ClipEditor(*slide.Clip());
        clipPage = {editor, editor->Preview()};
    }
    // A collage's page: its layout and its photos' order, its preview drawn as the show draws it.
    EffectsDialog::CollagePage collagePage;
    if (slide.Collage()) {
        project::PhotoSettings size;
        size.Resolution = resolution;
        int width = 0;
        int height = 0;
        size.Size(width, height);
        auto* editor = new CollageEditor(*slide.Collage(), slide.BackColor, QSize(width, height));
        collagePage = {editor, editor->Preview()};
    }
    auto dialog = std::make_unique<EffectsDialog>(
        slide.Caption, slide.Picture, slide.BackColor, slide.StillMs, slide.Ext.Motion,
        motionSeconds, picture, resolution, thumbnail, page, parent, clipPage, collagePage);
    if (SlidePicture::CaptionIsValue(slide))
        dialog->ShowCaptionValues();
    return dialog;
}

std::vector<project::SlideEdit> EditsOf(const project::Slide& slide, const SlidePicture& picture,
                                        const EffectsDialog& dialog) {
    std::vector<project::SlideEdit> edits;
    // First, so that a turn's uncovered corners take the colour they were shown with.
    if (dialog.BackColor() != slide.BackColor)
        edits.push_back(project::BackgroundEdit{dialog.BackColor()});
    edits.insert(edits.end(), picture.Edits().begin(), picture.Edits().end());
    // A moving caption is a value, kept when the dialog is accepted: it is drawn over the frames,
    // so it needs no "apply" on the picture.
    const imaging::CaptionSettings& caption = dialog.Caption();
    const bool moving = caption.Motion != imaging::TextMotion::None ||
                        slide.Caption.Motion != imaging::TextMotion::None;
    const imaging::CaptionSettings* current = &slide.Caption;
    for (const project::SlideEdit& edit : edits)
        if (const auto* c = std::get_if<project::CaptionEdit>(&edit))
            current = c;
    if (dialog.result() == QDialog::Accepted && moving && !(caption == *current))
        edits.push_back(caption);
    return edits;
}

} // namespace ui
