#include "project/HistorySteps.h"

#include "base/FileName.h"

#include "project/Import.h"
#include "project/ShowHistory.h"

#include <algorithm>
#include <type_traits>

namespace project {

EditsStep::EditsStep(ShowHistory& history, std::vector<ShowEdit> edits,
                     std::vector<KeptPicture> pictures, int selectBefore, int selectAfter,
                     QUndoCommand* parent)
    : QUndoCommand(parent), history_(history), edits_(std::move(edits)), before_(edits_.size()),
      pictures_(std::move(pictures)), selectBefore_(selectBefore), selectAfter_(selectAfter) {}

ItemKind EditsStep::FocusKind() const {
    for (const ShowEdit& e : edits_) {
        if (const auto* r = std::get_if<edit::RemoveItem>(&e))
            return r->Kind;
        if (const auto* m = std::get_if<edit::MoveItem>(&e))
            return m->Kind;
        if (const auto* x = std::get_if<edit::ExchangeItems>(&e))
            return x->Kind;
        if (std::holds_alternative<edit::InsertTrack>(e))
            return ItemKind::Track;
    }
    return ItemKind::Photo;
}

base::Status EditsStep::Take(ItemKind kind, std::size_t index, Before& keep) {
    const ShowModel& show = history_.Show();
    const std::size_t count = kind == ItemKind::Photo ? show.Slides().size() : show.Sounds().size();
    if (index >= count)
        return base::Fail("no item " + std::to_string(index + 1) + " to take out");
    if (history_.KeepFolder().empty())
        return base::Fail("no folder to keep removed items in");
    if (kind == ItemKind::Photo)
        keep.SlideValue = show.Slides()[index];
    else
        keep.TrackValue = show.Sounds()[index];
    const std::string path =
        kind == ItemKind::Photo ? keep.SlideValue.WorkFile : keep.TrackValue.WorkFile;
    ParkedFile kept(history_.KeepFolder(), ParkedFile::UniqueName(ExtensionOf(path)));
    if (!path.empty() && base::EntryExists(path))
        if (auto moved = kept.MoveIn(path); !moved)
            return moved;
    keep.Parked = std::move(kept);
    // A slide's clip and original go aside with it (an extra that cannot be moved stays put: the
    // slide still names it).
    keep.ParkedExtras.clear();
    if (kind == ItemKind::Photo)
        keep.SlideValue.ForEachExtraFile([&](const std::string& extra) {
            ParkedFile parked(history_.KeepFolder(), ParkedFile::UniqueName(ExtensionOf(extra)));
            if (base::EntryExists(extra) && !parked.MoveIn(extra))
                parked = ParkedFile();
            keep.ParkedExtras.push_back(std::move(parked));
        });
    keep.Out = true;
    history_.Writer().RemoveItem(kind, index);
    const std::size_t left = count - 1;
    history_.Focus(kind, left == 0 ? -1 : static_cast<int>(std::min(index, left - 1)));
    return {};
}

base::Status EditsStep::Put(ItemKind kind, std::size_t index, Before& keep) {
    const bool photo = kind == ItemKind::Photo;
    std::string path = photo ? keep.SlideValue.WorkFile : keep.TrackValue.WorkFile;
    if (keep.Parked.Holds()) {
        if (base::EntryExists(path)) {
            const WorkFiles& files = history_.Files();
            path = files.MakeWorkName(photo ? files.PicturesDir() : files.MusicDir(),
                                      ExtensionOf(path));
            if (path.empty())
                return base::Fail("no free working name to put the item back");
        }
        if (auto moved = keep.Parked.MoveOut(path); !moved)
            return moved;
        keep.Parked = ParkedFile();
    }
    // The clip and original come back under their names, or new ones when those are taken now.
    std::size_t extra = 0;
    base::Status extrasBack;
    if (photo)
        keep.SlideValue.ForEachExtraFile([&](std::string& file) {
            if (extra >= keep.ParkedExtras.size())
                return;
            ParkedFile& parked = keep.ParkedExtras[extra++];
            if (!parked.Holds() || !extrasBack)
                return;
            if (base::EntryExists(file))
                file = history_.Files().MakePictureName(ExtensionOf(file));
            extrasBack = file.empty() ? base::Fail("no free working name to put a file back")
                                      : parked.MoveOut(file);
        });
    if (!extrasBack)
        return extrasBack;
    keep.ParkedExtras.clear();
    keep.Out = false;
    ShowWriter writer = history_.Writer();
    if (photo) {
        keep.SlideValue.WorkFile = path;
        writer.InsertSlide(index, keep.SlideValue);
    } else {
        keep.TrackValue.WorkFile = path;
        writer.InsertTrack(index, keep.TrackValue);
    }
    history_.Focus(kind, static_cast<int>(index));
    return {};
}

void EditsStep::SwapPictures() {
    const ShowModel& show = history_.Show();
    for (KeptPicture& picture : pictures_) {
        if (picture.Index >= show.Slides().size())
            continue;
        history_.Report(picture.Other.SwapWith(show.Slides()[picture.Index].WorkFile));
        // A view told of the slide's new values reads the picture then; told of nothing else, it
        // hears of the picture alone.
        const bool valuesToo = std::any_of(edits_.begin(), edits_.end(), [&](const ShowEdit& e) {
            const auto* s = std::get_if<edit::SetSlide>(&e);
            return s && s->Index == picture.Index;
        });
        if (!valuesToo)
            history_.Writer().PictureChanged(picture.Index);
    }
}

void EditsStep::Do(std::size_t k) {
    const ShowModel& show = history_.Show();
    ShowWriter writer = history_.Writer();
    Before& keep = before_[k];
    std::visit(
        [&](auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, edit::SetSlide>) {
                if (x.Index < show.Slides().size())
                    keep.SlideValue = show.Slides()[x.Index];
                writer.SetSlide(x.Index, x.Value);
            } else if constexpr (std::is_same_v<T, edit::SetTrack>) {
                if (x.Index < show.Sounds().size())
                    keep.TrackValue = show.Sounds()[x.Index];
                writer.SetTrack(x.Index, x.Value);
            } else if constexpr (std::is_same_v<T, edit::SetOptions>) {
                keep.Options = show.Options();
                writer.SetOptions(x.Value);
            } else if constexpr (std::is_same_v<T, edit::SetPhotoSettings>) {
                keep.Photos = show.Photos();
                writer.SetPhotoSettings(x.Value);
            } else if constexpr (std::is_same_v<T, edit::InsertSlide>) {
                if (!keep.Out)
                    keep.SlideValue = x.Value; // the first time: the import's copy is in place
                history_.Report(Put(ItemKind::Photo, x.Index, keep));
            } else if constexpr (std::is_same_v<T, edit::InsertTrack>) {
                if (!keep.Out)
                    keep.TrackValue = x.Value;
                history_.Report(Put(ItemKind::Track, x.Index, keep));
            } else if constexpr (std::is_same_v<T, edit::RemoveItem>) {
                history_.Report(Take(x.Kind, x.Index, keep));
            } else if constexpr (std::is_same_v<T, edit::MoveItem>) {
                writer.MoveItem(x.Kind, x.From, x.To);
            } else if constexpr (std::is_same_v<T, edit::ExchangeItems>) {
                writer.ExchangeItems(x.Kind, x.A, x.B);
            }
        },
        edits_[k]);
}

