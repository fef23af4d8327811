#include "media/video/RawAviWriter.h"

#include "media/audio/SystemError.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace media {

RawAviWriter::~RawAviWriter() {
    if (file_) {
        file_.reset();
        std::remove(path_.c_str()); // never completed: no half-written file stays behind
    }
}

base::Status RawAviWriter::Fail(const std::string& message) {
    file_.reset();
    std::remove(path_.c_str());
    return base::Fail(message);
}

base::Status RawAviWriter::Open(const std::string& path, const imaging::Bgr& first, int quality,
                                int frameTime, std::unique_ptr<SoundtrackReader> sound,
                                std::uint64_t riffLimit) {
    if (file_)
        return base::Fail("the uncompressed video is already open");
    if (first.Width < 1 || first.Height < 1 || first.Width % 2 || first.Height % 2)
        return base::Fail("Failed to create AVI video file: frames need an even width and height");
    if (frameTime < 1)
        return base::Fail("Failed to create AVI video stream");
    path_ = path;
    width_ = first.Width;
    height_ = first.Height;
    frames_ = 0;
    frameTime_ = frameTime;
    soundWritten_ = 0;
    sound_.reset();
    soundDone_ = true;
    if (sound && sound->Format().Valid()) {
        sound_ = std::move(sound);
        soundDone_ = false;
    }

    avi::BitmapInfoHeader bih{};
    bih.Size = sizeof(avi::BitmapInfoHeader);
    bih.Width = width_;
    bih.Height = height_; // positive: bottom-up rows
    bih.Planes = 1;
    bih.BitCount = 24;
    bih.Compression = avi::FourCC::Zero();
    bih.SizeImage =
        static_cast<std::uint32_t>(first.RowStride) * static_cast<std::uint32_t>(height_);

    AviStreamSpec video;
    video.ChunkId = avi::FourCC("00db");
    video.Header.Type = avi::FourCC("vids");
    video.Header.Handler = avi::FourCC::Zero();
    video.Header.Scale = static_cast<std::uint32_t>(frameTime);
    video.Header.Rate = 1000;
    video.Header.Quality = static_cast<std::uint32_t>(std::clamp(quality, 0, 10000));
    const auto* b = reinterpret_cast<const std::uint8_t*>(&bih);
    video.Format.assign(b, b + sizeof bih);

    AviMainInfo info;
    info.MicroSecPerFrame = static_cast<std::uint32_t>(frameTime) * 1000u;
    info.Flags = avi::kAvifHasIndex | avi::kAvifWasCaptureFile;
    info.Width = static_cast<std::uint32_t>(width_);
    info.Height = static_cast<std::uint32_t>(height_);

    std::vector<AviStreamSpec> streams;
    streams.push_back(std::move(video));
    if (sound_) {
        streams.push_back(PcmStreamSpec(sound_->Format()));
        info.Flags = info.Flags | avi::kAvifIsInterleaved;
    }
    auto created = AviFile::Create(path, info, std::move(streams), riffLimit);
    if (!created) {
        std::remove(path.c_str());
        return base::Fail(created.error());
    }
    file_ = std::move(*created);
    return {};
}

base::Status RawAviWriter::Add(const imaging::Bgr& picture, std::int64_t count) {
    if (!file_)
        return base::Fail("Video must be initialized.");
    if (picture.Width != width_ || picture.Height != height_)
        return base::Fail("Failed to add frame to AVI: the picture is not of the video's size");
    // The rows straight from the picture, last row first: no copy of the pixels.
    std::vector<std::span<const std::uint8_t>> rows;
    rows.reserve(static_cast<std::size_t>(height_));
    for (int y = height_ - 1; y >= 0; --y)
        rows.emplace_back(picture.Row(y), static_cast<std::size_t>(picture.RowStride));
    for (std::int64_t i = 0; i < count; ++i) {
        if (auto st = file_->WriteChunkPieces(0, rows, true); !st)
            return Fail(st.error());
        ++frames_;
        // The sound follows a second behind at most.
        if (sound_ &&
            frames_ * frameTime_ >=
                soundWritten_ * 1000 / static_cast<std::int64_t>(sound_->Format().SampleRate) +
                    1000)
            if (auto st = WriteSoundUntil(frames_); !st)
                return st;
    }
    return {};
}

base::Status RawAviWriter::WriteSoundUntil(std::int64_t frames) {
    if (!sound_)
        return {};
    const PcmFormat format = sound_->Format();
    const std::int64_t target = frames * frameTime_ * format.SampleRate / 1000;
    while (!soundDone_ && soundWritten_ < target) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(target - soundWritten_, format.SampleRate));
        samples_.resize(want * format.BlockAlign());
        auto got = sound_->Read(samples_.data(), want);
        if (!got)
            return Fail("Cannot read the soundtrack: " + got.error());
        if (*got == 0) {
            soundDone_ = true;
            break;
        }
        if (auto st = file_->WriteChunk(1, {samples_.data(), *got * format.BlockAlign()}, true);
            !st)
            return Fail(st.error());
        soundWritten_ += static_cast<std::int64_t>(*got);
    }
    return {};
}

base::Status RawAviWriter::Close() {
    if (!file_)
        return base::Fail("Video must be initialized.");
    if (auto st = WriteSoundUntil(frames_); !st)
        return st;
    sound_.reset();
    if (auto st = file_->Close(); !st)
        return Fail(st.error());
    file_.reset();
    return {};
}

} // namespace media
