#include "media/video/AviWriter.h"

#include "media/video/WriterFrames.h"

#include "media/audio/SystemError.h"
#include "media/video/AviFile.h"
#include "media/video/VideoCodecs.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace media {

namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

AviWriter::~AviWriter() {
    const bool unwritten = video_ != nullptr;
    Release();
    if (unwritten)
        std::remove(fileName_.c_str()); // started but never written: no empty file stays
}

base::Result<std::unique_ptr<VideoSink>> AviWriter::Create(const VideoSinkSettings& settings) {
    auto writer = std::make_unique<AviWriter>();
    Options o;
    o.FileName = settings.Path;
    o.Width = settings.Width;
    o.Height = settings.Height;
    o.Codec = settings.Codec;
    o.FrameTime = settings.FrameTime;
    o.Quality = 10000;
    o.Stretch = false; // pictures centred on black
    if (auto st = writer->Configure(o); !st)
        return base::Fail(st.error());
    return std::unique_ptr<VideoSink>(std::move(writer));
}

base::Status AviWriter::Configure(const Options& o) {
    SetWidth(o.Width);
    SetHeight(o.Height);
    if (auto st = SetCodec(o.Codec); !st)
        return st;
    SetFrameTime(o.FrameTime);
    SetStretch(o.Stretch);
    SetQuality(o.Quality);
    SetFileName(o.FileName);
    return {};
}

base::Status AviWriter::SetCodec(const std::string& code) {
    compressor_.clear();
    const std::string four = code.substr(0, 4);
    if (four.empty())
        return {};
    if (!FindCodec(four))
        return base::Fail(NoCompressorMessage(four));
    compressor_ = four;
    return {};
}

base::Status AviWriter::SetWavFileName(const std::string& name) {
    if (SameNameIgnoringCase(name, wavFileName_))
        return {};
    if (!name.empty() && !HasWavExtension(name))
        return base::Fail(kWavExtensionMessage);
    wavFileName_ = name;
    return {};
}

void AviWriter::Release() {
    if (video_)
        encoded_ = video_->EncodedCount();
    video_.reset();
    raw_.reset();
    waveFiles_.clear();
}

