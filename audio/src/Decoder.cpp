#include "Decoder.h"

#include "bass.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace bass {

namespace {
constexpr int kIoBuffer = 64 * 1024;
constexpr int kMaxRate = 768000;
// Below this a "sample rate" is a lie: a 1 Hz file of a few kilobytes would claim hours and
// blow up by the output's rate when converted. Telephone speech at 8 kHz is the lowest real rate
// in use; this leaves room for old 2-4 kHz recordings.
constexpr int kMinRate = 1000;
// The containers the program promises (MP3, Ogg, WAV). Anything else FFmpeg could open -
// playlists that open further files, video containers, images - is refused outright.
constexpr const char* kFormats = "mp3,ogg,wav";
// An MPEG layer III frame may take its data from up to three frames before it (the bit
// reservoir), and the synthesis filter carries state across frames: a seek starts this many
// samples early and drops them, or the first tenth of a second after it comes out silent.
constexpr int kMpegPreroll = 10 * 1152;
// Silence is handed out in blocks of at most this many frames.
constexpr std::int64_t kSilenceFrames = 4096;
} // namespace

int ReadPacketCallback(void* opaque, std::uint8_t* buf, int size) {
    auto* d = static_cast<Decoder*>(opaque);
    if (size <= 0)
        return 0;
    const std::size_t n = d->source_->ReadAt(d->ioPos_, buf, static_cast<std::size_t>(size));
    if (n == 0)
        return AVERROR_EOF;
    d->ioPos_ += n;
    return static_cast<int>(n);
}

std::int64_t SeekCallback(void* opaque, std::int64_t offset, int whence) {
    auto* d = static_cast<Decoder*>(opaque);
    const auto size = static_cast<std::int64_t>(d->source_->Size());
    std::int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = static_cast<std::int64_t>(d->ioPos_) + offset;
        break;
    case SEEK_END:
        target = size + offset;
        break;
    default:
        return -1;
    }
    if (target < 0)
        return -1;
    d->ioPos_ = static_cast<std::uint64_t>(target);
    return target;
}

std::unique_ptr<Decoder> Decoder::Open(std::shared_ptr<ByteSource> source, std::int32_t* error) {
    // Damaged or unusual files are normal input here; FFmpeg's warnings about them would only
    // clutter the program's output. Left alone when the host has chosen a level itself.
    if (av_log_get_level() == AV_LOG_INFO)
        av_log_set_level(AV_LOG_ERROR);
    std::unique_ptr<Decoder> d(new Decoder());
    d->source_ = std::move(source);
    *error = BASS_ERROR_MEM;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBuffer));
    if (!buffer)
        return nullptr;
    d->io_ = avio_alloc_context(buffer, kIoBuffer, 0, d.get(), ReadPacketCallback, nullptr,
                                SeekCallback);
    if (!d->io_) {
        av_free(buffer);
        return nullptr;
    }
    d->format_ = avformat_alloc_context();
    d->frame_ = av_frame_alloc();
    d->packet_ = av_packet_alloc();
    if (!d->format_ || !d->frame_ || !d->packet_)
        return nullptr;
    d->format_->pb = d->io_;
    d->format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    d->format_->format_whitelist = av_strdup(kFormats);
    d->format_->protocol_whitelist = av_strdup("none");
    if (!d->format_->format_whitelist || !d->format_->protocol_whitelist)
        return nullptr;
    *error = BASS_ERROR_FILEFORM;
    // On failure avformat_open_input frees the context and clears the pointer.
    if (avformat_open_input(&d->format_, nullptr, nullptr, nullptr) < 0)
        return nullptr;
    if (avformat_find_stream_info(d->format_, nullptr) < 0)
        return nullptr;
    const AVCodec* codec = nullptr;
    d->stream_ = av_find_best_stream(d->format_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (d->stream_ < 0 || !codec)
        return nullptr;
    for (unsigned i = 0; i < d->format_->nb_streams; ++i)
        if (static_cast<int>(i) != d->stream_)
            d->format_->streams[i]->discard = AVDISCARD_ALL;
    const AVCodecParameters* par = d->format_->streams[d->stream_]->codecpar;
    *error = BASS_ERROR_FORMAT;
    d->codec_ = avcodec_alloc_context3(codec);
    if (!d->codec_ || avcodec_parameters_to_context(d->codec_, par) < 0)
        return nullptr;
    d->codec_->thread_count = 1;
    // Vorbis in Ogg: the last page's granule position is the exact sample count, and FFmpeg's own
    // end trimming misses it by up to a few hundred samples depending on the block sizes. The
    // decoder hands over every sample and the stream is cut at the measured length instead.
    if (par->codec_id == AV_CODEC_ID_VORBIS)
        d->codec_->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
    if (par->codec_id == AV_CODEC_ID_MP3 || par->codec_id == AV_CODEC_ID_MP2 ||
        par->codec_id == AV_CODEC_ID_MP1)
        d->seekPreroll_ = kMpegPreroll;
    if (avcodec_open2(d->codec_, codec, nullptr) < 0)
        return nullptr;
    const int inChannels = d->codec_->ch_layout.nb_channels;
    if (d->codec_->sample_rate < kMinRate || d->codec_->sample_rate > kMaxRate || inChannels <= 0)
        return nullptr;
    d->rate_ = d->codec_->sample_rate;
    d->channels_ = inChannels > 2 ? 2 : inChannels;
    d->eightBit_ = par->codec_id == AV_CODEC_ID_PCM_U8;
    *error = BASS_OK;
    return d;
}

