#include "media/video/VideoOutput.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace media {

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string FolderPart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

std::string LowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

base::Result<VideoContainer> CheckVideoOutput(const std::string& outputPath,
                                              const std::string& showPath) {
    if (outputPath.empty())
        return base::Fail("No file name was given for the video");
    struct stat out {};
    const bool exists = ::stat(outputPath.c_str(), &out) == 0;
    if (exists && S_ISDIR(out.st_mode))
        return base::Fail(outputPath + " is a folder; name a video file such as " + outputPath +
                          "/show.mp4");
    if (exists && !showPath.empty()) {
        struct stat show {};
        if (::stat(showPath.c_str(), &show) == 0 && SameFile(show, out))
            return base::Fail(outputPath +
                              " is the show itself; writing the video there would destroy it");
    }
    const std::string ext = LowerExtension(outputPath);
    if (ext == ".qvs")
        return base::Fail(outputPath +
                          " is a show file; a video is written to a file ending in .avi or .mp4");
    VideoContainer container;
    if (ext == ".avi")
        container = VideoContainer::Avi;
    else if (ext == ".mp4")
        container = VideoContainer::Mp4;
    else
        return base::Fail(outputPath + " is not a video file name: it must end in .avi or .mp4");
    const std::string folder = FolderPart(outputPath);
    struct stat dir {};
    if (::stat(folder.c_str(), &dir) != 0)
        return base::Fail("Cannot write " + outputPath + ": " +
                          (errno == ENOENT ? std::string("its folder does not exist")
                                           : std::string(std::strerror(errno))));
    if (!S_ISDIR(dir.st_mode))
        return base::Fail("Cannot write " + outputPath + ": its folder is not a folder");
    return container;
}

} // namespace media
