// The AVI writer as the export's video sink: frames go to the writer as they come; with a
// compressor the soundtrack pieces are queued and interleaved when the file is completed, without
// one they come first and are written beside the frames.
#pragma once

#include "media/AviWriter.h"
#include "media/VideoSink.h"

namespace media {

class AviVideoSink final : public VideoSink {
public:
    // Fails as the writer's SetCodec does (no compressor for the code).
    static base::Result<std::unique_ptr<VideoSink>> Create(const VideoSinkSettings& settings);

    base::Status Start(const imaging::Bitmap& first) override;
    base::Status AddFrames(const imaging::Bitmap& frame, std::int64_t count) override;
    base::Status AddSound(const QueuedWav& piece) override;
    base::Status Finish() override;
    bool SoundBeforeFrames() const override { return writer_.Compressor().empty(); }
    std::int64_t EncodedFrames() const override { return encoded_; }

private:
    AviVideoSink() = default;
    AviWriter writer_;
    std::int64_t encoded_ = 0;
};

} // namespace media
