#include "media/video/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace media {

namespace {

std::uint32_t Tag(const std::string& code) {
    std::uint32_t tag = 0;
    for (int i = 3; i >= 0; --i) {
        const char c = i < static_cast<int>(code.size()) ? code[static_cast<std::size_t>(i)] : ' ';
        tag = (tag << 8) | static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return tag;
}

// The value after "key:" in the encoder's statistics line, or -1.
int StatsField(const char* stats, const char* key) {
    if (!stats)
        return -1;
    const char* at = std::strstr(stats, key);
    if (!at)
        return -1;
    return std::atoi(at + std::strlen(key));
}

// The top five bits of each channel (readers widen them back as v << 3 | v >> 2), in the host's
// (little-endian) 16-bit words.
void ToRgb555(const imaging::Bgr& picture, std::uint8_t* out, int stride) {
    for (int y = 0; y < picture.Height; ++y) {
        const std::uint8_t* s = picture.Row(y);
        auto* d = reinterpret_cast<std::uint16_t*>(out + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < picture.Width; ++x, s += 3) {
            const unsigned b = s[0] >> 3u, g = s[1] >> 3u, r = s[2] >> 3u;
            d[x] = static_cast<std::uint16_t>((r << 10) | (g << 5) | b);
        }
    }
}

} // namespace

VideoEncoder::VideoEncoder(const VideoEncoderSettings& settings, const VideoCodec* codec)
    : settings_(settings), codec_(codec) {}

int VideoEncoder::QuantiserFor(int quality) {
    quality = std::clamp(quality, 0, 10000);
    return 31 - static_cast<int>(std::nearbyint(quality * 29.0 / 10000.0));
}

std::uint16_t VideoEncoder::BitCount() const {
    return codec_->Family == CodecFamily::Video1 ? 16 : 24;
}

base::Result<std::unique_ptr<VideoEncoder>>
VideoEncoder::Create(const VideoEncoderSettings& settings) {
    const VideoCodec* codec = FindCodec(settings.Code);
    if (!codec)
        return base::Fail(NoCompressorMessage(settings.Code));
    if (settings.Width < 16 || settings.Height < 16 || settings.Width % 4 || settings.Height % 4 ||
        settings.FrameTime < 1)
        return base::Fail("Failed to create compressed stream");
    std::unique_ptr<VideoEncoder> e(new VideoEncoder(settings, codec));
    e->quantiser_ = QuantiserFor(settings.Quality);
    e->pixelFormat_ = codec->Family == CodecFamily::Video1 ? AV_PIX_FMT_RGB555 : AV_PIX_FMT_YUV420P;
    e->frame_.reset(av_frame_alloc());
    e->packet_.reset(av_packet_alloc());
    if (!e->frame_ || !e->packet_)
        return base::Fail("Failed to create compressed stream");
    e->frame_->format = e->pixelFormat_;
    e->frame_->width = settings.Width;
    e->frame_->height = settings.Height;
    if (int rc = av_frame_get_buffer(e->frame_.get(), 0); rc < 0)
        return base::Fail(WithCode("Failed to create compressed stream. Err: $", rc));
    // The one conversion left: the encoders take only YUV 4:2:0 (MPEG-4) or RGB555 (Video-1),
    // so each picture is converted once, straight from the bitmap's rows into the encoder's frame.
    if (codec->Family == CodecFamily::Mpeg4) {
        e->convert_.reset(sws_getContext(settings.Width, settings.Height, AV_PIX_FMT_BGR24,
                                         settings.Width, settings.Height, AV_PIX_FMT_YUV420P,
                                         SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!e->convert_)
            return base::Fail("Failed to create compressed stream");
    }
    return e;
}

base::Status VideoEncoder::StartGroup() {
    context_.reset();
    groupStarted_ = false;
    const AVCodec* encoder = avcodec_find_encoder(
        codec_->Family == CodecFamily::Video1 ? AV_CODEC_ID_MSVIDEO1 : AV_CODEC_ID_MPEG4);
    if (!encoder)
        return base::Fail(NoCompressorMessage(settings_.Code));
    context_.reset(avcodec_alloc_context3(encoder));
    if (!context_)
        return base::Fail("Failed to create compressed stream");
    AVCodecContext& c = *context_;
    c.width = settings_.Width;
    c.height = settings_.Height;
    c.pix_fmt = static_cast<AVPixelFormat>(pixelFormat_);
    int num = 0, den = 0;
    av_reduce(&num, &den, settings_.FrameTime, 1000, 1 << 30);
    c.time_base = AVRational{num, den};
    c.framerate = AVRational{den, num};
    c.codec_tag = Tag(settings_.Code);
    c.max_b_frames = 0;
    if (codec_->Family == CodecFamily::Mpeg4) {
        // Fixed quantiser; the group is one key frame and predicted frames only (no scene-cut
        // key frames): the group's length is set by the caller. The first-pass statistics tell
        // how many blocks each frame skipped.
        c.flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_PASS1;
        c.global_quality = quantiser_ * FF_QP2LAMBDA;
        c.qmin = c.qmax = quantiser_;
        c.gop_size = 600; // never reached: a group is shorter
        c.thread_count = settings_.Threads;
        c.thread_type = FF_THREAD_SLICE;
        av_opt_set_int(&c, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
    } else {
        // Video-1 makes a key frame when its count of frames since the last one reaches
        // keyint_min: only the first frame of the group.
        c.keyint_min = INT_MAX;
        c.gop_size = 1 << 20;
    }
    if (int rc = avcodec_open2(context_.get(), encoder, nullptr); rc < 0)
        return base::Fail(WithCode("Failed to create compressed stream. Err: $", rc));
    return {};
}

bool VideoEncoder::NoChangeFrame(const AVPacket& packet) const {
    if (packet.flags & AV_PKT_FLAG_KEY)
        return false;
    if (codec_->Family == CodecFamily::Mpeg4) {
        const int blocks = ((settings_.Width + 15) / 16) * ((settings_.Height + 15) / 16);
        return StatsField(context_->stats_out, "type:") == AV_PICTURE_TYPE_P &&
               StatsField(context_->stats_out, "skipcount:") == blocks;
    }
    // Video-1: a frame of skip codes only (0x84xx words counting blocks), then the end code.
    const std::int64_t blocks =
        (settings_.Width / 4) * static_cast<std::int64_t>(settings_.Height / 4);
    std::int64_t skipped = 0;
    for (int i = 0; i + 1 < packet.size; i += 2) {
        const unsigned word = packet.data[i] | (packet.data[i + 1] << 8);
        if (word == 0)
            return skipped == blocks && i + 2 == packet.size;
        if ((word & 0xFC00u) != 0x8400u)
            return false;
        skipped += word & 0x3FFu;
    }
    return false;
}

base::Result<EncodedFrame> VideoEncoder::Encode(const imaging::Bgr& picture, std::int64_t index) {
    if (!context_)
        return base::Fail("Failed to add Frame. Err: 800440C7");
    if (picture.Width != settings_.Width || picture.Height != settings_.Height)
        return base::Fail("Failed to add Frame. Err: 80044065");
    if (int rc = av_frame_make_writable(frame_.get()); rc < 0)
        return base::Fail(WithCode("Failed to add Frame. Err: ", rc));
    if (convert_) {
        const std::uint8_t* src[4] = {picture.Bits, nullptr, nullptr, nullptr};
        const int srcStride[4] = {picture.RowStride, 0, 0, 0};
        sws_scale(convert_.get(), src, srcStride, 0, picture.Height, frame_->data,
                  frame_->linesize);
    } else {
        ToRgb555(picture, frame_->data[0], frame_->linesize[0]);
    }
    frame_->pts = index;
    frame_->quality = quantiser_ * FF_QP2LAMBDA; // the codec-level setting alone is not used
    frame_->pict_type = groupStarted_ ? AV_PICTURE_TYPE_P : AV_PICTURE_TYPE_I;
    groupStarted_ = true;
    if (int rc = avcodec_send_frame(context_.get(), frame_.get()); rc < 0)
        return base::Fail(WithCode("Failed to add Frame. Err: ", rc));
    if (int rc = avcodec_receive_packet(context_.get(), packet_.get()); rc < 0)
        return base::Fail(WithCode("Failed to add Frame. Err: ", rc));
    EncodedFrame out;
    out.Data.assign(packet_->data, packet_->data + packet_->size);
    out.Key = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
    out.NoChange = NoChangeFrame(*packet_);
    av_packet_unref(packet_.get());
    return out;
}

} // namespace media
