#include "project/HistorySteps.h"

#include "base/FileName.h"

#include "project/Import.h"
#include "project/ShowHistory.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace project {

// ---- ItemStep ---------------------------------------------------------------------------------

ItemStep::ItemStep(ShowHistory& history, ItemKind kind, std::size_t index, bool addition,
                   QUndoCommand* parent)
    : QUndoCommand(parent), history_(history), kind_(kind), index_(index), addition_(addition) {}

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
    if (photo)
        slide_ = show.Slides[index_];
    else
        track_ = show.Sounds[index_];
    const std::string path = photo ? slide_.WorkFile : track_.WorkFile;
    ParkedFile kept(history_.KeepFolder(), ParkedFile::UniqueName(ExtensionOf(path)));
    if (!path.empty() && base::EntryExists(path))
        if (auto moved = kept.MoveIn(path); !moved)
            return moved;
    kept_ = std::move(kept);
    captured_ = true;
    // The copy is kept aside already, so the model's delete finds no file to remove.
    if (photo)
        show.RemoveSlide(index_);
    else
        show.RemoveSound(index_);
    // The selection goes to the item now at that place, or the last one.
    const std::size_t left = Count();
    history_.Focus(kind_, left == 0 ? -1 : static_cast<int>(std::min(index_, left - 1)));
    return {};
}

base::Status ItemStep::Put() {
    if (!captured_)
        return {}; // never taken out: there is nothing to put back
    ShowModel& show = history_.Show();
    const bool photo = kind_ == ItemKind::Photo;
    const std::size_t index = std::min(index_, Count());
    std::string path = photo ? slide_.WorkFile : track_.WorkFile;
    if (kept_.Holds()) {
        if (base::EntryExists(path)) {
            path = show.MakeWorkName(photo ? show.PicturesDir : show.MusicDir, ExtensionOf(path));
            if (path.empty())
                return base::Fail("no free working name to put the item back");
        }
        if (auto moved = kept_.MoveOut(path); !moved)
            return moved;
    }
    if (photo) {
        Slide s = slide_;
        s.WorkFile = path;
        show.InsertSlide(index, s);
    } else {
        Track t = track_;
        t.WorkFile = path;
        show.InsertSound(index, t);
    }
    history_.Focus(kind_, static_cast<int>(index));
    return {};
}

void ItemStep::redo() {
    history_.Report(addition_ ? Put() : Take());
}

void ItemStep::undo() {
    history_.Report(addition_ ? Take() : Put());
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
    } else {
        if (exchange_ && from != to) {
            // Two moves exchange them: the later one first to the earlier place, then back.
            const std::size_t lo = std::min(from, to);
            const std::size_t hi = std::max(from, to);
            show.MoveSound(hi, lo);
            if (hi > lo + 1)
                show.MoveSound(lo + 1, hi);
        } else {
            show.MoveSound(from, to);
        }
    }
    if (select >= 0)
        history_.Focus(kind_, select);
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
                         std::vector<Diff<Track>> sounds, std::vector<Picture> pictures,
                         Diff<ShowOptions> options)
    : history_(history), slides_(std::move(slides)), sounds_(std::move(sounds)),
      pictures_(std::move(pictures)), options_(options) {}

void RecordsStep::Apply(bool after) {
    ShowModel& show = history_.Show();
    // The picture first, so that a view told of the edit finds the file it names.
    for (auto& p : pictures_)
        if (p.Index < show.Slides.size())
            history_.Report(p.Other.SwapWith(show.Slides[p.Index].WorkFile));
    for (const auto& d : slides_)
        if (d.Index < show.Slides.size())
            show.SetSlide(d.Index, after ? d.After : d.Before);
    for (const auto& d : sounds_)
        if (d.Index < show.Sounds.size())
            show.SetSound(d.Index, after ? d.After : d.Before);
    for (const auto& p : pictures_)
        if (p.Index < show.Slides.size() &&
            std::none_of(slides_.begin(), slides_.end(),
                         [&](const Diff<Slide>& d) { return d.Index == p.Index; }))
            show.PictureChanged(p.Index);
    if (!(options_.Before == options_.After))
        show.SetOptions(after ? options_.After : options_.Before);
}

void RecordsStep::redo() {
    Apply(true);
}

void RecordsStep::undo() {
    Apply(false);
}

} // namespace project
