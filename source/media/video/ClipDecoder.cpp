#include "media/video/ClipDecoder.h"

#include "media/video/ClipInput.h"

namespace media {

namespace {
// Damaged packets in a row after which the rest of the clip counts as lost.
constexpr int kDamagedRun = 50;
} // namespace

base::Result<std::unique_ptr<ClipDecoder>> ClipDecoder::Open(ClipInput& input, AVStream& stream,
                                                             int threads) {
    std::unique_ptr<ClipDecoder> d(new ClipDecoder(input, stream));
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (codec == nullptr)
        return input.Fail("no decoder for its " +
                          std::string(avcodec_get_name(stream.codecpar->codec_id)));
    d->context_.reset(avcodec_alloc_context3(codec));
    d->packet_.reset(av_packet_alloc());
    if (!d->context_ || !d->packet_)
        return input.Fail("out of memory");
    if (const int rc = avcodec_parameters_to_context(d->context_.get(), stream.codecpar); rc < 0)
        return input.Fail(AvText("its stream cannot be decoded", rc));
    d->context_->pkt_timebase = stream.time_base;
    d->context_->max_pixels = input.Limits().MaxPixels;
    d->context_->thread_count = threads > 0 ? threads : 1;
    if (const int rc = avcodec_open2(d->context_.get(), codec, nullptr); rc < 0)
        return input.Fail(AvText("its stream cannot be decoded", rc));
    return d;
}

// Hands the decoder the stream's next packet, or the end; false once the end was sent.
base::Result<bool> ClipDecoder::Feed() {
    if (flushed_)
        return false;
    AVFormatContext& format = input_.Format();
    for (;;) {
        const int rc = av_read_frame(&format, packet_.get());
        if (rc < 0) {
            // The end, or a file cut short: whatever was read is the stream.
            flushed_ = true;
            avcodec_send_packet(context_.get(), nullptr);
            return true;
        }
        if (packet_->stream_index != stream_.index) {
            av_packet_unref(packet_.get());
            continue;
        }
        ++packets_;
        const int sent = avcodec_send_packet(context_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            if (++damaged_ >= kDamagedRun) {
                flushed_ = true;
                avcodec_send_packet(context_.get(), nullptr);
            }
            continue;
        }
        damaged_ = 0;
        return true;
    }
}

base::Result<bool> ClipDecoder::Next(AVFrame& frame) {
    for (;;) {
        const int rc = avcodec_receive_frame(context_.get(), &frame);
        if (rc >= 0)
            return true;
        if (rc == AVERROR_EOF)
            return false;
        if (rc != AVERROR(EAGAIN)) {
            // A picture that would not decode: passed over like a damaged packet.
            if (++damaged_ >= kDamagedRun)
                return false;
            continue;
        }
        auto fed = Feed();
        if (!fed)
            return base::Fail(fed.error());
        if (!*fed)
            return false;
    }
}

base::Status ClipDecoder::Seek(std::int64_t clipMs) {
    const std::int64_t at = av_rescale_q(clipMs * 1000 + input_.Origin(),
                                         AVRational{1, AV_TIME_BASE}, stream_.time_base);
    const int rc = avformat_seek_file(&input_.Format(), stream_.index, INT64_MIN, at, at, 0);
    if (rc < 0)
        return input_.Fail(AvText("cannot seek in the clip", rc));
    avcodec_flush_buffers(context_.get());
    flushed_ = false;
    damaged_ = 0;
    packets_ = 0;
    return {};
}

} // namespace media
