#include "media/video/ClipProbe.h"

#include "media/video/ClipDecoder.h"
#include "media/video/ClipInput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

extern "C" {
#include <libavutil/display.h>
}

namespace media {

namespace {

// A header's length is absurd past a day, or when the file's bytes would make the video slower
// than this many bits a second (a few kilobytes claiming hours).
constexpr std::int64_t kLongestMs = 24LL * 3600 * 1000;
constexpr double kLeastBitsPerSecond = 2000;

int RotationOf(const AVStream& stream) {
    std::size_t size = 0;
    const std::uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix == nullptr || size < 9 * sizeof(std::int32_t))
        return 0;
    // The matrix turns counter-clockwise; shown, the picture is turned the other way.
    const double counter = av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
    if (!std::isfinite(counter))
        return 0;
    const long quarter = std::lround(-counter / 90.0);
    return static_cast<int>(((quarter % 4) + 4) % 4) * 90;
}

double RateOf(const AVStream& stream) {
    for (const AVRational r : {stream.avg_frame_rate, stream.r_frame_rate})
        if (r.num > 0 && r.den > 0)
            return av_q2d(r);
    return 0;
}

std::int64_t HeaderMs(ClipInput& input) {
    const AVStream& v = input.Video();
    if (v.duration != AV_NOPTS_VALUE && v.duration > 0)
        return av_rescale_q(v.duration, v.time_base, AVRational{1, 1000});
    if (input.Format().duration != AV_NOPTS_VALUE && input.Format().duration > 0)
        return input.Format().duration / 1000;
    return -1;
}

bool Absurd(std::int64_t ms, std::int64_t fileBytes) {
    if (ms <= 0 || ms > kLongestMs)
        return true;
    return fileBytes > 0 &&
           fileBytes * 8.0 / (static_cast<double>(ms) / 1000) < kLeastBitsPerSecond;
}

struct Scan {
    std::int64_t Ms = 0; // the end of the last video packet read, from the clip's time zero
    bool Whole = false;  // the scan reached the end of the file
};

// Reads the clip's packets, within the scan's bounds, for the end of its video.
Scan ScanPackets(ClipInput& input) {
    AVStream& v = input.Video();
    FfPtr<AVPacket> packet(av_packet_alloc());
    if (!packet)
        return {};
    std::int64_t packets = 0, bytes = 0, end = AV_NOPTS_VALUE;
    const ClipLimits& limits = input.Limits();
    Scan scan;
    while (packets < limits.ScanPackets && bytes < limits.ScanBytes) {
        if (av_read_frame(&input.Format(), packet.get()) < 0) {
            scan.Whole = true;
            break;
        }
        if (packet->stream_index == v.index) {
            ++packets;
            bytes += packet->size;
            const std::int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (at != AV_NOPTS_VALUE && ClipTimeSane(at)) {
                const std::int64_t until =
                    at + std::clamp<std::int64_t>(packet->duration, 0, kClipFarTime);
                end = end == AV_NOPTS_VALUE ? until : std::max(end, until);
            }
        }
        av_packet_unref(packet.get());
    }
    if (end == AV_NOPTS_VALUE)
        return scan;
    const std::int64_t us = av_rescale_q(end, v.time_base, AVRational{1, AV_TIME_BASE});
    if (!ClipTimeSane(us))
        return scan;
    scan.Ms = std::max<std::int64_t>(0, (us - input.Origin()) / 1000);
    return scan;
}

} // namespace

