#include "media/video/ClipPictureSource.h"

#include "media/video/ClipFrames.h"

#include <algorithm>

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
    if (width <= 0 || height <= 0)
        return nullptr;
    // The clip's shape fitted within the frame, found as the clip is probed.
    ClipFramesOptions options;
    options.Width = width;
    options.Height = height;
    options.FitWithin = true;
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
