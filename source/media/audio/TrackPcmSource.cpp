#include "media/audio/TrackPcmSource.h"

#include "media/audio/AudioLibrary.h"

#include <algorithm>

namespace media {

namespace {

// A decode-only stream of the audio library; the stream is freed with the source.
class TrackPcmSource final : public PcmSource {
public:
    TrackPcmSource(Stream stream, const PcmFormat& format)
        : stream_(std::move(stream)), format_(format) {}

    PcmFormat Format() const override { return format_; }

    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const std::size_t block = format_.BlockAlign();
        size -= size % block;
        const auto want = static_cast<std::uint32_t>(std::min<std::size_t>(size, 1 << 24));
        const std::uint32_t got = stream_.Read(out, want);
        if (got == ~0u) {
            // The library's failure answer is never a length: at the end it means "no more".
            if (stream_.Finished())
                return std::size_t{0};
            return base::Fail(AudioErrorText(Audio().LastErrorCode()));
        }
        if (got > want)
            return base::Fail("the audio library returned more than was asked");
        return static_cast<std::size_t>(got - got % block);
    }

private:
    Stream stream_;
    PcmFormat format_;
};

} // namespace

base::Result<std::unique_ptr<PcmSource>> OpenTrackPcmSource(const std::string& path) {
    AudioLibrary& audio = Audio();
    if (!audio.Loaded())
        return base::Fail("the audio library is not loaded");
    Stream stream = audio.OpenFile(path, BASS_STREAM_DECODE);
    if (!stream)
        return base::Fail(AudioErrorText(audio.LastErrorCode()));
    BASS_CHANNELINFO info{};
    if (!stream.Info(info))
        return base::Fail(AudioErrorText(audio.LastErrorCode()));
    PcmFormat format;
    format.SampleRate = info.freq;
    format.Channels = static_cast<std::uint16_t>(info.chans);
    format.Bits = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;
    if (!format.Valid())
        return base::Fail("the track's sample format is not supported");
    return std::unique_ptr<PcmSource>(std::make_unique<TrackPcmSource>(std::move(stream), format));
}

} // namespace media
