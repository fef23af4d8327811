#include "media/audio/FloatTrackReader.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace media {

namespace {
constexpr std::size_t kInputBytes = 16384;
}

base::Result<std::unique_ptr<FloatTrackReader>>
FloatTrackReader::Open(std::unique_ptr<PcmSource> source, std::uint32_t rate) {
    const PcmFormat in = source->Format();
    if (!in.Valid())
        return base::Fail("the track's sample format is not supported");
    std::unique_ptr<FloatTrackReader> r(new FloatTrackReader);
    AVChannelLayout inLayout, outLayout;
    av_channel_layout_default(&inLayout, in.Channels);
    av_channel_layout_default(&outLayout, 2);
    bool ok = swr_alloc_set_opts2(&r->swr_, &outLayout, AV_SAMPLE_FMT_FLT, static_cast<int>(rate),
                                  &inLayout, in.Bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16,
                                  static_cast<int>(in.SampleRate), 0, nullptr) >= 0;
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (ok && in.Channels == 1) {
        const double both[2] = {1.0, 1.0};
        ok = swr_set_matrix(r->swr_, both, 1) >= 0;
    }
    if (!ok || swr_init(r->swr_) < 0)
        return base::Fail("the track's samples cannot be converted for the mix");
    r->source_ = std::move(source);
    r->input_.resize(kInputBytes - kInputBytes % in.BlockAlign());
    return r;
}

FloatTrackReader::~FloatTrackReader() {
    swr_free(&swr_);
}

std::size_t FloatTrackReader::Convert(const std::uint8_t* in, int inFrames, float* out,
                                      std::size_t frames) {
    const std::uint8_t* inPlanes[1] = {in};
    std::uint8_t* outPlanes[1] = {reinterpret_cast<std::uint8_t*>(out)};
    const int made =
        swr_convert(swr_, outPlanes, static_cast<int>(frames), in ? inPlanes : nullptr, inFrames);
    return made > 0 ? static_cast<std::size_t>(made) : 0;
}

std::size_t FloatTrackReader::Read(float* out, std::size_t frames) {
    static const std::uint8_t none = 0; // input of no frames: what the converter holds, no flush
    const std::size_t block = source_->Format().BlockAlign();
    std::size_t produced = 0;
    while (produced < frames && !drained_) {
        float* at = out + 2 * produced;
        const std::size_t want = frames - produced;
        // What the converter holds first; once the track has ended, its tail (flush).
        std::size_t got = Convert(ended_ ? nullptr : &none, 0, at, want);
        if (got == 0 && ended_) {
            drained_ = true;
            break;
        }
        if (got == 0) {
            auto read = source_->Read(input_.data(), input_.size());
            if (!read || *read == 0) {
                ended_ = true; // a decoder that fails midway ends the track there
                continue;
            }
            got = Convert(input_.data(), static_cast<int>(*read / block), at, want);
        }
        produced += got;
    }
    return produced;
}

} // namespace media
