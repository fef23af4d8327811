#include "project/ShowModel.h"

#include "project/Resolution.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace project {

namespace fs = std::filesystem;

namespace {

void RemoveFileQuietly(const std::string& path) {
    if (path.empty())
        return;
    std::error_code ec;
    fs::remove(fs::path(path), ec);
}

void PurgeFolder(const std::string& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(fs::path(folder), ec))
        return;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (it->is_regular_file(e2) || it->is_symlink(e2))
            fs::remove(it->path(), e2);
    }
}

} // namespace

void ShowModel::ResolutionSize(int& width, int& height) const {
    width = 1280;
    height = 1024;
    ParseResolution(Resolution, width, height);
}

void ShowModel::ClearProject() {
    firstFreeName_.clear();
    for (const auto& s : Slides)
        RemoveFileQuietly(s.WorkFile);
    Slides.clear();
    for (const auto& t : Sounds)
        RemoveFileQuietly(t.WorkFile);
    Sounds.clear();
    Options = ShowOptions{};
    observers_.Notify([](ShowObserver& o) { o.ShowReset(); });
}

void ShowModel::ReplaceAll(std::vector<Slide> slides, std::vector<Track> sounds,
                           ShowOptions options) {
    firstFreeName_.clear();
    Slides = std::move(slides);
    Sounds = std::move(sounds);
    Options = options;
    observers_.Notify([](ShowObserver& o) { o.ShowReset(); });
}

void ShowModel::PurgeWorkFolders() const {
    firstFreeName_.clear();
    PurgeFolder(PicturesDir);
    PurgeFolder(MusicDir);
}

bool ShowModel::SwapSlides(int sourceTag, int targetTag) {
    const long long s = static_cast<long long>(sourceTag) - 1;
    const long long t = static_cast<long long>(targetTag) - 1;
    const auto count = static_cast<long long>(Slides.size());
    if (s == t || s < 0 || t < 0 || s >= count || t >= count)
        return false;
    // Two moves make the exchange: the later one to the earlier place, then the earlier one
    // (now one further on) to the later place. They are announced as those moves once the
    // exchange is whole, and the selection stays on its place.
    const auto lo = static_cast<std::size_t>(std::min(s, t));
    const auto hi = static_cast<std::size_t>(std::max(s, t));
    std::swap(Slides[lo], Slides[hi]);
    observers_.Notify([&](ShowObserver& o) { o.ItemMoved(ItemKind::Photo, hi, lo); });
    if (hi > lo + 1)
        observers_.Notify([&](ShowObserver& o) { o.ItemMoved(ItemKind::Photo, lo + 1, hi); });
    return true;
}

bool ShowModel::InsertSlide(std::size_t index, const Slide& slide) {
    if (index > Slides.size())
        return false;
    Slides.insert(Slides.begin() + static_cast<std::ptrdiff_t>(index), slide);
    observers_.Notify([&](ShowObserver& o) { o.ItemInserted(ItemKind::Photo, index); });
    return true;
}

bool ShowModel::InsertSound(std::size_t index, const Track& track) {
    if (index > Sounds.size())
        return false;
    Sounds.insert(Sounds.begin() + static_cast<std::ptrdiff_t>(index), track);
    observers_.Notify([&](ShowObserver& o) { o.ItemInserted(ItemKind::Track, index); });
    return true;
}

bool ShowModel::RemoveSlide(std::size_t index) {
    if (index >= Slides.size())
        return false;
    firstFreeName_.clear();
    RemoveFileQuietly(Slides[index].WorkFile);
    Slides.erase(Slides.begin() + static_cast<std::ptrdiff_t>(index));
    observers_.Notify([&](ShowObserver& o) { o.ItemRemoved(ItemKind::Photo, index); });
    return true;
}

bool ShowModel::RemoveSound(std::size_t index) {
    if (index >= Sounds.size())
        return false;
    firstFreeName_.clear();
    RemoveFileQuietly(Sounds[index].WorkFile);
    Sounds.erase(Sounds.begin() + static_cast<std::ptrdiff_t>(index));
    observers_.Notify([&](ShowObserver& o) { o.ItemRemoved(ItemKind::Track, index); });
    return true;
}

bool ShowModel::SetSlide(std::size_t index, const Slide& slide) {
    if (index >= Slides.size())
        return false;
    Slides[index] = slide;
    observers_.Notify([&](ShowObserver& o) { o.ItemEdited(ItemKind::Photo, index); });
    return true;
}

bool ShowModel::SetSound(std::size_t index, const Track& track) {
    if (index >= Sounds.size())
        return false;
    Sounds[index] = track;
    observers_.Notify([&](ShowObserver& o) { o.ItemEdited(ItemKind::Track, index); });
    return true;
}

void ShowModel::SetOptions(const ShowOptions& options) {
    ShowOptions music = Options;
    music.Output = options.Output;
    Options = options;
    // The output settings alone move nothing on the time line and no view shows them: a written
    // video's choices do not make the views build themselves again.
    if (music == options)
        return;
    observers_.Notify([](ShowObserver& o) { o.ShowReset(); });
}

void ShowModel::PictureChanged(std::size_t index) {
    if (index < Slides.size())
        observers_.Notify([&](ShowObserver& o) { o.ItemEdited(ItemKind::Photo, index); });
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

bool ShowModel::MoveSlide(std::size_t from, std::size_t to) {
    if (!MoveWithin(Slides, from, to))
        return false;
    observers_.Notify([&](ShowObserver& o) { o.ItemMoved(ItemKind::Photo, from, to); });
    return true;
}

bool ShowModel::MoveSound(std::size_t from, std::size_t to) {
    if (!MoveWithin(Sounds, from, to))
        return false;
    observers_.Notify([&](ShowObserver& o) { o.ItemMoved(ItemKind::Track, from, to); });
    return true;
}

std::string ShowModel::MakeWorkName(const std::string& folder, const std::string& ext) const {
    const std::string stem = folder + std::to_string(WorkPrefix) + "_";
    int& first = firstFreeName_[stem + "\n" + ext];
    for (int i = std::max(first, 1); i <= kMaxWorkNames; ++i) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%04d", i);
        std::string name = stem + digits + ext;
        std::error_code ec;
        if (!fs::exists(fs::path(name), ec) && !fs::is_symlink(fs::path(name), ec)) {
            first = i; // free now; the caller may not take it, so it is tested again next time
            return name;
        }
    }
    first = kMaxWorkNames + 1;
    return std::string();
}

} // namespace project
