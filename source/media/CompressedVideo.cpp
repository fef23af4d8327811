#include "media/CompressedVideo.h"

#include "media/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace media {

namespace {
constexpr std::size_t kSpoolBuffer = 4 << 20;

imaging::Bitmap CopyOf(const imaging::Bgr& picture) {
    imaging::Bitmap copy = imaging::Bitmap::CreateUninitialised(picture.Width, picture.Height);
    std::memcpy(copy.Bits, picture.Bits, static_cast<std::size_t>(picture.ByteSize));
    return copy;
}

// The spool is unlinked at once: the user knows it as the temporary video beside the output.
std::string SpoolError(int err) {
    return "Cannot write the temporary video file: " + SystemReason(err);
}
} // namespace

CompressedVideo::~CompressedVideo() {
    if (fd_ >= 0)
        ::close(fd_);
}

base::Result<std::unique_ptr<CompressedVideo>>
CompressedVideo::Create(const VideoEncoderSettings& settings, const std::string& spoolFolder,
                        bool replay) {
    std::unique_ptr<CompressedVideo> v(new CompressedVideo);
    auto encoder = VideoEncoder::Create(settings);
    if (!encoder)
        return base::Fail(encoder.error());
    v->encoder_ = std::move(*encoder);
    v->replay_ = replay;
    v->group_ = std::max(1, static_cast<int>(std::nearbyint(1000.0 / settings.FrameTime)));
    std::string name = spoolFolder;
    if (!name.empty() && name.back() != '/')
        name += '/';
    name += ".reelpane-video-XXXXXX";
    v->fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (v->fd_ < 0)
        return base::Fail("Cannot create a temporary video file in " + spoolFolder + ": " +
                          SystemReason(errno));
    ::unlink(name.c_str());
    v->pending_.reserve(kSpoolBuffer);
    return v;
}

base::Result<CompressedVideo::Frame> CompressedVideo::Store(const EncodedFrame& encoded) {
    ++encoded_;
    if (encoded.Data.empty())
        return base::Fail("Failed to add Frame. Err: 800440C7");
    Frame f{spoolSize_, static_cast<std::uint32_t>(encoded.Data.size()), encoded.Key};
    pending_.insert(pending_.end(), encoded.Data.begin(), encoded.Data.end());
    spoolSize_ += encoded.Data.size();
    if (pending_.size() >= kSpoolBuffer) {
        const std::uint64_t at = spoolSize_ - pending_.size();
        if (int rc = WriteAllAt(fd_, pending_.data(), pending_.size(), at); rc != 0)
            return base::Fail(SpoolError(rc));
        pending_.clear();
    }
    return f;
}

base::Result<EncodedFrame> CompressedVideo::EncodeNext(const imaging::Bgr& picture) {
    const auto index = static_cast<std::int64_t>(frames_.size());
    if (replayedSinceEncode_ % 2 == 1) {
        auto again = encoder_->Encode(replayedPicture_, index - 1);
        if (!again)
            return again;
        if (!again->NoChange) {
            // It did change the picture after all: it takes the last replayed frame's place.
            auto stored = Store(*again);
            if (!stored)
                return base::Fail(stored.error());
            frames_.back() = *stored;
        }
    }
    replayedSinceEncode_ = 0;
    return encoder_->Encode(picture, index);
}

base::Status CompressedVideo::Add(const imaging::Bgr& picture, std::int64_t count) {
    template_.clear(); // a new picture
    while (count > 0) {
        const auto position = static_cast<int>(static_cast<std::int64_t>(frames_.size()) % group_);
        const std::int64_t segment = std::min<std::int64_t>(count, group_ - position);
        if (replay_ && position == 0 && segment == group_ &&
            template_.size() == static_cast<std::size_t>(group_)) {
            frames_.insert(frames_.end(), template_.begin(), template_.end());
            count -= segment;
            continue;
        }
        if (position == 0) {
            if (auto started = encoder_->StartGroup(); !started)
                return started;
            replayedSinceEncode_ = 0;
        }
        std::vector<Frame> made;
        const Frame* unchanged = nullptr;
        Frame unchangedFrame;
        for (std::int64_t i = 0; i < segment; ++i) {
            if (unchanged) {
                frames_.push_back(*unchanged);
                ++replayedSinceEncode_;
            } else {
                auto encoded = EncodeNext(picture);
                if (!encoded)
                    return base::Fail(encoded.error());
                auto stored = Store(*encoded);
                if (!stored)
                    return base::Fail(stored.error());
                frames_.push_back(*stored);
                if (replay_ && encoded->NoChange) {
                    unchangedFrame = *stored;
                    unchanged = &unchangedFrame;
                }
            }
            made.push_back(frames_.back());
        }
        if (position == 0 && segment == group_)
            template_ = std::move(made);
        else if (replayedSinceEncode_ > 0 && position + segment < group_)
            replayedPicture_ = CopyOf(picture); // the group goes on with this encoder
        count -= segment;
    }
    return {};
}

base::Result<std::span<const std::uint8_t>> CompressedVideo::Read(const Frame& frame) {
    if (frame.Offset == readOffset_ && readBuffer_.size() == frame.Size)
        return std::span<const std::uint8_t>(readBuffer_);
    readBuffer_.resize(frame.Size);
    const std::uint64_t onDisk = spoolSize_ - pending_.size();
    std::uint64_t at = frame.Offset;
    std::size_t done = 0;
    if (at < onDisk) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(frame.Size, onDisk - at));
        if (::pread(fd_, readBuffer_.data(), n, static_cast<off_t>(at)) != static_cast<ssize_t>(n))
            return base::Fail("Cannot read the temporary video file: " +
                              SystemReason(errno ? errno : EIO));
        done = n;
        at += n;
    }
    if (done < frame.Size)
        std::memcpy(readBuffer_.data() + done, pending_.data() + (at - onDisk), frame.Size - done);
    readOffset_ = frame.Offset;
    return std::span<const std::uint8_t>(readBuffer_);
}

} // namespace media
