#include "media/video/AacEncoder.h"

#include "media/audio/FfPtr.h"

#include <algorithm>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

namespace media {

namespace {

constexpr std::int64_t kBitRate = 192000;

// The input's rate when the encoder has it, else the lowest higher rate it has (the highest
// when none is higher).
int OutputRate(const AVCodec* codec, int rate) {
    if (!codec->supported_samplerates)
        return rate;
    int best = 0;
    int highest = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        if (*r == rate)
            return rate;
        if (*r > rate && (best == 0 || *r < best))
            best = *r;
        highest = std::max(highest, *r);
    }
    return best ? best : highest;
}

} // namespace

namespace {

// Sample planes of libavutil's allocation, freed on every path.
struct Planes {
    std::uint8_t** Data = nullptr;
    ~Planes() {
        if (Data)
            av_freep(&Data[0]);
        av_freep(&Data);
    }
};

} // namespace

base::Result<std::unique_ptr<AacEncoder>> AacEncoder::Create(const PcmFormat& input) {
    if (!input.Valid())
        return base::Fail("The soundtrack's format is not PCM of 8 or 16 bits");
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        return base::Fail("No AAC encoder in this FFmpeg");
    std::unique_ptr<AacEncoder> e(new AacEncoder);
    e->input_ = input;
    e->context_.reset(avcodec_alloc_context3(codec));
    e->frame_.reset(av_frame_alloc());
    e->packet_.reset(av_packet_alloc());
    if (!e->context_ || !e->frame_ || !e->packet_)
        return base::Fail("Out of memory for the AAC encoder");
    AVCodecContext* c = e->context_.get();
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = OutputRate(codec, static_cast<int>(input.SampleRate));
    c->bit_rate = kBitRate;
    c->time_base = AVRational{1, c->sample_rate};
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_channel_layout_default(&c->ch_layout, 2);
    if (int rc = avcodec_open2(c, codec, nullptr); rc < 0)
        return base::Fail(AvText("Failed to open the AAC encoder", rc));

    AVChannelLayout in{};
    av_channel_layout_default(&in, input.Channels);
    const AVSampleFormat inFormat = input.Bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    SwrContext* resample = nullptr;
    int rc = swr_alloc_set_opts2(&resample, &c->ch_layout, c->sample_fmt, c->sample_rate, &in,
                                 inFormat, static_cast<int>(input.SampleRate), 0, nullptr);
    av_channel_layout_uninit(&in);
    e->resample_.reset(resample);
    if (rc < 0 || (rc = swr_init(resample)) < 0)
        return base::Fail(AvText("No conversion of the soundtrack for the AAC encoder", rc));
    e->fifo_.reset(av_audio_fifo_alloc(c->sample_fmt, 2, c->frame_size > 0 ? c->frame_size : 1024));
    if (!e->fifo_)
        return base::Fail("Out of memory for the AAC encoder");
    return e;
}

int AacEncoder::SampleRate() const {
    return context_->sample_rate;
}

base::Status AacEncoder::FillParameters(AVCodecParameters* parameters) const {
    if (int rc = avcodec_parameters_from_context(parameters, context_.get()); rc < 0)
        return base::Fail(AvText("Failed to create MP4 audio stream", rc));
    return {};
}

base::Status AacEncoder::Encode(const std::uint8_t* samples, std::size_t frames,
                                const PacketSink& sink) {
    if (frames == 0)
        return {};
    const int outMax = swr_get_out_samples(resample_.get(), static_cast<int>(frames));
    if (outMax < 0)
        return base::Fail(AvText("Failed to convert the soundtrack", outMax));
    Planes planes;
    if (int rc = av_samples_alloc_array_and_samples(&planes.Data, nullptr, 2, outMax + 1,
                                                    context_->sample_fmt, 0);
        rc < 0)
        return base::Fail(AvText("Out of memory for the soundtrack", rc));
    const std::uint8_t* in[1] = {samples};
    const int got =
        swr_convert(resample_.get(), planes.Data, outMax + 1, in, static_cast<int>(frames));
    int written = got;
    if (got > 0)
        written = av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(planes.Data), got);
    if (got < 0)
        return base::Fail(AvText("Failed to convert the soundtrack", got));
    if (written < got)
        return base::Fail("Out of memory for the soundtrack");
    return SendFrames(false, sink);
}

base::Status AacEncoder::SendFrames(bool all, const PacketSink& sink) {
    const int size = context_->frame_size > 0 ? context_->frame_size : 1024;
    while (av_audio_fifo_size(fifo_.get()) >= size ||
           (all && av_audio_fifo_size(fifo_.get()) > 0)) {
        av_frame_unref(frame_.get());
        frame_->nb_samples = std::min(size, av_audio_fifo_size(fifo_.get()));
        frame_->format = context_->sample_fmt;
        frame_->sample_rate = context_->sample_rate;
        if (int rc = av_channel_layout_copy(&frame_->ch_layout, &context_->ch_layout); rc < 0)
            return base::Fail(AvText("Failed to encode the soundtrack", rc));
        if (int rc = av_frame_get_buffer(frame_.get(), 0); rc < 0)
            return base::Fail(AvText("Out of memory for the soundtrack", rc));
        if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame_->data),
                               frame_->nb_samples) < frame_->nb_samples)
            return base::Fail("Failed to encode the soundtrack");
        frame_->pts = sent_;
        sent_ += frame_->nb_samples;
        if (int rc = avcodec_send_frame(context_.get(), frame_.get()); rc < 0)
            return base::Fail(AvText("Failed to encode the soundtrack", rc));
        if (auto st = Receive(sink); !st)
            return st;
    }
    return {};
}

base::Status AacEncoder::Receive(const PacketSink& sink) {
    for (;;) {
        const int rc = avcodec_receive_packet(context_.get(), packet_.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF)
            return {};
        if (rc < 0)
            return base::Fail(AvText("Failed to encode the soundtrack", rc));
        base::Status st = sink(*packet_);
        av_packet_unref(packet_.get());
        if (!st)
            return st;
    }
}

base::Status AacEncoder::Finish(const PacketSink& sink) {
    // What the resampler still holds.
    for (;;) {
        Planes planes;
        if (int rc = av_samples_alloc_array_and_samples(&planes.Data, nullptr, 2, 4096,
                                                        context_->sample_fmt, 0);
            rc < 0)
            return base::Fail(AvText("Out of memory for the soundtrack", rc));
        const int got = swr_convert(resample_.get(), planes.Data, 4096, nullptr, 0);
        if (got > 0)
            av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(planes.Data), got);
        if (got <= 0)
            break;
    }
    if (auto st = SendFrames(true, sink); !st)
        return st;
    if (int rc = avcodec_send_frame(context_.get(), nullptr); rc < 0 && rc != AVERROR_EOF)
        return base::Fail(AvText("Failed to encode the soundtrack", rc));
    return Receive(sink);
}

} // namespace media
