#include "media/video/H264Video.h"

#include "media/audio/FfPtr.h"

#include "media/video/WriterFrames.h"

#include <algorithm>
#include <climits>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace media {

namespace {

// 720p and above are HD video: BT.709; smaller frames use the BT.601 matrix players assume.
bool IsHd(const H264Settings& s) {
    return s.Height >= 720 || s.Width >= 1280;
}

// True when two pictures of the same size have the same samples (row padding aside).
bool SamePlanes(const AVFrame& a, const AVFrame& b) {
    if (a.width != b.width || a.height != b.height)
        return false;
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? a.height : (a.height + 1) / 2;
        const auto bytes = static_cast<std::size_t>(plane == 0 ? a.width : (a.width + 1) / 2);
        for (int y = 0; y < rows; ++y)
            if (std::memcmp(a.data[plane] + static_cast<std::ptrdiff_t>(y) * a.linesize[plane],
                            b.data[plane] + static_cast<std::ptrdiff_t>(y) * b.linesize[plane],
                            bytes) != 0)
                return false;
    }
    return true;
}

} // namespace

imaging::YuvMatrix H264Video::Matrix() const {
    return IsHd(settings_) ? imaging::YuvMatrix::Bt709 : imaging::YuvMatrix::Bt601;
}

base::Result<std::unique_ptr<H264Video>> H264Video::Create(const H264Settings& settings,
                                                           const std::string& spoolFolder) {
    if (settings.Width < 16 || settings.Height < 16 || settings.Width % 2 != 0 ||
        settings.Height % 2 != 0)
        return base::Fail("Failed to create MP4 video stream: the frame size must be even and "
                          "at least 16 x 16");
    std::unique_ptr<H264Video> v(new H264Video);
    v->settings_ = settings;
    v->settings_.FrameTime = std::max(1, settings.FrameTime);
    if (auto st = v->Open(); !st)
        return base::Fail(st.error());
    auto spool = FrameSpool::Create(spoolFolder);
    if (!spool)
        return base::Fail(spool.error());
    v->spool_ = std::move(*spool);
    return v;
}

base::Status H264Video::Open() {
    // x264 and the MP4 muxer report their statistics at the library's default level (info); the
    // program's error output is for problems only.
    if (av_log_get_level() > AV_LOG_WARNING)
        av_log_set_level(AV_LOG_WARNING);
    const bool hevc = settings_.Encoder == "libx265";
    const AVCodec* codec = avcodec_find_encoder_by_name(settings_.Encoder.c_str());
    if (!codec)
        return base::Fail("No " + std::string(hevc ? "H.265" : "H.264") + " encoder (" +
                          settings_.Encoder + ") in this FFmpeg");
    context_.reset(avcodec_alloc_context3(codec));
    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!context_ || !frame_ || !packet_)
        return base::Fail("Out of memory for the H.264 encoder");
    const H264Settings& s = settings_;
    context_->width = s.Width;
    context_->height = s.Height;
    context_->pix_fmt = AV_PIX_FMT_YUV420P;
    if (s.Fps > 0) {
        context_->time_base = AVRational{1, s.Fps};
        context_->framerate = AVRational{s.Fps, 1};
        context_->gop_size = 10 * s.Fps; // a key frame at least every 10 s
    } else {
        context_->time_base = AVRational{s.FrameTime, 1000};
        context_->framerate = AVRational{1000, s.FrameTime};
        context_->gop_size = std::max(1, 10000 / s.FrameTime);
    }
    context_->sample_aspect_ratio = AVRational{1, 1};
    context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    context_->thread_count = s.Threads;
    context_->color_range = AVCOL_RANGE_MPEG;
    if (IsHd(s)) {
        context_->colorspace = AVCOL_SPC_BT709;
        context_->color_primaries = AVCOL_PRI_BT709;
        context_->color_trc = AVCOL_TRC_BT709;
    } else {
        context_->colorspace = AVCOL_SPC_SMPTE170M;
    }
    av_opt_set(context_->priv_data, "preset", s.Preset.c_str(), 0);
    av_opt_set_double(context_->priv_data, "crf", s.Crf, 0);
    if (hevc) {
        // x265 prints its own banner and statistics unless told not to; the level is its option.
        std::string params = "log-level=error";
        if (s.Level > 0)
            params += ":level-idc=" + std::to_string(s.Level / 30) + "." +
                      std::to_string(s.Level % 30 / 3);
        av_opt_set(context_->priv_data, "x265-params", params.c_str(), 0);
    } else if (s.Level > 0) {
        context_->level = s.Level;
    }
    // A new picture after repeats is forced to be a key frame: it must be an IDR frame, which
    // resets the picture numbering the repeats advanced. B-frames are never references, so the
    // last reference before such a frame is the picture shown last.
    av_opt_set_int(context_->priv_data, "forced-idr", 1, 0);
    av_opt_set(context_->priv_data, "b-pyramid", "none", 0);
    if (int rc = avcodec_open2(context_.get(), codec, nullptr); rc < 0)
        return base::Fail(AvText("Failed to open the H.264 encoder", rc));

    if (s.RepeatStills && !hevc) {
        auto skip = H264SkipFrames::Create(
            {context_->extradata, static_cast<std::size_t>(context_->extradata_size)});
        if (skip)
            skip_ = std::move(*skip); // otherwise every frame is encoded
    }
    return {};
}

