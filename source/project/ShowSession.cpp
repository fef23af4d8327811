#include "project/ShowSession.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace project {

ShowSession::~ShowSession() {
    Close();
}

base::Status ShowSession::Open(const std::string& tempRoot) {
    Close();
    if (auto claimed = folders_.Claim(tempRoot); !claimed) {
        openError_ = claimed.error();
        files_ = WorkFiles();
        return base::Fail(openError_);
    }
    openError_.clear();
    files_ = WorkFiles(folders_.PicturesDir(), folders_.MusicDir(),
                       static_cast<std::uint32_t>(::getpid()));
    files_.Purge();
    history_.Clear();
    ShowContent empty;
    empty.WorkPrefix = files_.Prefix();
    ShowWriter(show_).Replace(std::move(empty));
    // The undo history keeps removed items and replaced pictures beside the working folders.
    namespace fs = std::filesystem;
    const fs::path keep = fs::path(folders_.InstanceDir()) / "history";
    std::error_code ec;
    fs::create_directories(keep, ec);
    for (fs::directory_iterator it(keep, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        fs::remove(it->path(), e2);
    }
    history_.SetKeepFolder(fs::is_directory(keep, ec) ? keep.string() + "/" : std::string());
    open_ = true;
    return {};
}

void ShowSession::RemoveCopies(const ShowContent& content) {
    for (const Slide& s : content.Slides) {
        files_.Remove(s.WorkFile);
        s.ForEachExtraFile([&](const std::string& f) { files_.Remove(f); });
    }
    for (const Track& t : content.Sounds)
        files_.Remove(t.WorkFile);
}

void ShowSession::New(const ShowOptions& options, std::optional<PhotoSettings> photos) {
    history_.Clear();
    RemoveCopies(show_.Content());
    files_.Purge(); // and whatever a load or an import left behind
    ShowContent empty;
    empty.Options = options;
    empty.WorkPrefix = files_.Prefix();
    ShowWriter writer(show_);
    if (photos)
        writer.SetPhotoSettings(*photos);
    writer.Replace(std::move(empty));
}

void ShowSession::Replace(ShowContent content, std::optional<PhotoSettings> photos) {
    history_.Clear();
    // Only the old show's own copies go: the new show's were made in the same folders.
    const ShowContent old = show_.Content();
    for (const Slide& s : old.Slides) {
        if (std::none_of(content.Slides.begin(), content.Slides.end(),
                         [&](const Slide& n) { return n.WorkFile == s.WorkFile; }))
            files_.Remove(s.WorkFile);
        s.ForEachExtraFile([&](const std::string& extra) {
            bool kept = false;
            for (const Slide& n : content.Slides)
                n.ForEachExtraFile([&](const std::string& f) { kept = kept || f == extra; });
            if (!kept)
                files_.Remove(extra);
        });
    }
    for (const Track& t : old.Sounds)
        if (std::none_of(content.Sounds.begin(), content.Sounds.end(),
                         [&](const Track& n) { return n.WorkFile == t.WorkFile; }))
            files_.Remove(t.WorkFile);
    files_.SetPrefix(content.WorkPrefix);
    ShowWriter writer(show_);
    if (photos)
        writer.SetPhotoSettings(*photos);
    writer.Replace(std::move(content));
}

void ShowSession::Close() {
    if (!open_)
        return;
    history_.Clear();
    RemoveCopies(show_.Content());
    files_.Purge();
    ShowWriter(show_).Replace(ShowContent{});
    folders_.Release();
    files_ = WorkFiles();
    open_ = false;
}

} // namespace project
