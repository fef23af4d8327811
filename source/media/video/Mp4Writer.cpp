#include "media/video/Mp4Writer.h"

#include "media/video/WriterFrames.h"

#include "media/audio/FfPtr.h"
#include "media/audio/SystemError.h"
#include "media/video/CodecChoice.h"
#include "media/video/Mp4Format.h"
#include "media/video/SoundtrackAac.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace media {

namespace {

struct StoredTimes {
    std::int64_t Pts = 0;
    std::int64_t Dts = 0;
    std::int64_t Duration = 0;
    bool Key = false;
};

// A packet kept in a spool, handed to the muxer: its bytes copied into the reused packet, its
// times given in `from` units.
base::Status WriteStored(AVFormatContext& out, AVPacket& packet,
                         std::span<const std::uint8_t> bytes, const StoredTimes& times,
                         const AVStream& stream, AVRational from, const std::string& failed) {
    av_packet_unref(&packet);
    if (int rc = av_new_packet(&packet, static_cast<int>(bytes.size())); rc < 0)
        return base::Fail(AvText("Out of memory for the MP4 muxer", rc));
    std::memcpy(packet.data, bytes.data(), bytes.size());
    packet.pts = times.Pts;
    packet.dts = times.Dts;
    packet.duration = times.Duration;
    packet.flags = times.Key ? AV_PKT_FLAG_KEY : 0;
    packet.stream_index = stream.index;
    av_packet_rescale_ts(&packet, from, stream.time_base);
    if (int rc = av_interleaved_write_frame(&out, &packet); rc < 0)
        return base::Fail(AvText(failed, rc));
    return {};
}

} // namespace

Mp4Writer::~Mp4Writer() {
    const bool unwritten = video_ != nullptr;
    Release();
    if (unwritten)
        std::remove(fileName_.c_str()); // started but never written: no empty file stays
}

void Mp4Writer::Release() {
    soundAhead_.reset(); // stops its encoding
    ahead_.reset();      // before the video it feeds
    if (video_)
        encoded_ = video_->EncodedFrames();
    video_.reset();
}

base::Result<std::unique_ptr<VideoSink>> Mp4Writer::Create(const VideoSinkSettings& settings) {
    auto writer = std::make_unique<Mp4Writer>();
    Options o;
    o.FileName = settings.Path;
    o.Width = settings.Width;
    o.Height = settings.Height;
    o.FrameTime = settings.FrameTime;
    o.Fps = settings.Fps;
    o.Hevc = settings.Hevc;
    o.Crf = settings.Crf > 0 ? settings.Crf : QualityCrf(settings.Quality);
    o.Speed = settings.Speed;
    o.Stretch = false; // pictures centred on black
    if (auto st = writer->Configure(o); !st)
        return base::Fail(st.error());
    return std::unique_ptr<VideoSink>(std::move(writer));
}

base::Status Mp4Writer::Configure(const Options& o) {
    if (o.FileName.empty())
        return base::Fail("No file name for the MP4 video");
    SetWidth(o.Width);
    SetHeight(o.Height);
    SetFrameTime(o.FrameTime);
    SetFrameRate(o.Fps);
    SetHevc(o.Hevc);
    SetCrf(o.Crf);
    SetSpeed(o.Speed);
    SetStretch(o.Stretch);
    SetFileName(o.FileName);
    return {};
}

void Mp4Writer::SetFrameRate(int fps) {
    fps_ = fps < 0 ? 0 : fps;
    if (fps_ > 0)
        SetFrameTime(1000 / fps_); // FrameWriter's AddStill counts in whole milliseconds
}

std::int64_t Mp4Writer::FrameMs(std::int64_t frame) const {
    return fps_ > 0 ? frame * 1000 / fps_ : frame * frameTime_;
}

base::Status Mp4Writer::SetWavFileName(const std::string& name) {
    if (!name.empty() && !HasWavExtension(name))
        return base::Fail(kWavExtensionMessage);
    wavFileName_ = name;
    return {};
}

std::int64_t Mp4Writer::EncodedFrames() const {
    if (!video_)
        return encoded_;
    if (ahead_)
        static_cast<void>(ahead_->Drain()); // a failure is reported by the write
    return video_->EncodedFrames();
}

