#include "project/HistorySteps.h"

#include "project/Import.h"
#include "project/ShowHistory.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace project {

namespace {

template <typename R> R Content(R r) {
    r.Views = {};
    r.Selected = 0;
    r.Deleted = 0;
    return r;
}

template <typename R> bool Same(const R& a, const R& b) {
    const R x = Content(a);
    const R y = Content(b);
    return std::memcmp(&x, &y, sizeof(R)) == 0;
}

template <typename R> void Put(R& dst, const R& src) {
    const auto views = dst.Views;
    const auto selected = dst.Selected;
    const auto deleted = dst.Deleted;
    dst = src;
    dst.Views = views;
    dst.Selected = selected;
    dst.Deleted = deleted;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::path(path), ec) ||
           std::filesystem::is_symlink(std::filesystem::path(path), ec);
}

void Changed(ShowHistory& history) {
    if (HistoryViews* views = history.Views())
        views->ShowChanged();
}

} // namespace

bool SameContent(const Slide& a, const Slide& b) {
    return Same(a, b);
}
bool SameContent(const Track& a, const Track& b) {
    return Same(a, b);
}
void PutContent(Slide& dst, const Slide& src) {
    Put(dst, src);
}
void PutContent(Track& dst, const Track& src) {
    Put(dst, src);
}

// ---- ItemStep ---------------------------------------------------------------------------------

ItemStep::ItemStep(ShowHistory& history, ItemKind kind, std::size_t index, bool addition,
                   imaging::Bitmap thumbnail, QUndoCommand* parent)
    : QUndoCommand(parent), history_(history), kind_(kind), index_(index), addition_(addition),
      thumbnail_(std::move(thumbnail)) {
    ShowModel& show = history_.Show();
    if (kind_ == ItemKind::Photo && index_ < show.Slides.size())
        slide_ = show.Slides[index_];
    if (kind_ == ItemKind::Track && index_ < show.Sounds.size())
        track_ = show.Sounds[index_];
}

std::size_t ItemStep::Count() const {
    const ShowModel& show = history_.Show();
    return kind_ == ItemKind::Photo ? show.Slides.size() : show.Sounds.size();
}

base::Status ItemStep::Take() {
    ShowModel& show = history_.Show();
    if (index_ >= Count())
        return base::Fail("no item " + std::to_string(index_ + 1) + " to take out");
    if (history_.KeepFolder().empty())
        return base::Fail("no folder to keep removed items in");
    const bool photo = kind_ == ItemKind::Photo;
    if (photo) {
        slide_ = show.Slides[index_];
        if (HistoryViews* views = history_.Views())
            thumbnail_ = views->Thumbnail(index_);
    } else {
        track_ = show.Sounds[index_];
    }
    const std::string path = photo ? slide_.WorkFile.str() : track_.WorkFile.str();
    ParkedFile kept(history_.KeepFolder(), ParkedFile::UniqueName(ExtensionOf(path)));
    if (!path.empty() && Exists(path))
        if (auto moved = kept.MoveIn(path); !moved)
            return moved;
    kept_ = std::move(kept);
    // The copy is kept aside already, so the model's delete finds no file to remove.
    if (photo) {
        show.RemoveSlide(index_);
        show.SelectedSlide = static_cast<std::int32_t>(
            std::min<std::size_t>(index_, show.Slides.empty() ? 0 : show.Slides.size() - 1));
    } else {
        show.RemoveSound(index_);
        show.SelectedSound = static_cast<std::int32_t>(
            std::min<std::size_t>(index_, show.Sounds.empty() ? 0 : show.Sounds.size() - 1));
    }
    return {};
}

