// The working picture the effects dialog edits, behind a narrow interface: the program
// implements it over the show's slide edits and backups, so the dialog only shows and asks.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/Caption.h"

#include <cstdint>
#include <string>

namespace ui {

// A rectangle in working-picture pixels; the corners may come in any order.
struct EffectsCrop {
    std::int32_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

enum class EffectsTurn { Right, Left, Mirror };

// The pages whose changes are taken back when they are not kept.
enum class EffectsBackup { Caption = 0, Turn = 1 };

class EffectsPicture {
public:
    virtual ~EffectsPicture() = default;

    // The working picture's file.
    virtual std::string WorkFile() const = 0;

    // Each edit rewrites the working file (and the thumbnail, when one is given); on failure the
    // file and thumbnail are unchanged and the message names the file.
    // Crop: the rectangle, fitted again to the show's output size.
    virtual base::Status Crop(const EffectsCrop& crop) = 0;
    virtual base::Status DrawCaption(const imaging::CaptionSettings& caption) = 0;
    // background: the slide's colour for the corners a turn uncovers.
    virtual base::Status Turn(EffectsTurn turn, std::int32_t background,
                              imaging::Bitmap* thumbnail) = 0;
    virtual base::Status Light(std::int32_t brightness, std::int32_t contrast, double gamma10,
                               imaging::Bitmap* thumbnail) = 0;
    // effect 1..3 (0 changes nothing).
    virtual base::Status Color(std::int32_t effect, imaging::Bitmap* thumbnail) = 0;

    // The same light and colour on a picture in memory, for the preview.
    virtual void PreviewLight(imaging::Bitmap& picture, std::int32_t brightness,
                              std::int32_t contrast, double gamma10) const = 0;
    virtual void PreviewColor(imaging::Bitmap& picture, std::int32_t effect) const = 0;
    // The storyboard's thumbnail of a working picture.
    virtual imaging::Bitmap ThumbnailOf(const imaging::Bitmap& picture) const = 0;

    // What a page goes back to: Take keeps the picture as it is now unless the slot holds one;
    // Restore copies it back over the working file (false when the slot holds none); Drop
    // empties the slot; Accept empties both, later takes start from the picture as it is now.
    virtual base::Status TakeBackup(EffectsBackup slot) = 0;
    virtual bool HasBackup(EffectsBackup slot) const = 0;
    virtual base::Result<bool> RestoreBackup(EffectsBackup slot) = 0;
    virtual void DropBackup(EffectsBackup slot) = 0;
    virtual void AcceptBackups() = 0;

    // The caption page's picture without a caption, kept by the caller's undo history: Prepare
    // puts the picture back to it before a caption is drawn (or keeps the picture as it is, before
    // the first), Remember notes the picture drawn from it, Uncaption takes every caption off
    // (false when the kept picture no longer stands for the working one).
    virtual base::Status PrepareCaption() = 0;
    virtual void RememberCaption() = 0;
    virtual base::Result<bool> Uncaption() = 0;
};

} // namespace ui
