// The working picture the effects dialog edits, behind a narrow interface: the program implements
// it over the core's one slide edit, made on a picture in memory, so the dialog only shows and
// asks. Nothing is written to the show's files while the dialog is open: the program takes the
// edits made, in order, as values and stores them through the document when it closes.
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

    // The working picture as the edits made so far show it (empty when it cannot be read).
    virtual const imaging::Bitmap& Picture() const = 0;
    // The name of the slide's working file, for messages.
    virtual std::string Name() const = 0;
    // A file holding Picture() whole, for the system's viewer ("" when none can be written).
    virtual std::string ViewFile() = 0;

    // Each edit changes the picture (and the thumbnail, when one is given) and is kept as the
    // slide's next edit; on failure neither changes and the message says why.
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

    // What a page goes back to: Take marks the edits as they are now unless the slot holds a
    // mark; Restore takes back the edits made since (false when the slot holds none); Drop
    // empties the slot; Accept empties both, later takes start from the edits as they are now.
    virtual base::Status TakeBackup(EffectsBackup slot) = 0;
    virtual bool HasBackup(EffectsBackup slot) const = 0;
    virtual base::Result<bool> RestoreBackup(EffectsBackup slot) = 0;
    virtual void DropBackup(EffectsBackup slot) = 0;
    virtual void AcceptBackups() = 0;

    // The caption page's picture without a caption: Prepare puts the picture back to it before a
    // caption is drawn (so a caption replaces the one before), Remember notes the picture drawn
    // from it, Uncaption takes the caption off (false when the picture's caption cannot be taken
    // off: it was drawn in by an earlier version and no copy without it is kept).
    virtual base::Status PrepareCaption() = 0;
    virtual void RememberCaption() = 0;
    virtual base::Result<bool> Uncaption() = 0;
};

} // namespace ui
