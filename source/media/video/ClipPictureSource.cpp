#include "media/video/ClipPictureSource.h"

#include "media/video/ClipFrames.h"
#include "media/video/ClipProbe.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {

class FramesOfClip final : public render::ClipPictures {
public:
    explicit FramesOfClip(std::unique_ptr<ClipFrames> frames) : frames_(std::move(frames)) {}

    const imaging::Bitmap* At(std::int64_t ms) override {
        // Backwards (a preview moved back) starts again from the key frame before.
        if (ms < asked_ && !frames_->Seek(ms))
            return nullptr;
        asked_ = ms;
        auto picture = frames_->FrameAt(ms);
        return picture ? *picture : nullptr;
    }
    std::int64_t PictureMs() const override { return frames_->PictureMs(); }

private:
    std::unique_ptr<ClipFrames> frames_;
    std::int64_t asked_ = 0;
};

} // namespace

std::unique_ptr<render::ClipPictures> OpenClipPictures(const project::ClipSettings& clip, int width,
                                                       int height) {
    auto info = ProbeClipFile(clip.File);
    if (!info || info->Width <= 0 || info->Height <= 0 || width <= 0 || height <= 0)
        return nullptr;
    // The clip's shape fitted within the frame, to even sides for the scaler's chroma.
    const double scale = std::min(double(width) / info->Width, double(height) / info->Height);
    ClipFramesOptions options;
    options.Width = std::max(2, static_cast<int>(std::lround(info->Width * scale / 2.0)) * 2);
    options.Height = std::max(2, static_cast<int>(std::lround(info->Height * scale / 2.0)) * 2);
    options.Width = std::min(options.Width, width);
    options.Height = std::min(options.Height, height);
    options.Threads = 2;
    auto frames = ClipFrames::OpenFile(clip.File, options);
    if (!frames)
        return nullptr;
    if (clip.InMs > 0 && !(*frames)->Seek(clip.InMs))
        return nullptr;
    return std::make_unique<FramesOfClip>(std::move(*frames));
}

render::ClipOpener ClipOpenerForRendering() {
    return [](const project::ClipSettings& clip, int width, int height) {
        return OpenClipPictures(clip, width, height);
    };
}

} // namespace media