base::Status H264Video::Add(const AVFrame& picture, std::int64_t count) {
    if (finished_)
        return base::Fail("Failed to add Frame: the video is finished");
    if (count <= 0)
        return {};
    if (picture.width != settings_.Width || picture.height != settings_.Height ||
        picture.format != AV_PIX_FMT_YUV420P)
        return base::Fail("Failed to add Frame: the picture is not of the video's size");
    const bool fresh = fed_ == 0 || !skip_ || !SamePlanes(*frame_, picture);
    if (fresh) {
        av_frame_unref(frame_.get());
        if (int rc = av_frame_ref(frame_.get(), &picture); rc < 0)
            return base::Fail(AvText("Failed to add Frame", rc));
    }
    if (!skip_) {
        for (std::int64_t i = 0; i < count; ++i)
            if (auto st = Feed(); !st)
                return st;
        return {};
    }
    if (fresh) {
        if (!runs_.empty() && runs_.back().Repeats > 0)
            forceKey_ = true;
        if (auto st = Feed(); !st)
            return st;
        runs_.push_back(Run{fed_ - 1, 0});
        copies_ = 1;
        --count;
    }
    // The encoder refines a still over its first few frames; the repeats copy the refined one.
    // (runs_ may lose its finished front while the encoder runs: no reference is kept.)
    for (; count > 0 && runs_.back().Repeats == 0 && copies_ < 1 + settings_.RefineStills;
         --count) {
        runs_.back().Fed = fed_; // the copy about to be fed
        if (auto st = Feed(); !st)
            return st;
        ++copies_;
    }
    runs_.back().Repeats += count;
    frames_ += count;
    return {};
}

base::Status H264Video::Feed() {
    frame_->pts = fed_;
    frame_->pict_type = forceKey_ ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    forceKey_ = false;
    shownAt_.push_back(frames_);
    ++fed_;
    ++frames_;
    if (int rc = avcodec_send_frame(context_.get(), frame_.get()); rc < 0)
        return base::Fail(AvText("Failed to add Frame", rc));
    return Receive(false);
}

base::Status H264Video::Receive(bool draining) {
    for (;;) {
        const int rc = avcodec_receive_packet(context_.get(), packet_.get());
        if (rc == AVERROR(EAGAIN) && !draining)
            return {};
        if (rc == AVERROR_EOF)
            return {};
        if (rc < 0)
            return base::Fail(AvText("Failed to encode Frame", rc));
        base::Status st = Take(*packet_);
        av_packet_unref(packet_.get());
        if (!st)
            return st;
    }
}

