#include "project/WorkFiles.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace project {

namespace fs = std::filesystem;

namespace {

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

WorkFiles::WorkFiles(std::string picturesDir, std::string musicDir, std::uint32_t prefix)
    : pictures_(std::move(picturesDir)), music_(std::move(musicDir)), prefix_(prefix) {}

void WorkFiles::SetPrefix(std::uint32_t prefix) {
    prefix_ = prefix;
}

void WorkFiles::Remove(const std::string& path) const {
    firstFreeName_.clear();
    if (path.empty())
        return;
    std::error_code ec;
    fs::remove(fs::path(path), ec);
}

void WorkFiles::Purge() const {
    firstFreeName_.clear();
    PurgeFolder(pictures_);
    PurgeFolder(music_);
}

std::string WorkFiles::MakeWorkName(const std::string& folder, const std::string& ext) const {
    const std::string stem = folder + std::to_string(prefix_) + "_";
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

void DiscardShow(ShowContent& content, const WorkFiles& files) {
    for (const Slide& s : content.Slides) {
        files.Remove(s.WorkFile);
        s.ForEachExtraFile([&](const std::string& f) { files.Remove(f); });
    }
    for (const Track& t : content.Sounds)
        files.Remove(t.WorkFile);
    content = ShowContent{};
}

} // namespace project
