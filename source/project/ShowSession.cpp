#include "project/ShowSession.h"

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
    show_.Slides.clear();
    show_.Sounds.clear();
    show_.SlidePage = 0;
    open_ = true;
    return {};
}

void ShowSession::Close() {
    if (!open_)
        return;
    show_.ClearProject();
    show_.PurgeWorkFolders();
    folders_.Release();
    show_.PicturesDir.clear();
    show_.MusicDir.clear();
    open_ = false;
}

} // namespace project