base::Status Mp4Writer::InitVideo(const imaging::Bitmap&) {
    Release();
    ended_ = {};
    // Pieces queued before the start (the export's) are encoded while the frames come.
    std::vector<SoundPiece> early = std::move(waveFiles_);
    waveFiles_.clear();
    initialized_ = finalized_ = aborted_ = false;
    frameCount_ = 0;
    encoded_ = 0;
    if (width_ < 16 || height_ < 16)
        return base::Fail("Failed to create MP4 video stream");
    // The file is made now, so a folder that cannot take it fails before any frame is encoded.
    const int fd = ::open(fileName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return base::Fail("Failed to create MP4 video file " + fileName_ + ": " +
                          std::strerror(errno));
    ::close(fd);
    H264Settings settings;
    settings.Width = width_;
    settings.Height = height_;
    settings.FrameTime = frameTime_;
    settings.Fps = fps_;
    settings.Crf = crf_;
    if (!speed_.empty())
        settings.Preset = speed_;
    if (hevc_)
        settings.Encoder = "libx265";
    {
        const int rate = fps_ > 0 ? fps_ : (1000 + frameTime_ - 1) / frameTime_;
        settings.Level =
            hevc_ ? H265Level(width_, height_, rate) : H264Level(width_, height_, rate);
    }
    settings.Threads = threads_;
    settings.RepeatStills = replay_;
    settings.RefineStills = refine_;
    auto video = H264Video::Create(settings, SpoolFolder());
    if (!video) {
        std::remove(fileName_.c_str());
        return base::Fail(video.error());
    }
    video_ = std::move(*video);
    if (!early.empty()) {
        auto sound = SoundtrackAac::Start(std::move(early), SpoolFolder());
        if (!sound) {
            Release();
            std::remove(fileName_.c_str());
            return base::Fail(sound.error());
        }
        soundAhead_ = std::move(*sound);
    }
    ahead_ = std::make_unique<FrameQueue>(
        width_, height_, video_->Matrix(), [this](const AVFrame& frame, std::int64_t count) {
            return AsFailureOf(video_->Add(frame, count), fileName_);
        });
    initialized_ = true;
    return {};
}

base::Status Mp4Writer::Encode(const imaging::Bgr& frame, std::int64_t count) {
    return ahead_->Push(frame, count);
}

base::Status Mp4Writer::EncodeComposed(const FrameComposer& compose) {
    return ahead_->PushComposed(compose, 1);
}

std::optional<imaging::YuvMatrix> Mp4Writer::ComposedMatrix() const {
    if (!ahead_ || !initialized_)
        return std::nullopt;
    return ahead_->Matrix();
}

std::string Mp4Writer::SpoolFolder() const {
    return tempFolder_.empty() ? FolderOf(fileName_) : tempFolder_;
}

void Mp4Writer::DropSound() {
    soundAhead_.reset();
    waveFiles_.clear();
}

void Mp4Writer::EndFrames() {
    if (ahead_)
        ended_ = ahead_->Drain();
}

base::Status Mp4Writer::Write() {
    if (aborted_ || !finalized_ || !video_) {
        const bool finalized = finalized_;
        const bool started = video_ != nullptr;
        Release();
        waveFiles_.clear();
        if (started)
            std::remove(fileName_.c_str());
        initialized_ = finalized_ = false;
        if (!finalized)
            return base::Fail("Video must be finalized");
        return {};
    }
    if (waveFiles_.empty() && !wavFileName_.empty())
        waveFiles_.push_back(WavPiece(QueuedWav{wavFileName_, 0}));
    // An MP4 drops a track without samples: a file of no frames would not be a video.
    base::Status st = frameCount_ > 0 ? Mux() : base::Fail("The video has no frames");
    Release();
    waveFiles_.clear();
    finalized_ = false;
    if (!st)
        std::remove(fileName_.c_str());
    return st;
}

base::Status Mp4Writer::Mux() {
    if (!ended_)
        return ended_;
    if (auto st = video_->Finish(); !st)
        return AsFailureOf(std::move(st), fileName_);
    const std::string failed = "Unable to write output file " + fileName_;

    // The muxer and its output file, closed (and the file left as it is) on every path.
    FfPtr<AVFormatContext> out;
    {
        AVFormatContext* made = nullptr;
        const int rc = avformat_alloc_output_context2(&made, nullptr, "mp4", fileName_.c_str());
        out.reset(made);
        if (rc < 0)
            return base::Fail(AvText("Failed to create MP4 video file", rc));
    }
    AVStream* video = avformat_new_stream(out.get(), nullptr);
    if (!video)
        return base::Fail("Failed to create MP4 video stream");
    if (auto st = video_->FillParameters(video->codecpar); !st)
        return st;
    const AVRational frameBase = fps_ > 0 ? AVRational{1, fps_} : AVRational{frameTime_, 1000};
    video->time_base = frameBase;
    video->avg_frame_rate = av_inv_q(frameBase);
    if (hevc_)
        video->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1'); // what Apple's players want

    // The sound: encoded while the frames were when its pieces came first, otherwise now.
    std::unique_ptr<SoundtrackAac> sound = std::move(soundAhead_);
    if (!sound) {
        auto started = SoundtrackAac::Start(std::move(waveFiles_), SpoolFolder());
        if (!started)
            return base::Fail(started.error());
        sound = std::move(*started);
    }
    if (auto st = sound->Wait(); !st)
        return st;
    AVStream* audio = nullptr;
    if (sound->HasSound()) {
        audio = avformat_new_stream(out.get(), nullptr);
        if (!audio)
            return base::Fail("Failed to create MP4 audio stream");
        if (auto st = sound->FillParameters(audio->codecpar); !st)
            return st;
        audio->time_base = AVRational{1, sound->SampleRate()};
    }

    if (int rc = avio_open(&out->pb, fileName_.c_str(), AVIO_FLAG_WRITE); rc < 0)
        return base::Fail(AvText("Failed to create MP4 video file " + fileName_, rc));
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0); // the index before the media data
    const int headerRc = avformat_write_header(out.get(), &options);
    av_dict_free(&options);
    if (headerRc < 0)
        return base::Fail(AvText(failed, headerRc));

    FfPtr<AVPacket> packetHolder(av_packet_alloc());
    AVPacket* packet = packetHolder.get();
    if (!packet)
        return base::Fail("Out of memory for the MP4 muxer");

    // Each tenth of a second of sound goes just ahead of the video it plays with.
    const auto& sounds = sound->Packets();
    std::size_t nextSound = 0;
    auto audioUntil = [&](std::int64_t ms) -> base::Status {
        if (!audio)
            return {};
        const std::int64_t rate = sound->SampleRate();
        const std::int64_t target = ms == INT64_MAX ? INT64_MAX : ms * rate / 1000;
        for (; nextSound < sounds.size() && sounds[nextSound].Pts < target; ++nextSound) {
            const SoundtrackAac::Packet& p = sounds[nextSound];
            auto bytes = sound->Read(p);
            if (!bytes)
                return base::Fail(bytes.error());
            if (auto st = WriteStored(*out, *packet, *bytes, {p.Pts, p.Pts, p.Duration, true},
                                      *audio, AVRational{1, sound->SampleRate()}, failed);
                !st)
                return st;
        }
        return {};
    };

    // Decoding times run one frame after another; the delay keeps each below its showing time.
    const auto& packets = video_->Packets();
    std::int64_t delay = 0;
    for (std::size_t n = 0; n < packets.size(); ++n)
        delay = std::max(delay, static_cast<std::int64_t>(n) - packets[n].Pts);
    for (std::size_t n = 0; n < packets.size(); ++n) {
        const std::int64_t dts = static_cast<std::int64_t>(n) - delay;
        if (auto st = audioUntil(FrameMs(dts + 1)); !st)
            return st;
        auto bytes = video_->Read(packets[n]);
        if (!bytes)
            return base::Fail(bytes.error());
        if (auto st = WriteStored(*out, *packet, *bytes, {packets[n].Pts, dts, 1, packets[n].Key},
                                  *video, frameBase, failed);
            !st)
            return st;
    }
    if (auto st = audioUntil(INT64_MAX); !st)
        return st;
    if (int rc = av_write_trailer(out.get()); rc < 0)
        return base::Fail(AvText(failed, rc));
    if (out->pb->error < 0)
        return base::Fail(AvText(failed, out->pb->error));
    if (int rc = avio_closep(&out->pb); rc < 0)
        return base::Fail(AvText(failed, rc));
    return {};
}

} // namespace media
