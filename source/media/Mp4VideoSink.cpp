#include "media/Mp4VideoSink.h"

#include <algorithm>
#include <cctype>

namespace media {

bool IsMp4Output(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".mp4";
}

base::Result<std::unique_ptr<VideoSink>> Mp4VideoSink::Create(const VideoSinkSettings& settings) {
    std::unique_ptr<Mp4VideoSink> sink(new Mp4VideoSink);
    Mp4Writer::Options o;
    o.FileName = settings.Path;
    o.Width = settings.Width;
    o.Height = settings.Height;
    o.FrameTime = settings.FrameTime;
    o.Fps = settings.Fps;
    o.Hevc = settings.Hevc;
    o.Crf = QualityCrf(settings.Quality);
    o.Stretch = false; // pictures centred on black
    if (auto st = sink->writer_.Configure(o); !st)
        return base::Fail(st.error());
    return std::unique_ptr<VideoSink>(std::move(sink));
}

base::Status Mp4VideoSink::Start(const imaging::Bitmap& first) {
    return writer_.InitVideo(first);
}

base::Status Mp4VideoSink::AddFrames(const imaging::Bitmap& frame, std::int64_t count) {
    return writer_.AddStillFrames(frame, count);
}

base::Status Mp4VideoSink::AddSound(const QueuedWav& piece) {
    return writer_.AddWaveFile(piece.Path, piece.StartMs);
}

base::Status Mp4VideoSink::Finish() {
    encoded_ = writer_.EncodedFrames();
    writer_.FinalizeVideo();
    return writer_.Write();
}

} // namespace media