base::Status H264Video::Take(const AVPacket& packet) {
    const std::int64_t fed = packet.pts;
    if (fed < 0 || fed >= fed_)
        return base::Fail("Failed to encode Frame: the encoder returned an unknown frame");
    if (auto st = WriteRuns(fed); !st)
        return st;
    const std::span<const std::uint8_t> bytes{packet.data, static_cast<std::size_t>(packet.size)};
    if (skip_) {
        auto info = skip_->ReadSlice(bytes);
        if (!info)
            return base::Fail(info.error());
        if (info->Reference) {
            lastReference_ = *info;
            lastReferenceFed_ = fed;
        }
    }
    ++takenFed_;
    return Store(bytes, shownAt_[static_cast<std::size_t>(fed)],
                 (packet.flags & AV_PKT_FLAG_KEY) != 0);
}

base::Status H264Video::WriteRuns(std::int64_t beforeFed) {
    std::size_t done = 0;
    for (; done < runs_.size() && runs_[done].Fed < beforeFed; ++done) {
        const Run& run = runs_[done];
        if (run.Repeats == 0)
            continue;
        // The repeats copy the last reference picture: it must be this run's picture, with every
        // picture before it already out and none after it.
        if (lastReferenceFed_ != run.Fed || takenFed_ != run.Fed + 1)
            return base::Fail("Failed to encode Frame: the encoder reordered a still picture");
        const std::int64_t shown = shownAt_[static_cast<std::size_t>(run.Fed)];
        for (std::int64_t j = 1; j <= run.Repeats; ++j)
            if (auto st = Store(skip_->Repeat(lastReference_), shown + j, false); !st)
                return st;
    }
    runs_.erase(runs_.begin(), runs_.begin() + static_cast<std::ptrdiff_t>(done));
    return {};
}

base::Status H264Video::Finish() {
    if (finished_)
        return {};
    finished_ = true;
    if (int rc = avcodec_send_frame(context_.get(), nullptr); rc < 0)
        return base::Fail(AvText("Failed to encode Frame", rc));
    if (auto st = Receive(true); !st)
        return st;
    if (auto st = WriteRuns(INT64_MAX); !st)
        return st;
    return spool_->Flush();
}

base::Status H264Video::Store(std::span<const std::uint8_t> bytes, std::int64_t pts, bool key) {
    if (bytes.empty())
        return base::Fail("Failed to encode Frame: the encoder returned an empty frame");
    auto place = spool_->Append(bytes);
    if (!place)
        return base::Fail(place.error());
    packets_.push_back(Packet{place->Offset, place->Size, pts, key});
    return {};
}

base::Result<std::span<const std::uint8_t>> H264Video::Read(const Packet& packet) {
    if (!finished_)
        return base::Fail("The video is not finished");
    return spool_->Read(FrameSpool::Place{packet.Offset, packet.Size});
}

base::Status H264Video::FillParameters(AVCodecParameters* parameters) const {
    if (int rc = avcodec_parameters_from_context(parameters, context_.get()); rc < 0)
        return base::Fail(AvText("Failed to create MP4 video stream", rc));
    if (!skip_)
        return {};
    const auto& pps = skip_->ParameterSet();
    const auto size = static_cast<std::size_t>(context_->extradata_size) + pps.size();
    auto* extra = static_cast<std::uint8_t*>(av_mallocz(size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!extra)
        return base::Fail("Out of memory for the video stream's header");
    std::memcpy(extra, context_->extradata, static_cast<std::size_t>(context_->extradata_size));
    std::memcpy(extra + context_->extradata_size, pps.data(), pps.size());
    av_freep(&parameters->extradata);
    parameters->extradata = extra;
    parameters->extradata_size = static_cast<int>(size);
    return {};
}

} // namespace media