base::Status AviWriter::InitVideo(const imaging::Bitmap& first) {
    // Pieces queued before the start are the uncompressed video's soundtrack, which it
    // interleaves as the frames come.
    std::vector<SoundPiece> early = std::move(waveFiles_);
    Release();
    initialized_ = finalized_ = aborted_ = false;
    frameCount_ = 0;
    encoded_ = 0;
    ended_ = {};
    if (width_ < 16 || height_ < 16)
        return base::Fail("Failed to create AVI video stream");
    if (compressor_.empty()) {
        if (early.empty() && !wavFileName_.empty())
            early.push_back(WavPiece(QueuedWav{wavFileName_, 0}));
        std::unique_ptr<SoundtrackReader> sound;
        if (!early.empty())
            sound = SoundtrackReader::OpenPieces(std::move(early));
        raw_ = std::make_unique<RawAviWriter>();
        if (auto st = raw_->Open(fileName_, BuildFrame(first), 10000, frameTime_, std::move(sound));
            !st) {
            raw_.reset();
            return st;
        }
        initialized_ = true;
        return {};
    }
    struct stat info {};
    if (::stat(fileName_.c_str(), &info) == 0 && std::remove(fileName_.c_str()) != 0)
        return base::Fail(
            "Could not delete " + fileName_ +
            " file might be in use. Try to close the folder if it's open in Explorer");
    const int fd = ::open(fileName_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return base::Fail(CannotCreate(fileName_, errno));
    ::close(fd);
    VideoEncoderSettings settings;
    settings.Code = compressor_;
    settings.Width = width_;
    settings.Height = height_;
    settings.FrameTime = frameTime_;
    settings.Quality = quality_;
    auto video = CompressedVideo::Create(
        settings, tempFolder_.empty() ? FolderOf(fileName_) : tempFolder_, replay_, workers_);
    if (!video) {
        std::remove(fileName_.c_str());
        return base::Fail(video.error());
    }
    video_ = std::move(*video);
    initialized_ = true;
    return {};
}

base::Status AviWriter::Encode(const imaging::Bgr& frame, std::int64_t count) {
    return raw_ ? raw_->Add(frame, count) : AsFailureOf(video_->Add(frame, count), fileName_);
}

void AviWriter::EndFrames() {
    if (video_)
        ended_ = AsFailureOf(video_->Finish(), fileName_);
}

base::Status AviWriter::WriteAvi() {
    if (raw_) {
        // The uncompressed path completes its file as far as it got.
        base::Status st = raw_->Close();
        Release();
        initialized_ = finalized_ = false;
        return st;
    }
    if (aborted_ || !finalized_ || !video_) {
        const bool finalized = finalized_;
        const bool started = video_ != nullptr;
        Release();
        if (started)
            std::remove(fileName_.c_str());
        initialized_ = finalized_ = false;
        if (!finalized)
            return base::Fail("Video must be finalized");
        return {};
    }
    if (waveFiles_.empty() && !wavFileName_.empty())
        waveFiles_.push_back(WavPiece(QueuedWav{wavFileName_, 0}));
    base::Status st = Mux();
    Release();
    finalized_ = false;
    if (!st)
        std::remove(fileName_.c_str());
    return st;
}

base::Status AviWriter::Mux() {
    if (!ended_)
        return ended_;
    auto soundtrack = SoundtrackReader::OpenPieces(std::move(waveFiles_));
    const PcmFormat audio = soundtrack->Format();
    const bool withAudio = audio.Valid();

    std::vector<AviStreamSpec> streams;
    AviStreamSpec video;
    video.ChunkId = avi::FourCC("00dc");
    video.Header.Type = avi::FourCC("vids");
    video.Header.Handler = avi::FourCC(compressor_);
    video.Header.Scale = static_cast<std::uint32_t>(frameTime_);
    video.Header.Rate = 1000;
    video.Header.Quality = static_cast<std::uint32_t>(std::clamp(quality_, 0, 10000));
    video.Header.FrameRight = static_cast<std::int16_t>(std::min(width_, 32767));
    video.Header.FrameBottom = static_cast<std::int16_t>(std::min(height_, 32767));
    avi::BitmapInfoHeader bih{};
    bih.Size = sizeof bih;
    bih.Width = width_;
    bih.Height = height_;
    bih.Planes = 1;
    bih.BitCount = video_->BitCount();
    bih.Compression = avi::FourCC(Upper(compressor_));
    bih.SizeImage = static_cast<std::uint32_t>(width_) * static_cast<std::uint32_t>(height_) *
                    bih.BitCount.get() / 8u;
    const auto* b = reinterpret_cast<const std::uint8_t*>(&bih);
    video.Format.assign(b, b + sizeof bih);
    streams.push_back(std::move(video));
    if (withAudio)
        streams.push_back(PcmStreamSpec(audio));
    AviMainInfo info;
    info.MicroSecPerFrame = static_cast<std::uint32_t>(frameTime_) * 1000u;
    info.Width = static_cast<std::uint32_t>(width_);
    info.Height = static_cast<std::uint32_t>(height_);
    auto created = AviFile::Create(fileName_, info, std::move(streams));
    if (!created)
        return base::Fail(created.error());
    const std::unique_ptr<AviFile> file = std::move(*created);

    // Audio goes in about once a second of video, just ahead of the frames it plays with.
    std::vector<std::uint8_t> samples;
    std::int64_t audioWritten = 0;
    bool audioDone = !withAudio;
    auto writeAudioUntil = [&](std::int64_t target) -> base::Status {
        while (!audioDone && audioWritten < target) {
            const auto want = static_cast<std::size_t>(
                std::min<std::int64_t>(target - audioWritten, audio.SampleRate));
            samples.resize(want * audio.BlockAlign());
            auto got = soundtrack->Read(samples.data(), want);
            if (!got)
                return base::Fail("Cannot read the soundtrack: " + got.error());
            if (*got == 0) {
                audioDone = true;
                break;
            }
            if (auto st = file->WriteChunk(1, {samples.data(), *got * audio.BlockAlign()}, true);
                !st)
                return st;
            audioWritten += static_cast<std::int64_t>(*got);
        }
        return {};
    };

    const auto& frames = video_->Frames();
    const std::size_t group = static_cast<std::size_t>(video_->GroupLength());
    for (std::size_t i = 0; i < frames.size(); i += group) {
        const std::size_t end = std::min(frames.size(), i + group);
        const std::int64_t until =
            static_cast<std::int64_t>(end) * frameTime_ * audio.SampleRate / 1000;
        if (auto st = writeAudioUntil(until); !st)
            return st;
        for (std::size_t f = i; f < end; ++f) {
            auto bytes = video_->Read(frames[f]);
            if (!bytes)
                return base::Fail(bytes.error());
            if (auto st = file->WriteChunk(0, *bytes, frames[f].Key); !st)
                return st;
        }
    }
    if (auto st = writeAudioUntil(INT64_MAX); !st)
        return st;
    return file->Close();
}

} // namespace media
