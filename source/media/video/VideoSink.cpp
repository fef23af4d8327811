#include "media/video/VideoSink.h"

#include "media/video/AviWriter.h"
#include "media/video/Mp4Writer.h"
#include "media/video/VideoOutput.h"

namespace media {

base::Status VideoSink::AddComposedFrame(const FrameComposer&) {
    return base::Fail("Failed to add Frame: this video takes no composed frames");
}

bool IsMp4Output(const std::string& path) {
    return path.size() >= 4 && LowerExtension(path) == ".mp4";
}

base::Result<std::unique_ptr<VideoSink>> MakeVideoSink(const VideoSinkSettings& settings) {
    if (IsMp4Output(settings.OutputPath))
        return Mp4Writer::Create(settings);
    return AviWriter::Create(settings);
}

} // namespace media
