// The MP4 writer (H.264 and AAC) as the export's video sink, chosen by the output's ".mp4".
#pragma once

#include "media/Mp4Writer.h"
#include "media/VideoSink.h"

namespace media {

class Mp4VideoSink final : public VideoSink {
public:
    static base::Result<std::unique_ptr<VideoSink>> Create(const VideoSinkSettings& settings);

    base::Status Start(const imaging::Bitmap& first) override;
    base::Status AddFrames(const imaging::Bitmap& frame, std::int64_t count) override;
    base::Status AddSound(const QueuedWav& piece) override;
    base::Status Finish() override;
    std::int64_t EncodedFrames() const override { return encoded_; }

private:
    Mp4VideoSink() = default;
    Mp4Writer writer_;
    std::int64_t encoded_ = 0;
};

// True when the output's extension asks for an MP4 file (any case).
bool IsMp4Output(const std::string& path);

} // namespace media