Decoder::~Decoder() {
    swr_free(&swr_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_); // also frees a context that was never opened
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    av_frame_free(&frame_);
    av_packet_free(&packet_);
}

std::string Decoder::FormatName() const {
    return format_ && format_->iformat && format_->iformat->name ? format_->iformat->name : "";
}

std::int64_t Decoder::ContainerFrames() const {
    const AVStream* st = format_->streams[stream_];
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
        return av_rescale_q(st->duration, st->time_base, AVRational{1, rate_});
    if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
        return av_rescale(format_->duration, rate_, AV_TIME_BASE);
    return -1;
}

bool Decoder::ConfigureResampler() {
    swr_free(&swr_);
    AVChannelLayout in{};
    if (frame_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame_->ch_layout.nb_channels <= 0)
        av_channel_layout_default(&in, frame_->ch_layout.nb_channels > 0
                                           ? frame_->ch_layout.nb_channels
                                           : codec_->ch_layout.nb_channels);
    else if (av_channel_layout_copy(&in, &frame_->ch_layout) < 0)
        return false;
    AVChannelLayout out{};
    av_channel_layout_default(&out, channels_);
    const AVSampleFormat outFormat = eightBit_ ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    const int inRate = frame_->sample_rate > 0 ? frame_->sample_rate : rate_;
    const int r =
        swr_alloc_set_opts2(&swr_, &out, outFormat, rate_, &in,
                            static_cast<AVSampleFormat>(frame_->format), inRate, 0, nullptr);
    swrFormat_ = frame_->format;
    swrRate_ = inRate;
    swrChannels_ = in.nb_channels;
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    return r >= 0 && swr_init(swr_) >= 0;
}

bool Decoder::ConvertFrame() {
    const int inRate = frame_->sample_rate > 0 ? frame_->sample_rate : rate_;
    if (frame_->nb_samples <= 0 || inRate < kMinRate || inRate > kMaxRate)
        return true;
    if (!swr_ || frame_->format != swrFormat_ || inRate != swrRate_ ||
        frame_->ch_layout.nb_channels != swrChannels_)
        if (!ConfigureResampler())
            return false;
    const int capacity = swr_get_out_samples(swr_, frame_->nb_samples);
    if (capacity <= 0)
        return true;
    const std::size_t bpf = static_cast<std::size_t>(BytesPerFrame());
    pending_.resize(static_cast<std::size_t>(capacity) * bpf);
    std::uint8_t* outPlanes[1] = {pending_.data()};
    const int got =
        swr_convert(swr_, outPlanes, capacity,
                    const_cast<const std::uint8_t**>(frame_->extended_data), frame_->nb_samples);
    if (got < 0)
        return false;
    pending_.resize(static_cast<std::size_t>(got) * bpf);
    pendingAt_ = 0;

    // Where this frame starts on the stream's time line, for the trim after a seek.
    std::int64_t start = nextSample_;
    const AVStream* st = format_->streams[stream_];
    if (skipTo_ >= 0 && frame_->best_effort_timestamp != AV_NOPTS_VALUE) {
        std::int64_t ts = frame_->best_effort_timestamp;
        if (st->start_time != AV_NOPTS_VALUE)
            ts -= st->start_time;
        start = av_rescale_q(ts, st->time_base, AVRational{1, rate_});
    }
    nextSample_ = start + got;
    if (lengthFrames_ >= 0 && start + got > lengthFrames_) {
        const std::int64_t keep = std::max<std::int64_t>(0, lengthFrames_ - start);
        pending_.resize(static_cast<std::size_t>(keep) * bpf);
    }
    if (skipTo_ >= 0) {
        if (start + got <= skipTo_) {
            pending_.clear();
        } else {
            if (start < skipTo_)
                pendingAt_ =
                    std::min(pending_.size(), static_cast<std::size_t>(skipTo_ - start) * bpf);
            skipTo_ = -1;
        }
    }
    return true;
}

