#include "project/ShowModel.h"

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

bool ParseInt(const std::string& s, int& out) {
    if (s.empty() || s.size() > 9)
        return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

} // namespace

bool ParseResolution(const std::string& text, int& width, int& height) {
    const auto x = text.find('x');
    if (x == std::string::npos)
        return false;
    int w = 0;
    int h = 0;
    if (!ParseInt(text.substr(0, x), w) || !ParseInt(text.substr(x + 1, 5), h))
        return false;
    if (w <= 0 || h <= 0)
        return false;
    width = w;
    height = h;
    return true;
}

void ShowModel::ResolutionSize(int& width, int& height) const {
    width = 1280;
    height = 1024;
    ParseResolution(Resolution, width, height);
}

std::int64_t ShowModel::ShowLengthSeconds() const {
    std::int64_t t = 0;
    for (const auto& s : Slides)
        t += static_cast<std::int64_t>(s.ShowSeconds) + s.TransitionSeconds;
    return t;
}

void ShowModel::DestroySlideViews(const Slide& s) {
    if (!Host)
        return;
    for (int i : {2, 3, 4, 5, 0, 1})
        if (s.Views[i] != 0u)
            Host->DestroyView(s.Views[i]);
}

void ShowModel::DestroySoundViews(const Track& t) {
    if (!Host)
        return;
    for (int i : {1, 2, 0})
        if (t.Views[i] != 0u)
            Host->DestroyView(t.Views[i]);
}

void ShowModel::ClearProject() {
    firstFreeName_.clear();
    for (const auto& s : Slides) {
        RemoveFileQuietly(s.WorkFile.str());
        DestroySlideViews(s);
    }
    Slides.clear();
    for (const auto& t : Sounds) {
        RemoveFileQuietly(t.WorkFile.str());
        DestroySoundViews(t);
    }
    Sounds.clear();
    SlidePage = 0;
}

void ShowModel::PurgeWorkFolders() const {
    firstFreeName_.clear();
    PurgeFolder(PicturesDir);
    PurgeFolder(MusicDir);
}

void ShowModel::NameSlideViews(std::size_t index) {
    if (!Host)
        return;
    const auto& s = Slides[index];
    const std::string n = std::to_string(index);
    if (s.Views[4] != 0u)
        Host->RenameView(s.Views[4], "ThumbSpacerImage_" + n);
    if (s.Views[2] != 0u)
        Host->RenameView(s.Views[2], "ThumbImage_" + n);
    if (s.Views[5] != 0u)
        Host->RenameView(s.Views[5], "ThumbButton_" + n);
}

void ShowModel::NameSoundViews(std::size_t index) {
    if (!Host)
        return;
    const auto& t = Sounds[index];
    const std::string n = std::to_string(index);
    if (t.Views[1] != 0u)
        Host->RenameView(t.Views[1], "SoundImage_" + n);
    if (t.Views[2] != 0u)
        Host->RenameView(t.Views[2], "SoundButton_" + n);
}

void ShowModel::RetagSlides() {
    if (!Host)
        return;
    for (std::size_t i = 0; i < Slides.size(); ++i)
        if (Slides[i].Views[2] != 0u)
            Host->SetViewTag(Slides[i].Views[2], static_cast<int>(i + 1));
}

void ShowModel::CompactSlides() {
    firstFreeName_.clear();
    std::vector<Slide> kept;
    kept.reserve(Slides.size());
    for (const auto& s : Slides) {
        if (s.Deleted == 0) {
            kept.push_back(s);
            continue;
        }
        RemoveFileQuietly(s.WorkFile.str());
        DestroySlideViews(s);
    }
    Slides = std::move(kept);
    for (std::size_t i = 0; i < Slides.size(); ++i)
        NameSlideViews(i);
    RetagSlides();
}

void ShowModel::CompactSounds() {
    firstFreeName_.clear();
    std::vector<Track> kept;
    kept.reserve(Sounds.size());
    for (const auto& t : Sounds) {
        if (t.Deleted == 0) {
            kept.push_back(t);
            continue;
        }
        RemoveFileQuietly(t.WorkFile.str());
        DestroySoundViews(t);
    }
    Sounds = std::move(kept);
    for (std::size_t i = 0; i < Sounds.size(); ++i)
        NameSoundViews(i);
}

void ShowModel::ExchangeSlides(std::size_t a, std::size_t b) {
    std::swap(Slides[a], Slides[b]);
    NameSlideViews(a);
    NameSlideViews(b);
    RetagSlides();
}

void ShowModel::ExchangeSounds(std::size_t a, std::size_t b) {
    std::swap(Sounds[a], Sounds[b]);
    NameSoundViews(a);
    NameSoundViews(b);
}

bool ShowModel::SwapSlides(int sourceTag, int targetTag) {
    const long long s = static_cast<long long>(sourceTag) - 1;
    const long long t = static_cast<long long>(targetTag) - 1;
    const auto count = static_cast<long long>(Slides.size());
    if (s == t || s < 0 || t < 0 || s >= count || t >= count)
        return false;
    ExchangeSlides(static_cast<std::size_t>(s), static_cast<std::size_t>(t));
    return true;
}

