#include "project/SelectionEdits.h"

#include "imaging/ImageLoad.h"
#include "project/CollageDrawing.h"
#include "project/ParkedFile.h"
#include "project/ShowModel.h"
#include "project/SlideKind.h"
#include "project/TransitionChoice.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <numeric>
#include <set>

namespace project {

namespace {

std::string SlideName(std::size_t i) {
    return "slide " + std::to_string(i + 1);
}

base::Status CheckPicked(const std::vector<std::size_t>& picked, std::size_t count) {
    std::set<std::size_t> seen;
    for (const std::size_t i : picked) {
        if (i >= count)
            return base::Fail("no " + SlideName(i) + " in the show");
        if (!seen.insert(i).second)
            return base::Fail(SlideName(i) + " is picked twice");
    }
    return {};
}

// A picture written into the keep folder as the version a step puts in slide i's working file.
base::Result<KeptPicture> Park(std::size_t i, const imaging::Bitmap& picture,
                               const std::string& keepFolder) {
    if (keepFolder.empty())
        return base::Fail("no folder to keep the pictures in for undo");
    const std::string written = keepFolder + "new_" + ParkedFile::UniqueName(".bmp");
    if (auto saved = SaveWorkPicture(written, picture); !saved)
        return base::Fail(saved.error());
    KeptPicture kept{i, ParkedFile(keepFolder, ParkedFile::UniqueName(".bmp"))};
    if (auto moved = kept.Other.MoveIn(written); !moved) {
        std::error_code ec;
        std::filesystem::remove(written, ec);
        return base::Fail(moved.error());
    }
    return kept;
}

bool DrawsPicture(const SlideEdit& edit) {
    if (const auto* color = std::get_if<ColorEdit>(&edit))
        return color->Effect != 0;
    return std::holds_alternative<CropEdit>(edit) || std::holds_alternative<CaptionEdit>(edit) ||
           std::holds_alternative<TurnEdit>(edit) || std::holds_alternative<LightEdit>(edit);
}

// The edits on one slide, in order: its new values in `slide`, and one new picture when an edit
// draws one (each next edit drawn on what the one before drew).
base::Status EditOne(Slide& slide, std::size_t i, const std::vector<SlideEdit>& edits,
                     const PhotoSettings& photos, const std::string& keepFolder,
                     std::vector<KeptPicture>& pictures) {
    imaging::Bitmap working;
    bool loaded = false;
    bool drawn = false;
    for (const SlideEdit& edit : edits) {
        if (!TakesEdit(slide, edit))
            continue;
        if (const auto* back = std::get_if<BackgroundEdit>(&edit); back && slide.Collage()) {
            // A collage's record picture holds its background in the gaps: it is drawn again.
            int width = 0;
            int height = 0;
            photos.Size(width, height);
            auto picture = DrawCollagePicture(*slide.Collage(), width, height, back->Color);
            if (!picture)
                return base::Fail(picture.error());
            working = std::move(*picture);
            loaded = drawn = true;
            slide.BackColor = back->Color;
            continue;
        }
        if (!DrawsPicture(edit)) {
            imaging::Bitmap none;
            if (auto done = EditSlidePicture(slide, none, edit, photos); !done)
                return done;
            continue;
        }
        if (!loaded) {
            auto read = imaging::LoadImageFile(slide.WorkFile);
            if (!read && !DrawnFromSteps(slide))
                return base::Fail(read.error());
            if (read)
                working = std::move(*read);
            loaded = true;
        }
        if (auto done = EditSlidePicture(slide, working, edit, photos); !done)
            return done;
        drawn = true;
    }
    if (!drawn)
        return {};
    auto kept = Park(i, working, keepFolder);
    if (!kept)
        return base::Fail(kept.error());
    pictures.push_back(std::move(*kept));
    return {};
}

} // namespace

bool TakesEdit(const Slide& slide, const SlideEdit& edit) {
    const KindTraits kind = TraitsOf(slide);
    if (std::holds_alternative<MotionEdit>(edit))
        return kind.TakesMotion;
    if (std::holds_alternative<DurationEdit>(edit))
        return !kind.OwnLength;
    if (std::holds_alternative<BackgroundEdit>(edit))
        return true;
    if (std::holds_alternative<CaptionEdit>(edit))
        return kind.TakesCaption;
    return kind.TakesPhotoEdits;
}

base::Result<std::vector<KeptPicture>> EditSlides(ShowContent& draft,
                                                  const std::vector<std::size_t>& picked,
                                                  const std::vector<SlideEdit>& edits,
                                                  const PhotoSettings& photos,
                                                  const std::string& keepFolder) {
    if (auto fits = CheckPicked(picked, draft.Slides.size()); !fits)
        return base::Fail(fits.error());
    for (const SlideEdit& edit : edits)
        if (auto valid = ValidateEdit(edit); !valid)
            return base::Fail(valid.error());
    std::vector<Slide> slides = draft.Slides;
    std::vector<KeptPicture> pictures;
    for (const std::size_t i : picked) {
        if (auto done = EditOne(slides[i], i, edits, photos, keepFolder, pictures); !done)
            return base::Fail(SlideName(i) + ": " + done.error());
    }
    draft.Slides = std::move(slides);
    return pictures;
}

bool ApplyTransitionToSlides(ShowContent& show, const std::vector<std::size_t>& picked,
                             const imaging::TransitionChoice& choice) {
    if (!CheckPicked(picked, show.Slides.size()))
        return false;
    ShowContent edited = show;
    imaging::TransitionChoice one = choice;
    one.ApplyToAll = false;
    for (const std::size_t i : picked)
        if (!ApplyTransitionChoice(edited, static_cast<std::int32_t>(i), one))
            return false;
    show = std::move(edited);
    return true;
}

std::vector<ShowEdit> RemovalsOf(std::vector<std::size_t> picked) {
    std::sort(picked.begin(), picked.end(), std::greater<>());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
    std::vector<ShowEdit> edits;
    for (const std::size_t i : picked)
        edits.push_back(edit::RemoveItem{ItemKind::Photo, i});
    return edits;
}

std::vector<ShowEdit> MovesToGap(std::vector<std::size_t> picked, std::size_t gap,
                                 std::size_t count) {
    std::sort(picked.begin(), picked.end());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
    if (picked.empty() || picked.back() >= count)
        return {};
    gap = std::min(gap, count);
    // The order wanted: the others before the gap, the picked ones, the others after it.
    std::vector<std::size_t> wanted;
    const auto isPicked = [&](std::size_t i) {
        return std::binary_search(picked.begin(), picked.end(), i);
    };
    for (std::size_t i = 0; i < gap; ++i)
        if (!isPicked(i))
            wanted.push_back(i);
    wanted.insert(wanted.end(), picked.begin(), picked.end());
    for (std::size_t i = gap; i < count; ++i)
        if (!isPicked(i))
            wanted.push_back(i);
    // Each place filled in turn by the slide that belongs there, wherever it stands now.
    std::vector<std::size_t> now(count);
    std::iota(now.begin(), now.end(), 0);
    std::vector<ShowEdit> edits;
    for (std::size_t place = 0; place < count; ++place) {
        const auto at = static_cast<std::size_t>(
            std::find(now.begin() + static_cast<std::ptrdiff_t>(place), now.end(), wanted[place]) -
            now.begin());
        if (at == place)
            continue;
        edits.push_back(edit::MoveItem{ItemKind::Photo, at, place});
        const std::size_t id = now[at];
        now.erase(now.begin() + static_cast<std::ptrdiff_t>(at));
        now.insert(now.begin() + static_cast<std::ptrdiff_t>(place), id);
    }
    return edits;
}

std::vector<ShowEdit> MovesByOne(std::vector<std::size_t> picked, int step, std::size_t count) {
    std::sort(picked.begin(), picked.end());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
    if (picked.empty() || picked.back() >= count || (step < 0 && picked.front() == 0) ||
        (step > 0 && picked.back() + 1 >= count) || step == 0)
        return {};
    if (step > 0)
        std::reverse(picked.begin(), picked.end());
    std::vector<ShowEdit> edits;
    for (const std::size_t i : picked)
        edits.push_back(edit::MoveItem{ItemKind::Photo, i, step < 0 ? i - 1 : i + 1});
    return edits;
}

std::vector<std::size_t> PlacesAfter(std::vector<std::size_t> picked,
                                     const std::vector<ShowEdit>& edits) {
    for (const ShowEdit& e : edits) {
        if (const auto* move = std::get_if<edit::MoveItem>(&e);
            move && move->Kind == ItemKind::Photo) {
            for (std::size_t& i : picked)
                i = IndexAfterMove(i, move->From, move->To);
        } else if (const auto* out = std::get_if<edit::RemoveItem>(&e);
                   out && out->Kind == ItemKind::Photo) {
            std::vector<std::size_t> left;
            for (const std::size_t i : picked)
                if (i != out->Index)
                    left.push_back(i > out->Index ? i - 1 : i);
            picked = std::move(left);
        }
    }
    return picked;
}

} // namespace project
