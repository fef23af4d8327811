// The effects dialog's working picture for one slide of the show: its edits go through the
// core's slide edits on a copy of the slide, its backups through the core's edit backups. Also
// the dialog opened on a slide's values and the slide with its values back.
#pragma once

#include "imaging/ui/EffectsPicture.h"
#include "project/CaptionBases.h"
#include "project/EditBackups.h"
#include "project/ShowModel.h"

#include <memory>
#include <string>

class QWidget;

namespace ui {

class SlidePicture final : public EffectsPicture {
public:
    // slide: the slide as the show holds it; photos: the size a crop is fitted to again;
    // captions: the pictures without a caption the history keeps.
    SlidePicture(const project::Slide& slide, const project::PhotoSettings& photos,
                 project::CaptionBases& captions);

    // A copy of the working picture as it is now that the caller keeps for its own undo (the
    // history's): the backups restore from it instead of copying the picture again.
    void UseKeptOriginal(const std::string& path) { backups_.UseOriginal(path); }

    std::string WorkFile() const override { return slide_.WorkFile; }
    base::Status Crop(const EffectsCrop& crop) override;
    base::Status DrawCaption(const imaging::CaptionSettings& caption) override;
    base::Status Turn(EffectsTurn turn, std::int32_t background,
                      imaging::Bitmap* thumbnail) override;
    base::Status Light(std::int32_t brightness, std::int32_t contrast, double gamma10,
                       imaging::Bitmap* thumbnail) override;
    base::Status Color(std::int32_t effect, imaging::Bitmap* thumbnail) override;
    void PreviewLight(imaging::Bitmap& picture, std::int32_t brightness, std::int32_t contrast,
                      double gamma10) const override;
    void PreviewColor(imaging::Bitmap& picture, std::int32_t effect) const override;
    imaging::Bitmap ThumbnailOf(const imaging::Bitmap& picture) const override;
    base::Status TakeBackup(EffectsBackup slot) override;
    bool HasBackup(EffectsBackup slot) const override;
    base::Result<bool> RestoreBackup(EffectsBackup slot) override;
    void DropBackup(EffectsBackup slot) override;
    void AcceptBackups() override;
    base::Status PrepareCaption() override { return captions_.Prepare(slide_.WorkFile); }
    void RememberCaption() override { captions_.Remember(slide_.WorkFile); }
    base::Result<bool> Uncaption() override { return captions_.Restore(slide_.WorkFile); }

private:
    // The editor's copy of the slide: the core's slide edits apply to it and its working file.
    project::Slide slide_;
    project::PhotoSettings photos_;
    project::CaptionBases& captions_;
    project::EditBackups backups_;
};

class EffectsDialog;

// The effects dialog on the slide's values, and the slide with the dialog's values stored back
// whole (the motion is left alone: it is stored as its own edit).
std::unique_ptr<EffectsDialog> OpenEffects(const project::Slide& slide, EffectsPicture& picture,
                                           const std::string& resolution,
                                           const imaging::Bitmap& thumbnail, int page,
                                           QWidget* parent = nullptr);
project::Slide WithEffects(project::Slide slide, const EffectsDialog& dialog);

} // namespace ui
