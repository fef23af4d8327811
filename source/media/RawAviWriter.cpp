#include "media/RawAviWriter.h"

#include "media/VideoCodecs.h"

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
                                int frameTime, std::uint64_t riffLimit) {
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
    int error = 0;
    file_ = AviFile::Create(path, info, std::move(streams), &error, riffLimit);
    if (!file_) {
        std::remove(path.c_str());
        return base::Fail(WithCode("Failed to create AVI video file. Err: $", error));
    }
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
        if (int rc = file_->WriteChunkPieces(0, rows, true); rc != 0)
            return Fail(WithCode("Failed to add frame to AVI. Err=", rc));
        ++frames_;
    }
    return {};
}

base::Status RawAviWriter::Close() {
    if (!file_)
        return base::Fail("Video must be initialized.");
    if (int rc = file_->Close(); rc != 0)
        return Fail(WithCode("Unable to write output file. Error ", rc));
    file_.reset();
    return {};
}

} // namespace media
