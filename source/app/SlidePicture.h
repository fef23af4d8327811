// The effects dialog's picture of one slide: each edit is the core's one slide edit, made on a
// copy of the slide and its working picture in memory, and kept as a value. Nothing of the show
// changes while the dialog is open; the caller stores the edits kept, in order, through the
// document when it closes. Also the dialog opened on a slide's values.
#pragma once

#include "imaging/ui/EffectsPicture.h"
#include "project/CaptionBases.h"
#include "project/ShowModel.h"
#include "project/SlideEdits.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace ui {

class SlidePicture final : public EffectsPicture {
public:
    // slide: the slide as the show holds it; photos: the size a crop is fitted to again;
    // captions: the copies without a caption the history keeps (read, never changed here).
    SlidePicture(const project::Slide& slide, const project::PhotoSettings& photos,
                 const project::CaptionBases& captions);

    // The edits kept, in the order they were made: what the caller stores.
    const std::vector<project::SlideEdit>& Edits() const { return now_.Edits; }
    // Whether the slide's caption is a value that can be edited again (it moves over the frames,
    // or the photo is drawn from its original), not only pixels drawn into its picture.
    static bool CaptionIsValue(const project::Slide& slide);

    const imaging::Bitmap& Picture() const override { return now_.Picture; }
    std::string Name() const override { return workFile_; }
    std::string ViewFile() override;
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
    base::Status PrepareCaption() override;
    void RememberCaption() override {}
    base::Result<bool> Uncaption() override;

private:
    struct State {
        project::Slide Slide;    // the slide with the edits kept
        imaging::Bitmap Picture; // its working picture as they make it
        // A picture that is its own original: what a caption is drawn on, so that it replaces
        // the one drawn before (none until the caption page asks for it).
        std::optional<imaging::Bitmap> Bare;
        bool Reshaped = false; // an edit other than a caption was made here
        std::vector<project::SlideEdit> Edits;
    };
    // The edit made on a copy of the state, taken when it goes through.
    base::Status Make(const project::SlideEdit& edit, imaging::Bitmap* thumbnail);
    // The picture without a caption, for a picture that is its own original.
    const imaging::Bitmap* Bare();

    State now_;
    std::optional<State> kept_[2];
    project::PhotoSettings photos_;
    const project::CaptionBases& captions_;
    std::string workFile_;
    std::unique_ptr<QTemporaryDir> viewFolder_;
};

class EffectsDialog;

// The effects dialog on the slide's values.
std::unique_ptr<EffectsDialog> OpenEffects(const project::Slide& slide, EffectsPicture& picture,
                                           const std::string& resolution,
                                           const imaging::Bitmap& thumbnail, int page,
                                           QWidget* parent = nullptr);

// The edits the dialog made, as values, in the order to store them: its background, the picture
// edits kept, and a caption that moves (a value the picture does not hold). The duration, motion
// and clip are the caller's own edits.
std::vector<project::SlideEdit> EditsOf(const project::Slide& slide, const SlidePicture& picture,
                                        const EffectsDialog& dialog);

} // namespace ui
