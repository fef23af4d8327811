#include "media/BassPcmSource.h"

#include "media/litebass.h"

namespace media {

namespace {

class BassPcmSource final : public PcmSource {
public:
    BassPcmSource(HSTREAM stream, const PcmFormat& format) : stream_(stream), format_(format) {}
    ~BassPcmSource() override {
        if (BassLibrary && stream_)
            Bass.StreamFree(stream_);
    }
    BassPcmSource(const BassPcmSource&) = delete;
    BassPcmSource& operator=(const BassPcmSource&) = delete;

    PcmFormat Format() const override { return format_; }

    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        if (!BassLibrary)
            return base::Fail("the audio library is not loaded");
        const std::size_t block = format_.BlockAlign();
        size -= size % block;
        const std::uint32_t want = static_cast<std::uint32_t>(std::min<std::size_t>(size, 1 << 24));
        const std::uint32_t got = Bass.ChannelGetData(stream_, out, want);
        if (got == ~0u) {
            // The library's failure answer is never a length: at the end it means "no more".
            if (Bass.ChannelIsActive(stream_) == BASS_ACTIVE_STOPPED)
                return std::size_t{0};
            return base::Fail(BassErrorText(Bass.ErrorGetCode()));
        }
        if (got > want)
            return base::Fail("the audio library returned more than was asked");
        return static_cast<std::size_t>(got - got % block);
    }

private:
    HSTREAM stream_;
    PcmFormat format_;
};

} // namespace

base::Result<std::unique_ptr<PcmSource>> OpenBassPcmSource(const std::string& path) {
    if (!BassLibrary)
        return base::Fail("the audio library is not loaded");
    const HSTREAM stream = Bass.StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    if (stream == 0)
        return base::Fail(BassErrorText(Bass.ErrorGetCode()));
    BASS_CHANNELINFO info{};
    std::uint32_t freq = 0;
    if (!Bass.ChannelGetInfo(stream, &info) ||
        !Bass.ChannelGetAttributes(stream, &freq, nullptr, nullptr)) {
        const std::int32_t code = Bass.ErrorGetCode();
        Bass.StreamFree(stream);
        return base::Fail(BassErrorText(code));
    }
    PcmFormat format;
    format.SampleRate = freq;
    format.Channels = static_cast<std::uint16_t>(info.chans);
    format.Bits = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;
    if (!format.Valid()) {
        Bass.StreamFree(stream);
        return base::Fail("the track's sample format is not supported");
    }
    return std::unique_ptr<PcmSource>(new BassPcmSource(stream, format));
}

} // namespace media