void EditsStep::Undo(std::size_t k) {
    ShowWriter writer = history_.Writer();
    Before& keep = before_[k];
    std::visit(
        [&](auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, edit::SetSlide>) {
                writer.SetSlide(x.Index, keep.SlideValue);
            } else if constexpr (std::is_same_v<T, edit::SetTrack>) {
                writer.SetTrack(x.Index, keep.TrackValue);
            } else if constexpr (std::is_same_v<T, edit::SetOptions>) {
                writer.SetOptions(keep.Options);
            } else if constexpr (std::is_same_v<T, edit::SetPhotoSettings>) {
                writer.SetPhotoSettings(keep.Photos);
            } else if constexpr (std::is_same_v<T, edit::InsertSlide>) {
                history_.Report(Take(ItemKind::Photo, x.Index, keep));
            } else if constexpr (std::is_same_v<T, edit::InsertTrack>) {
                history_.Report(Take(ItemKind::Track, x.Index, keep));
            } else if constexpr (std::is_same_v<T, edit::RemoveItem>) {
                if (keep.Out)
                    history_.Report(Put(x.Kind, x.Index, keep));
            } else if constexpr (std::is_same_v<T, edit::MoveItem>) {
                writer.MoveItem(x.Kind, x.To, x.From);
            } else if constexpr (std::is_same_v<T, edit::ExchangeItems>) {
                writer.ExchangeItems(x.Kind, x.A, x.B);
            }
        },
        edits_[k]);
}

void EditsStep::redo() {
    // The picture first, so that a view told of the edit finds the file it names.
    SwapPictures();
    for (std::size_t k = 0; k < edits_.size(); ++k)
        Do(k);
    if (selectAfter_ >= 0)
        history_.Focus(FocusKind(), selectAfter_);
}

void EditsStep::undo() {
    SwapPictures();
    for (std::size_t k = edits_.size(); k-- > 0;)
        Undo(k);
    if (selectBefore_ >= 0)
        history_.Focus(FocusKind(), selectBefore_);
}

void BatchStep::redo() {
    if (done_) {
        done_ = false;
        return;
    }
    QUndoCommand::redo();
}

} // namespace project
