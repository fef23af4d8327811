#include "media/WriterFrames.h"

namespace media {

const imaging::Bgr& FitToFrame(const imaging::Bitmap& picture, int width, int height, bool stretch,
                               imaging::Bitmap& scratch) {
    if (picture.Width == width && picture.Height == height)
        return picture;             // already a frame: used as it is
    scratch.SetSize(width, height); // black
    if (stretch)
        picture.ScaleBilinear(scratch);
    else
        scratch.Draw(picture, (width - picture.Width) / 2, (height - picture.Height) / 2);
    return scratch;
}

bool ReportEveryTwentyFrames(const FrameProgressHandler& handler, std::int64_t before,
                             std::int64_t after) {
    if (!handler)
        return false;
    for (std::int64_t n = (before / 20 + 1) * 20; n <= after; n += 20) {
        bool abort = false;
        handler(n, abort);
        if (abort)
            return true;
    }
    return false;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

} // namespace media
