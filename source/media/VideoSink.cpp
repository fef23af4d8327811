#include "media/VideoSink.h"

#include "media/AviWriter.h"
#include "media/Mp4Writer.h"
#include "media/VideoOutput.h"

namespace media {

bool IsMp4Output(const std::string& path) {
    return path.size() >= 4 && LowerExtension(path) == ".mp4";
}

base::Result<std::unique_ptr<VideoSink>> MakeVideoSink(const VideoSinkSettings& settings) {
    if (IsMp4Output(settings.OutputPath))
        return Mp4Writer::Create(settings);
    return AviWriter::Create(settings);
}

} // namespace media