base::Result<ClipInfo> ProbeClip(ClipInput& input) {
    AVStream& v = input.Video();
    const AVCodecParameters& par = *v.codecpar;
    const ClipLimits& limits = input.Limits();
    ClipInfo info;
    info.Codec = avcodec_get_name(par.codec_id);
    info.StoredWidth = par.width;
    info.StoredHeight = par.height;
    if (par.width <= 0 || par.height <= 0)
        return input.Fail("the size of its picture cannot be read (it may be too large)");
    if (std::string why = SizeOverLimits(limits, par.width, par.height); !why.empty())
        return input.Fail(why);
    info.FrameRate = RateOf(v);
    // Only the average rate is held to the bound: the other is a guess from the time base, which
    // a variable-rate clip can make high.
    const bool average = v.avg_frame_rate.num > 0 && v.avg_frame_rate.den > 0;
    if (average && info.FrameRate > limits.MaxFrameRate) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "its rate is %.0f frames a second; clips of up to %.0f are read",
                      info.FrameRate, limits.MaxFrameRate);
        return input.Fail(text);
    }
    info.Rotation = RotationOf(v);
    // Pixels that are not square (a camcorder's anamorphic picture) are shown widened or narrowed.
    int shownWidth = par.width;
    const AVRational pixel = av_guess_sample_aspect_ratio(&input.Format(), &v, nullptr);
    if (pixel.num > 0 && pixel.den > 0 && pixel.num != pixel.den)
        shownWidth = static_cast<int>(
            std::clamp<long>(std::lround(par.width * av_q2d(pixel)), 1, limits.MaxSide));
    const bool turned = info.Rotation == 90 || info.Rotation == 270;
    info.Width = turned ? par.height : shownWidth;
    info.Height = turned ? shownWidth : par.height;
    info.HasSound = input.Sound() != nullptr;
    info.Transfer = par.color_trc;
    info.Primaries = par.color_primaries;
    info.Matrix = par.color_space;
    info.Range = par.color_range;
    info.Interlaced =
        par.field_order != AV_FIELD_PROGRESSIVE && par.field_order != AV_FIELD_UNKNOWN;
    info.TopFieldFirst = par.field_order == AV_FIELD_TT || par.field_order == AV_FIELD_TB;

    // The first picture proves the clip decodes, and says what the header may not.
    {
        input.ReadOnly(v);
        auto decoder = ClipDecoder::Open(input, v);
        if (!decoder)
            return base::Fail(decoder.error());
        FfPtr<AVFrame> frame(av_frame_alloc());
        if (!frame)
            return input.Fail("out of memory");
        bool got = false;
        while (!got && (*decoder)->PacketsRead() <= limits.FirstFramePackets) {
            auto next = (*decoder)->Next(*frame);
            if (!next)
                return base::Fail(next.error());
            if (!*next)
                break;
            got = true;
        }
        if (!got)
            return input.Fail("its pictures cannot be decoded (the file may be cut short)");
        if (std::string why = SizeOverLimits(limits, frame->width, frame->height); !why.empty())
            return input.Fail(why);
        if (frame->interlaced_frame) {
            info.Interlaced = true;
            info.TopFieldFirst = frame->top_field_first != 0;
        }
        if (info.Transfer == AVCOL_TRC_UNSPECIFIED)
            info.Transfer = frame->color_trc;
        if (info.Primaries == AVCOL_PRI_UNSPECIFIED)
            info.Primaries = frame->color_primaries;
        if (info.Matrix == AVCOL_SPC_UNSPECIFIED)
            info.Matrix = frame->colorspace;
        if (info.Range == AVCOL_RANGE_UNSPECIFIED)
            info.Range = frame->color_range;
    }
    info.Hdr = info.Transfer == AVCOL_TRC_SMPTE2084 || info.Transfer == AVCOL_TRC_ARIB_STD_B67;

    const std::int64_t header = HeaderMs(input);
    const std::int64_t fileBytes = input.Format().pb ? avio_size(input.Format().pb) : -1;
    info.DurationMs = header;
    if (Absurd(header, fileBytes)) {
        const Scan scan = ScanPackets(input);
        // A scan cut short by its bounds says only "at least": a header's length within a day
        // is then the better guess.
        if (scan.Whole || header <= 0 || header > kLongestMs || scan.Ms > header) {
            info.DurationFromHeader = false;
            info.DurationMs = scan.Ms;
        }
        if (info.DurationMs <= 0)
            return input.Fail("its length cannot be found");
    }

    const int back =
        avformat_seek_file(&input.Format(), -1, INT64_MIN, input.Origin(), input.Origin(), 0);
    if (back < 0)
        return input.Fail(AvText("cannot go back to its start", back));
    return info;
}

base::Result<ClipInfo> ProbeClipFile(const std::string& path, const ClipLimits& limits) {
    auto input = ClipInput::OpenFile(path, limits);
    if (!input)
        return base::Fail(input.error());
    return ProbeClip(**input);
}

} // namespace media
