#include "media/video/WriterFrames.h"

#include <algorithm>
#include <cctype>
#include <cstring>

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

bool SamePicture(const imaging::Bgr& a, const imaging::Bgr& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return false;
    const auto rowBytes = static_cast<std::size_t>(a.Width) * 3;
    for (int y = 0; y < a.Height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), rowBytes) != 0)
            return false;
    return true;
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

bool HasWavExtension(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".wav";
}

const imaging::Bgr& FrameWriter::BuildFrame(const imaging::Bitmap& picture) {
    return FitToFrame(picture, width_, height_, stretch_, frame_);
}

base::Status FrameWriter::AddFrames(const imaging::Bitmap& picture, std::int64_t count) {
    if (aborted_)
        return {};
    if (!initialized_)
        return base::Fail("Video must be initialized.");
    if (count <= 0)
        return {};
    if (auto st = Encode(BuildFrame(picture), count); !st)
        return st;
    const std::int64_t before = frameCount_;
    frameCount_ += count;
    if (ReportEveryTwentyFrames(onProgress_, before, frameCount_))
        aborted_ = true;
    return {};
}

base::Status FrameWriter::AddComposedFrame(const FrameComposer& compose) {
    if (aborted_)
        return {};
    if (!initialized_)
        return base::Fail("Video must be initialized.");
    if (auto st = EncodeComposed(compose); !st)
        return st;
    const std::int64_t before = frameCount_;
    ++frameCount_;
    if (ReportEveryTwentyFrames(onProgress_, before, frameCount_))
        aborted_ = true;
    return {};
}

base::Status FrameWriter::AddFrame(const imaging::Bitmap& picture) {
    return AddFrames(picture, 1);
}

base::Status FrameWriter::AddStill(const imaging::Bitmap& picture, std::int64_t ms) {
    return AddFrames(picture, std::max<std::int64_t>(ms, 0) / frameTime_ + 1);
}

base::Status FrameWriter::AddStillFrames(const imaging::Bitmap& picture, std::int64_t count) {
    return AddFrames(picture, count);
}

base::Status FrameWriter::AddWaveFile(const std::string& path, std::int32_t startMs) {
    if (!HasWavExtension(path))
        return base::Fail(kWavExtensionMessage);
    waveFiles_.push_back(WavPiece(QueuedWav{path, startMs}));
    return {};
}

base::Status FrameWriter::AddSound(SoundPiece piece) {
    waveFiles_.push_back(std::move(piece));
    return {};
}

void FrameWriter::FinalizeVideo() {
    if (initialized_)
        EndFrames();
    initialized_ = false;
    finalized_ = true;
}

base::Status FrameWriter::Finish() {
    FinalizeVideo();
    return WriteFile();
}

} // namespace media
