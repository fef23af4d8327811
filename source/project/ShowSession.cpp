#include "project/ShowSession.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace project {

ShowSession::~ShowSession() {
    Close();
}

base::Status ShowSession::Open(const std::string& tempRoot) {
    Close();
    std::string error;
    if (!folders_.Claim(tempRoot, &error)) {
        openError_ = error.empty() ? "the private working folders could not be made" : error;
        show_.PicturesDir.clear();
        show_.MusicDir.clear();
        return base::Fail(openError_);
    }
    openError_.clear();
    show_.PicturesDir = folders_.PicturesDir();
    show_.MusicDir = folders_.MusicDir();
    show_.PurgeWorkFolders();
    show_.WorkPrefix = static_cast<std::uint32_t>(::getpid());
    show_.ReplaceAll({}, {}, ShowOptions{});
    // The undo history keeps removed items and replaced pictures beside the working folders.
    namespace fs = std::filesystem;
    const fs::path keep = fs::path(folders_.InstanceDir()) / "history";
    std::error_code ec;
    fs::create_directories(keep, ec);
    for (fs::directory_iterator it(keep, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        fs::remove(it->path(), e2);
    }
    history_.Clear();
    history_.SetKeepFolder(fs::is_directory(keep, ec) ? keep.string() + "/" : std::string());
    open_ = true;
    return {};
}

void ShowSession::Close() {
    if (!open_)
        return;
    history_.Clear();
    history_.SetKeepFolder(std::string());
    show_.ClearProject();
    show_.PurgeWorkFolders();
    folders_.Release();
    show_.PicturesDir.clear();
    show_.MusicDir.clear();
    open_ = false;
}

} // namespace project