base::Status ItemStep::Put() {
    ShowModel& show = history_.Show();
    const bool photo = kind_ == ItemKind::Photo;
    const std::size_t index = std::min(index_, Count());
    std::string path = photo ? slide_.WorkFile.str() : track_.WorkFile.str();
    if (kept_.Holds()) {
        if (Exists(path)) {
            path = show.MakeWorkName(photo ? show.PicturesDir : show.MusicDir, ExtensionOf(path));
            if (path.empty())
                return base::Fail("no free working name to put the item back");
        }
        if (auto moved = kept_.MoveOut(path); !moved)
            return moved;
    }
    if (photo) {
        Slide s = slide_;
        s.WorkFile.assign(path);
        s.Views = {};
        s.Selected = 0;
        s.Deleted = 0;
        show.InsertSlide(index, s);
        if (HistoryViews* views = history_.Views())
            views->CreatePhotoViews(index, thumbnail_);
        show.SelectedSlide = static_cast<std::int32_t>(index);
    } else {
        Track t = track_;
        t.WorkFile.assign(path);
        t.Views = {};
        t.Selected = 0;
        t.Deleted = 0;
        show.InsertSound(index, t);
        if (HistoryViews* views = history_.Views())
            views->CreateTrackViews(index);
        show.SelectedSound = static_cast<std::int32_t>(index);
    }
    return {};
}

void ItemStep::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    history_.Report(addition_ ? Put() : Take());
    Changed(history_);
}

void ItemStep::undo() {
    history_.Report(addition_ ? Take() : Put());
    Changed(history_);
}

// ---- MoveStep ---------------------------------------------------------------------------------

MoveStep::MoveStep(ShowHistory& history, ItemKind kind, bool exchange, std::size_t from,
                   std::size_t to, int selectBefore, int selectAfter)
    : history_(history), kind_(kind), exchange_(exchange), from_(from), to_(to),
      selectBefore_(selectBefore), selectAfter_(selectAfter) {}

void MoveStep::Apply(std::size_t from, std::size_t to, int select) {
    ShowModel& show = history_.Show();
    if (kind_ == ItemKind::Photo) {
        if (exchange_)
            show.SwapSlides(static_cast<int>(from) + 1, static_cast<int>(to) + 1);
        else
            show.MoveSlide(from, to);
        show.SelectedSlide = select;
    } else {
        if (exchange_ && from != to) {
            // Two moves exchange them: the later one first to the earlier place, then back.
            const std::size_t lo = std::min(from, to);
            const std::size_t hi = std::max(from, to);
            show.MoveSound(hi, lo);
            show.MoveSound(lo + 1, hi);
        } else {
            show.MoveSound(from, to);
        }
        show.SelectedSound = select;
    }
    Changed(history_);
}

void MoveStep::redo() {
    Apply(from_, to_, selectAfter_);
}

void MoveStep::undo() {
    if (exchange_)
        Apply(from_, to_, selectBefore_);
    else
        Apply(to_, from_, selectBefore_);
}

// ---- RecordsStep ------------------------------------------------------------------------------

RecordsStep::RecordsStep(ShowHistory& history, std::vector<Diff<Slide>> slides,
                         std::vector<Diff<Track>> sounds, std::vector<Picture> pictures)
    : history_(history), slides_(std::move(slides)), sounds_(std::move(sounds)),
      pictures_(std::move(pictures)) {}

void RecordsStep::Apply(bool after) {
    ShowModel& show = history_.Show();
    for (const auto& d : slides_)
        if (d.Index < show.Slides.size())
            PutContent(show.Slides[d.Index], after ? d.After : d.Before);
    for (const auto& d : sounds_)
        if (d.Index < show.Sounds.size())
            PutContent(show.Sounds[d.Index], after ? d.After : d.Before);
    for (auto& p : pictures_) {
        if (p.Index >= show.Slides.size())
            continue;
        history_.Report(p.Other.SwapWith(show.Slides[p.Index].WorkFile.str()));
        if (HistoryViews* views = history_.Views())
            views->SetThumbnail(p.Index, after ? p.ThumbAfter : p.ThumbBefore);
    }
    Changed(history_);
}

void RecordsStep::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    Apply(true);
}

void RecordsStep::undo() {
    Apply(false);
}

} // namespace project
