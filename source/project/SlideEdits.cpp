#include "project/SlideEdits.h"

#include "project/SlideKind.h"

#include "base/AtomicFile.h"

#include "imaging/BitmapFilters.h"
#include "imaging/BmpFile.h"
#include "imaging/FaceDetect.h"
#include "imaging/ImageLoad.h"
#include "project/ClipSlides.h"
#include "project/CollageSlides.h"
#include "project/Import.h"
#include "project/OriginalDrawing.h"
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace project {

namespace {

base::Status Range(bool ok, const char* what) {
    if (ok)
        return {};
    return base::Fail(what);
}

// The pixel work of an edit on the photo (and the thumbnail when it has one); false for edits
// that leave the pictures alone.
bool TouchesPictures(const SlideEdit& edit) {
    return std::holds_alternative<CropEdit>(edit) || std::holds_alternative<CaptionEdit>(edit) ||
           std::holds_alternative<TurnEdit>(edit) || std::holds_alternative<LightEdit>(edit) ||
           (std::holds_alternative<ColorEdit>(edit) && std::get<ColorEdit>(edit).Effect != 0);
}

// The step that draws the edit on the original, for an edit made on a w x h working picture;
// nullopt for one that leaves the picture as it was (a moving caption is drawn on the frames).
std::optional<PhotoStep> StepOf(const SlideEdit& edit, int w, int h) {
    if (const auto* crop = std::get_if<CropEdit>(&edit)) {
        const auto x = [&](std::int32_t v) { return std::clamp(v, 0, w) / double(w); };
        const auto y = [&](std::int32_t v) { return std::clamp(v, 0, h) / double(h); };
        return CropStep{x(std::min(crop->X0, crop->X1)), y(std::min(crop->Y0, crop->Y1)),
                        x(std::max(crop->X0, crop->X1)), y(std::max(crop->Y0, crop->Y1))};
    }
    if (const auto* caption = std::get_if<CaptionEdit>(&edit)) {
        if (caption->Motion != imaging::TextMotion::None || caption->Text.empty())
            return std::nullopt;
        return CaptionStep{*caption, w, h};
    }
    if (const auto* turn = std::get_if<TurnEdit>(&edit))
        return *turn;
    if (const auto* light = std::get_if<LightEdit>(&edit))
        return *light;
    if (const auto* color = std::get_if<ColorEdit>(&edit))
        return *color;
    return std::nullopt;
}

} // namespace

base::Status ValidateEdit(const SlideEdit& edit) {
    if (const auto* c = std::get_if<CaptionEdit>(&edit)) {
        // Any script: the record keeps the code-page text, the extension block the exact text.
        const QString text = QString::fromUtf8(c->Text.data(), qsizetype(c->Text.size()));
        const QString font = QString::fromUtf8(c->Font.data(), qsizetype(c->Font.size()));
        if (text.toStdString() != c->Text || font.toStdString() != c->Font)
            return base::Fail("caption text or font name is not valid UTF-8");
        if (text.toStdU32String().size() > std::size_t(imaging::kMaxCaptionCharacters))
            return base::Fail("caption text longer than " +
                              std::to_string(imaging::kMaxCaptionCharacters) + " characters");
        if (font.isEmpty() ||
            font.toStdU32String().size() > std::size_t(imaging::kMaxFontCharacters))
            return base::Fail("font name empty or longer than " +
                              std::to_string(imaging::kMaxFontCharacters) + " characters");
        if (c->Size < 1 || c->Size > 1638)
            return base::Fail("caption size outside 1..1638 points");
        if (c->HAlign < 1 || c->HAlign > 3 || c->VAlign < 1 || c->VAlign > 3)
            return base::Fail("caption alignment outside 1..3");
        if (c->Color < 0 || c->Color > 0xFFFFFF)
            return base::Fail("caption colour outside 000000..FFFFFF");
        return {};
    }
    if (const auto* l = std::get_if<LightEdit>(&edit)) {
        if (auto s = Range(l->Brightness >= -100 && l->Brightness <= 100,
                           "brightness outside -100..100");
            !s)
            return s;
        if (auto s = Range(l->Contrast >= -25 && l->Contrast <= 25, "contrast outside -25..25"); !s)
            return s;
        return Range(std::isfinite(l->Gamma10) && l->Gamma10 >= 0 && l->Gamma10 <= 70,
                     "gamma outside 0..7.0");
    }
    if (const auto* c = std::get_if<ColorEdit>(&edit))
        return Range(c->Effect >= 0 && c->Effect <= 3, "colour effect outside 0..3");
    if (const auto* b = std::get_if<BackgroundEdit>(&edit))
        return Range(b->Color >= 0 && b->Color <= 0xFFFFFF, "background outside 000000..FFFFFF");
    if (const auto* d = std::get_if<DurationEdit>(&edit)) {
        if (auto s = Range(d->StillMs >= 0 && d->StillMs <= kMaxSlideMs, "duration out of range");
            !s)
            return s;
        return Range(d->TransitionMs == DurationEdit::kKeep ||
                         (d->TransitionMs >= 0 && d->TransitionMs <= kMaxSlideMs),
                     "transition length out of range");
    }
    if (const auto* m = std::get_if<MotionEdit>(&edit)) {
        const imaging::Motion& motion = m->Motion;
        if (motion.Mode != imaging::MotionMode::None && motion.Mode != imaging::MotionMode::Auto &&
            motion.Mode != imaging::MotionMode::Manual)
            return base::Fail("unknown motion mode");
        if (motion.Easing != imaging::MotionEasing::Linear &&
            motion.Easing != imaging::MotionEasing::Ease)
            return base::Fail("unknown motion easing");
        // A state is taken only as given: ClampState would quietly move one out of range.
        for (const imaging::MotionState& state : {motion.Start, motion.End})
            if (!(imaging::ClampState(state) == state))
                return base::Fail("motion centre outside 0..1 or zoom outside 1..10");
        return {};
    }
    return {};
}

namespace {

struct PixelRect {
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
};

// The part of a w x h picture a crop keeps. A click without a drag gives an empty rectangle and a
// drag started in the bars gives corners outside the picture: what lies on the picture is kept,
// less than a pixel refused.
base::Result<PixelRect> CropRect(int w, int h, const CropEdit& crop) {
    const auto clampX = [&](std::int32_t v) { return std::clamp(v, 0, w); };
    const auto clampY = [&](std::int32_t v) { return std::clamp(v, 0, h); };
    const PixelRect r{clampX(std::min(crop.X0, crop.X1)), clampY(std::min(crop.Y0, crop.Y1)),
                      clampX(std::max(crop.X0, crop.X1)), clampY(std::max(crop.Y0, crop.Y1))};
    if (r.X1 - r.X0 < 1 || r.Y1 - r.Y0 < 1)
        return base::Fail("the crop rectangle holds no pixel of the picture");
    return r;
}

} // namespace

base::Result<imaging::Bitmap> CropPicture(const imaging::Bitmap& picture, const CropEdit& crop) {
    const auto rect = CropRect(picture.Width, picture.Height, crop);
    if (!rect)
        return base::Fail(rect.error());
    const auto [x0, y0, x1, y1] = *rect;
    imaging::Bitmap out = imaging::Bitmap::CreateUninitialised(x1 - x0, y1 - y0);
    if (out.IsEmpty())
        return base::Fail("out of memory for the cropped picture");
    for (int y = 0; y < out.Height; ++y)
        std::copy_n(picture.Row(y0 + y) + static_cast<std::ptrdiff_t>(x0) * 3,
                    static_cast<std::size_t>(out.Width) * 3, out.Row(y));
    return out;
}

base::Status SaveWorkPicture(const std::string& path, const imaging::Bitmap& picture) {
    base::AtomicFile file(path);
    if (auto opened = file.Open(); !opened)
        return opened;
    if (auto saved = imaging::SaveBmpFile(file.TempPath(), picture); !saved)
        return base::Fail("cannot write " + path + ": " + saved.error());
    return file.Commit(base::AtomicFile::Durability::WriteBack);
}

base::Status ApplySlideEdit(ShowContent& show, std::size_t index, const SlideEdit& edit,
                            const PhotoSettings& photos, imaging::Bitmap* thumbnail,
                            CaptionBases* captions) {
    if (index >= show.Slides.size())
        return base::Fail("no slide " + std::to_string(index + 1) + " in the show");
    // A clip plays its trim: whatever still a retiming asks of it, it gets the one its trim and
    // the transitions around it (the new one included) give.
    if (const auto* d = std::get_if<DurationEdit>(&edit); d && show.Slides[index].Clip()) {
        DurationEdit kept = *d;
        const Slide& clip = show.Slides[index];
        kept.StillMs = TrimStillMs(
            *clip.Clip(), index == 0 ? 0 : show.Slides[index - 1].TransitionMs,
            d->TransitionMs == DurationEdit::kKeep ? clip.TransitionMs : d->TransitionMs);
        return EditSlide(show.Slides[index], kept, photos, thumbnail, captions);
    }
    return EditSlide(show.Slides[index], edit, photos, thumbnail, captions);
}

bool DrawnFromSteps(const Slide& slide) {
    return !slide.DrawableOriginal().empty();
}

namespace {

// The edits of the slide's values alone; true when the edit was one of them.
bool EditValues(Slide& slide, const SlideEdit& edit, base::Status& status) {
    if (const auto* b = std::get_if<BackgroundEdit>(&edit)) {
        slide.BackColor = b->Color;
        return true;
    }
    if (const auto* d = std::get_if<DurationEdit>(&edit)) {
        slide.StillMs = d->StillMs;
        if (d->TransitionMs != DurationEdit::kKeep)
            slide.TransitionMs = d->TransitionMs;
        return true;
    }
    if (const auto* m = std::get_if<MotionEdit>(&edit)) {
        if (slide.Clip() && !m->Motion.IsStill()) {
            status = base::Fail("a clip is shown as it was filmed: pan and zoom are for photos");
            return true;
        }
        // No motion keeps no states, so that a still slide leaves the extension at its default;
        // automatic motion works its states out itself, so states an editor showed before are
        // not kept either (the same automatic motion is the same value from every path).
        slide.Ext.Motion = m->Motion.IsStill() ? imaging::Motion{} : m->Motion;
        if (slide.Ext.Motion.Mode == imaging::MotionMode::Auto) {
            slide.Ext.Motion.Start = {};
            slide.Ext.Motion.End = {};
        }
        // Automatic motion frames on the faces: asked for first on a photo from a show saved
        // before faces were looked for, it looks for them now (a picture it cannot read has
        // none known, and the drawing looks for them when it reads the picture).
        if (PhotoBody* photo = slide.Photo();
            photo && slide.Ext.Motion.Mode == imaging::MotionMode::Auto && !photo->Faces)
            if (auto picture = imaging::LoadImageFile(slide.WorkFile))
                photo->Faces = imaging::DetectFaces(*picture);
        return true;
    }
    if (const auto* c = std::get_if<ColorEdit>(&edit); c && c->Effect == 0) {
        slide.Picture.ColorEffect = 0;
        return true;
    }
    return false;
}

// The edit of the slide's values alone, made on `edited` when it goes through; nullopt for an edit
// of the picture.
std::optional<base::Status> EditValuesOnly(Slide& edited, const SlideEdit& edit) {
    Slide slide = edited;
    base::Status status;
    if (!EditValues(slide, edit, status))
        return std::nullopt;
    if (status)
        edited = std::move(slide);
    return status;
}

// The record fields a picture edit owns, once its pixels are made.
void TakeEditValues(Slide& slide, const SlideEdit& edit) {
    if (const auto* caption = std::get_if<CaptionEdit>(&edit)) {
        slide.Caption = *caption;
    } else if (std::holds_alternative<TurnEdit>(edit)) {
        slide.Picture.TurnCount = slide.Picture.TurnCount + 1;
    } else if (std::holds_alternative<LightEdit>(edit)) {
        slide.Picture.Brightness = 0;
        slide.Picture.Contrast = 0;
        slide.Picture.Gamma10 = 10.0;
    } else if (std::holds_alternative<ColorEdit>(edit)) {
        slide.Picture.ColorEffect = 0;
    }
}

// The pixels of an edit on a picture that is the photo's own original (a photo from an older
// show): made on the picture itself and on the thumbnail.
base::Status EditOwnPicture(imaging::Bitmap& photo, imaging::Bitmap& thumb, const SlideEdit& edit,
                            std::int32_t backColor, const PhotoSettings& photos) {
    if (const auto* crop = std::get_if<CropEdit>(&edit)) {
        auto cropped = CropPicture(photo, *crop);
        if (!cropped)
            return base::Fail(cropped.error());
        photo = std::move(*cropped);
        int width = 1280;
        int height = 1024;
        photos.Size(width, height);
        if (!FitToResolution(photo, width, height))
            return base::Fail("cannot fit the cropped picture to the output size again");
        thumb = MakeThumbnail(photo);
    } else if (const auto* caption = std::get_if<CaptionEdit>(&edit)) {
        // A moving caption is drawn by the renderer on every frame, not into the photo.
        if (caption->Motion == imaging::TextMotion::None)
            imaging::DrawCaption(photo, LookOf(*caption));
    } else if (const auto* turn = std::get_if<TurnEdit>(&edit)) {
        TurnPicture(photo, turn->Turn, backColor);
        TurnPicture(thumb, turn->Turn, backColor);
    } else if (const auto* light = std::get_if<LightEdit>(&edit)) {
        LightPicture(photo, *light);
        LightPicture(thumb, *light);
    } else if (const auto* color = std::get_if<ColorEdit>(&edit)) {
        ColorPicture(photo, color->Effect);
        ColorPicture(thumb, color->Effect);
    }
    return {};
}

} // namespace

base::Status EditSlidePicture(Slide& edited, imaging::Bitmap& working, const SlideEdit& edit,
                              const PhotoSettings& photos, imaging::Bitmap* thumbnail) {
    if (auto valid = ValidateEdit(edit); !valid)
        return valid;
    if (auto done = EditValuesOnly(edited, edit))
        return *done;
    if (!TouchesPictures(edit))
        return {};
    Slide slide = edited;
    // Only a photo takes every edit; the other kinds say which they take (a caption goes over a
    // clip or a collage, and into its poster for older readers).
    if (const KindTraits kind = TraitsOf(slide);
        !kind.TakesPhotoEdits && !(kind.TakesCaption && std::holds_alternative<CaptionEdit>(edit)))
        return base::Fail(kind.NoPhotoEdits);

    imaging::Bitmap thumb = thumbnail ? *thumbnail : imaging::Bitmap();
    if (DrawnFromSteps(slide)) {
        // The photo's truth is its original and its steps: the edit becomes a step, and the
        // working picture is drawn again from them.
        const auto* caption = std::get_if<CaptionEdit>(&edit);
        std::vector<PhotoStep>& steps = slide.Original()->Steps;
        if (caption && (caption->Motion != imaging::TextMotion::None || caption->Text.empty())) {
            // A moving caption is drawn over the frames, and no text is no caption: either takes
            // the still caption off.
            RemoveCaptionStep(steps);
        } else if (working.IsEmpty()) {
            return base::Fail("the working picture of " + slide.Original()->Name +
                              " cannot be read");
        } else if (auto step = StepOf(edit, working.Width, working.Height)) {
            if (const auto* crop = std::get_if<CropEdit>(&edit))
                if (auto rect = CropRect(working.Width, working.Height, *crop); !rect)
                    return base::Fail(rect.error());
            if (auto added = AddPhotoStep(steps, std::move(*step)); !added)
                return added;
        }
        auto drawn = DrawWorkingPicture(slide, photos);
        if (!drawn)
            return base::Fail(drawn.error());
        working = std::move(*drawn);
        if (thumbnail)
            thumb = MakeThumbnail(working);
    } else if (slide.Collage()) {
        // A collage's record picture is drawn from its values, its caption with them.
        TakeEditValues(slide, edit);
        auto drawn = DrawCollageRecord(slide, photos);
        if (!drawn)
            return base::Fail(drawn.error());
        working = std::move(*drawn);
        if (thumbnail)
            thumb = MakeThumbnail(working);
    } else if (auto made = EditOwnPicture(working, thumb, edit, slide.BackColor, photos); !made) {
        return made;
    }
    // Faces are kept in fractions of the picture: a crop or a turn moves them, so they are looked
    // for again on the new picture.
    const bool reshaped =
        std::holds_alternative<CropEdit>(edit) || std::holds_alternative<TurnEdit>(edit);
    if (PhotoBody* photo = slide.Photo(); photo && photo->Faces && reshaped)
        photo->Faces = imaging::DetectFaces(working);
    TakeEditValues(slide, edit);
    if (thumbnail)
        *thumbnail = std::move(thumb);
    edited = std::move(slide);
    return {};
}

base::Status EditSlide(Slide& edited, const SlideEdit& edit, const PhotoSettings& photos,
                       imaging::Bitmap* thumbnail, CaptionBases* captions) {
    if (auto valid = ValidateEdit(edit); !valid)
        return valid;
    if (auto done = EditValuesOnly(edited, edit))
        return *done;
    if (!TouchesPictures(edit))
        return {};
    const std::string path = edited.WorkFile;
    const auto* caption = std::get_if<CaptionEdit>(&edit);
    // (A collage's and a drawn photo's pictures are drawn again from their values instead.)
    const bool stillCaption = caption && caption->Motion == imaging::TextMotion::None &&
                              TraitsOf(edited).TakesCaption && !edited.Collage() &&
                              !DrawnFromSteps(edited);
    // A caption drawn into a picture that is its own original replaces the one drawn before from
    // the copy kept without it, where the caller keeps such copies; no text takes it off.
    if (stillCaption && captions) {
        if (caption->Text.empty()) {
            if (auto restored = captions->Restore(path); !restored)
                return base::Fail(restored.error());
        } else if (auto prepared = captions->Prepare(path); !prepared) {
            return prepared;
        }
    }
    auto loaded = imaging::LoadImageFile(path);
    if (!loaded && !DrawnFromSteps(edited))
        return base::Fail(loaded.error());
    imaging::Bitmap working = loaded ? std::move(*loaded) : imaging::Bitmap();
    Slide slide = edited;
    imaging::Bitmap thumb = thumbnail ? *thumbnail : imaging::Bitmap();
    if (auto done = EditSlidePicture(slide, working, edit, photos, thumbnail ? &thumb : nullptr);
        !done)
        return done;
    // The working file is replaced only by a complete new one; the slide and the thumbnail
    // change only with it.
    if (auto saved = SaveWorkPicture(path, working); !saved)
        return saved;
    if (stillCaption && captions && !caption->Text.empty())
        captions->Remember(path);
    edited = std::move(slide);
    if (thumbnail)
        *thumbnail = std::move(thumb);
    return {};
}

} // namespace project
