#include "media/AviVideoSink.h"

#include "media/Mp4VideoSink.h"

namespace media {

base::Result<std::unique_ptr<VideoSink>> AviVideoSink::Create(const VideoSinkSettings& settings) {
    std::unique_ptr<AviVideoSink> sink(new AviVideoSink);
    AviWriter::Options o;
    o.FileName = settings.Path;
    o.Width = settings.Width;
    o.Height = settings.Height;
    o.Codec = settings.Codec;
    o.FrameTime = settings.FrameTime;
    o.Quality = 10000;
    o.Stretch = false; // pictures centred on black
    if (auto st = sink->writer_.Configure(o); !st)
        return base::Fail(st.error());
    return std::unique_ptr<VideoSink>(std::move(sink));
}

base::Status AviVideoSink::Start(const imaging::Bitmap& first) {
    return writer_.InitVideo(first);
}

base::Status AviVideoSink::AddFrames(const imaging::Bitmap& frame, std::int64_t count) {
    return writer_.AddStillFrames(frame, count);
}

base::Status AviVideoSink::AddSound(const QueuedWav& piece) {
    return writer_.AddWaveFile(piece.Path, piece.StartMs);
}

base::Status AviVideoSink::Finish() {
    encoded_ = writer_.EncodedFrames();
    writer_.FinalizeVideo();
    return writer_.WriteAvi();
}

base::Result<std::unique_ptr<VideoSink>> MakeVideoSink(const VideoSinkSettings& settings) {
    if (IsMp4Output(settings.OutputPath))
        return Mp4VideoSink::Create(settings);
    return AviVideoSink::Create(settings);
}

} // namespace media