bool Decoder::FillSilence() {
    const std::int64_t from = std::max(nextSample_, skipTo_);
    if (lengthFrames_ < 0 || from >= lengthFrames_)
        return false;
    const std::int64_t n = std::min(kSilenceFrames, lengthFrames_ - from);
    pending_.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(BytesPerFrame()),
                    eightBit_ ? 0x80 : 0);
    pendingAt_ = 0;
    nextSample_ = from + n;
    skipTo_ = -1;
    return true;
}

bool Decoder::FillPending() {
    if (pendingAt_ >= pending_.size() && ended_)
        return FillSilence();
    while (pendingAt_ >= pending_.size() && !ended_) {
        const int r = avcodec_receive_frame(codec_, frame_);
        if (r == 0) {
            const bool ok = ConvertFrame();
            av_frame_unref(frame_);
            if (!ok)
                ended_ = true;
            continue;
        }
        if (r == AVERROR_EOF) {
            ended_ = true;
            break;
        }
        if (r != AVERROR(EAGAIN)) {
            ended_ = true;
            break;
        }
        // Past the measured length nothing more is delivered, so nothing more is decoded.
        if (demuxEnded_ || (lengthFrames_ >= 0 && skipTo_ < 0 && nextSample_ >= lengthFrames_)) {
            ended_ = true;
            break;
        }
        const int rr = av_read_frame(format_, packet_);
        if (rr < 0) {
            demuxEnded_ = true;
            avcodec_send_packet(codec_, nullptr); // drain
            continue;
        }
        if (packet_->stream_index == stream_) {
            // A damaged packet is dropped; the stream goes on with the next one.
            const int s = avcodec_send_packet(codec_, packet_);
            (void)s;
        }
        av_packet_unref(packet_);
    }
    if (pendingAt_ >= pending_.size() && ended_)
        return FillSilence();
    return pendingAt_ < pending_.size();
}

std::size_t Decoder::Read(std::uint8_t* out, std::size_t n) {
    std::size_t done = 0;
    while (done < n && FillPending()) {
        const std::size_t k = std::min(n - done, pending_.size() - pendingAt_);
        std::memcpy(out + done, pending_.data() + pendingAt_, k);
        pendingAt_ += k;
        done += k;
    }
    position_ += done;
    return done;
}

bool Decoder::AtEnd() {
    return !FillPending();
}

bool Decoder::Seek(std::uint64_t pos) {
    const auto bpf = static_cast<std::uint64_t>(BytesPerFrame());
    const auto target = static_cast<std::int64_t>(pos / bpf);
    const AVStream* st = format_->streams[stream_];
    const std::int64_t from =
        std::max<std::int64_t>(0, target - av_rescale(seekPreroll_, rate_, 44100));
    std::int64_t ts = av_rescale_q(from, AVRational{1, rate_}, st->time_base);
    if (st->start_time != AV_NOPTS_VALUE)
        ts += st->start_time;
    if (av_seek_frame(format_, stream_, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(format_, stream_, st->start_time != AV_NOPTS_VALUE ? st->start_time : 0,
                      AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
        return false;
    avcodec_flush_buffers(codec_);
    pending_.clear();
    pendingAt_ = 0;
    demuxEnded_ = false;
    ended_ = false;
    skipTo_ = target;
    nextSample_ = from;
    position_ = static_cast<std::uint64_t>(target) * bpf;
    return true;
}

} // namespace bass