bool ShowModel::MoveSlideRight() {
    const long long n = SelectedSlide;
    if (n < 0 || n + 1 > static_cast<long long>(Slides.size()) - 1)
        return false;
    ExchangeSlides(static_cast<std::size_t>(n), static_cast<std::size_t>(n + 1));
    return true;
}

bool ShowModel::MoveSlideLeft() {
    const long long n = SelectedSlide;
    if (n - 1 < 0 || n > static_cast<long long>(Slides.size()) - 1)
        return false;
    ExchangeSlides(static_cast<std::size_t>(n), static_cast<std::size_t>(n - 1));
    return true;
}

bool ShowModel::MoveSoundRight() {
    const long long n = SelectedSound;
    if (n < 0 || n + 1 > static_cast<long long>(Sounds.size()) - 1)
        return false;
    ExchangeSounds(static_cast<std::size_t>(n), static_cast<std::size_t>(n + 1));
    return true;
}

bool ShowModel::MoveSoundLeft() {
    const long long n = SelectedSound;
    if (n - 1 < 0 || n > static_cast<long long>(Sounds.size()) - 1)
        return false;
    ExchangeSounds(static_cast<std::size_t>(n), static_cast<std::size_t>(n - 1));
    return true;
}

int ShowModel::DeleteSelectedSlide() {
    const long long n = SelectedSlide;
    if (n < 0 || n >= static_cast<long long>(Slides.size()))
        return -2;
    Slides[static_cast<std::size_t>(n)].Deleted = 1;
    CompactSlides();
    const long long last = static_cast<long long>(Slides.size()) - 1;
    return static_cast<int>(n > last ? last : n);
}

int ShowModel::DeleteSelectedSound() {
    const long long n = SelectedSound;
    if (n < 0 || n >= static_cast<long long>(Sounds.size()))
        return -2;
    Sounds[static_cast<std::size_t>(n)].Deleted = 1;
    CompactSounds();
    const long long last = static_cast<long long>(Sounds.size()) - 1;
    return static_cast<int>(n > last ? last : n);
}

bool ShowModel::InsertSlide(std::size_t index, const Slide& slide) {
    if (index > Slides.size())
        return false;
    Slides.insert(Slides.begin() + static_cast<std::ptrdiff_t>(index), slide);
    for (std::size_t i = index + 1; i < Slides.size(); ++i)
        NameSlideViews(i);
    RetagSlides();
    return true;
}

bool ShowModel::InsertSound(std::size_t index, const Track& track) {
    if (index > Sounds.size())
        return false;
    Sounds.insert(Sounds.begin() + static_cast<std::ptrdiff_t>(index), track);
    for (std::size_t i = index + 1; i < Sounds.size(); ++i)
        NameSoundViews(i);
    return true;
}

bool ShowModel::RemoveSlide(std::size_t index) {
    if (index >= Slides.size())
        return false;
    firstFreeName_.clear();
    RemoveFileQuietly(Slides[index].WorkFile.str());
    DestroySlideViews(Slides[index]);
    Slides.erase(Slides.begin() + static_cast<std::ptrdiff_t>(index));
    for (std::size_t i = index; i < Slides.size(); ++i)
        NameSlideViews(i);
    RetagSlides();
    return true;
}

bool ShowModel::RemoveSound(std::size_t index) {
    if (index >= Sounds.size())
        return false;
    firstFreeName_.clear();
    RemoveFileQuietly(Sounds[index].WorkFile.str());
    DestroySoundViews(Sounds[index]);
    Sounds.erase(Sounds.begin() + static_cast<std::ptrdiff_t>(index));
    for (std::size_t i = index; i < Sounds.size(); ++i)
        NameSoundViews(i);
    return true;
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

bool ShowModel::MoveSlide(std::size_t from, std::size_t to) {
    if (!MoveWithin(Slides, from, to))
        return false;
    for (std::size_t i = std::min(from, to); i <= std::max(from, to); ++i)
        NameSlideViews(i);
    RetagSlides();
    // The selection follows its photo: the moved one, or a neighbour that shifted by one.
    const auto f = static_cast<std::int32_t>(from);
    const auto t = static_cast<std::int32_t>(to);
    if (SelectedSlide == f)
        SelectedSlide = t;
    else if (f < t && SelectedSlide > f && SelectedSlide <= t)
        --SelectedSlide;
    else if (t < f && SelectedSlide >= t && SelectedSlide < f)
        ++SelectedSlide;
    return true;
}

bool ShowModel::MoveSound(std::size_t from, std::size_t to) {
    if (!MoveWithin(Sounds, from, to))
        return false;
    for (std::size_t i = std::min(from, to); i <= std::max(from, to); ++i)
        NameSoundViews(i);
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
