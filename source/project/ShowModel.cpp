#include "project/ShowModel.h"

#include "project/Resolution.h"

#include <algorithm>
#include <utility>

namespace project {

void PhotoSettings::Size(int& width, int& height) const {
    width = 1280;
    height = 1024;
    ParseResolution(Resolution, width, height);
}

namespace {

// Moves items[from] to place `to`; the items between shift by one.
template <typename T> bool MoveWithin(std::vector<T>& items, std::size_t from, std::size_t to) {
    if (from == to || from >= items.size() || to >= items.size())
        return false;
    const auto at = [&](std::size_t i) { return items.begin() + static_cast<std::ptrdiff_t>(i); };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
    return true;
}

template <typename T> auto At(std::vector<T>& items, std::size_t index) {
    return items.begin() + static_cast<std::ptrdiff_t>(index);
}

} // namespace

std::size_t IndexAfterMove(std::size_t index, std::size_t from, std::size_t to) {
    if (index == from)
        return to;
    if (from < to && index > from && index <= to)
        return index - 1;
    if (to < from && index >= to && index < from)
        return index + 1;
    return index;
}

std::size_t ShowWriter::Count(ItemKind kind) const {
    return kind == ItemKind::Photo ? show_.content_.Slides.size() : show_.content_.Sounds.size();
}

bool ShowWriter::InsertSlide(std::size_t index, const Slide& slide) {
    auto& slides = show_.content_.Slides;
    if (index > slides.size())
        return false;
    slides.insert(At(slides, index), slide);
    show_.observers_.Notify([&](ShowObserver& o) { o.ItemInserted(ItemKind::Photo, index); });
    return true;
}

bool ShowWriter::InsertTrack(std::size_t index, const Track& track) {
    auto& sounds = show_.content_.Sounds;
    if (index > sounds.size())
        return false;
    sounds.insert(At(sounds, index), track);
    show_.observers_.Notify([&](ShowObserver& o) { o.ItemInserted(ItemKind::Track, index); });
    return true;
}

bool ShowWriter::RemoveItem(ItemKind kind, std::size_t index) {
    if (index >= Count(kind))
        return false;
    if (kind == ItemKind::Photo)
        show_.content_.Slides.erase(At(show_.content_.Slides, index));
    else
        show_.content_.Sounds.erase(At(show_.content_.Sounds, index));
    show_.observers_.Notify([&](ShowObserver& o) { o.ItemRemoved(kind, index); });
    return true;
}

bool ShowWriter::MoveItem(ItemKind kind, std::size_t from, std::size_t to) {
    const bool moved = kind == ItemKind::Photo ? MoveWithin(show_.content_.Slides, from, to)
                                               : MoveWithin(show_.content_.Sounds, from, to);
    if (moved)
        show_.observers_.Notify([&](ShowObserver& o) { o.ItemMoved(kind, from, to); });
    return moved;
}

bool ShowWriter::ExchangeItems(ItemKind kind, std::size_t a, std::size_t b) {
    if (a == b || a >= Count(kind) || b >= Count(kind))
        return false;
    // Two moves make the exchange: the later one to the earlier place, then the earlier one
    // (now one further on) to the later place. They are announced as those moves once the
    // exchange is whole.
    const std::size_t lo = std::min(a, b);
    const std::size_t hi = std::max(a, b);
    if (kind == ItemKind::Photo)
        std::swap(show_.content_.Slides[lo], show_.content_.Slides[hi]);
    else
        std::swap(show_.content_.Sounds[lo], show_.content_.Sounds[hi]);
    show_.observers_.Notify([&](ShowObserver& o) { o.ItemMoved(kind, hi, lo); });
    if (hi > lo + 1)
        show_.observers_.Notify([&](ShowObserver& o) { o.ItemMoved(kind, lo + 1, hi); });
    return true;
}

bool ShowWriter::SetSlide(std::size_t index, const Slide& slide) {
    if (index >= show_.content_.Slides.size())
        return false;
    show_.content_.Slides[index] = slide;
    show_.observers_.Notify([&](ShowObserver& o) { o.ItemEdited(ItemKind::Photo, index); });
    return true;
}

bool ShowWriter::SetTrack(std::size_t index, const Track& track) {
    if (index >= show_.content_.Sounds.size())
        return false;
    show_.content_.Sounds[index] = track;
    show_.observers_.Notify([&](ShowObserver& o) { o.ItemEdited(ItemKind::Track, index); });
    return true;
}

void ShowWriter::SetOptions(const ShowOptions& options) {
    ShowOptions music = show_.content_.Options;
    music.Output = options.Output;
    show_.content_.Options = options;
    if (music == options)
        return;
    show_.observers_.Notify([](ShowObserver& o) { o.ShowReset(); });
}

void ShowWriter::SetPhotoSettings(const PhotoSettings& photos) {
    // Only photos imported or refitted later read them: nothing on view changes.
    show_.photos_ = photos;
}

void ShowWriter::PictureChanged(std::size_t index) {
    if (index < show_.content_.Slides.size())
        show_.observers_.Notify([&](ShowObserver& o) { o.ItemEdited(ItemKind::Photo, index); });
}

void ShowWriter::Replace(ShowContent content) {
    show_.content_ = std::move(content);
    show_.observers_.Notify([](ShowObserver& o) { o.ShowReset(); });
}

} // namespace project
