#include "media/VideoSink.h"

#include "media/AviWriter.h"
#include "media/Mp4Writer.h"
#include "media/VideoOutput.h"

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
