#include "media/video/FrameSpool.h"

#include "media/audio/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace media {

namespace {
constexpr std::size_t kSpoolBuffer = 4 << 20;
} // namespace

FrameSpool::~FrameSpool() {
    if (fd_ >= 0)
        ::close(fd_);
}

base::Result<std::unique_ptr<FrameSpool>> FrameSpool::Create(const std::string& folder) {
    std::unique_ptr<FrameSpool> s(new FrameSpool);
    std::string name = folder;
    if (!name.empty() && name.back() != '/')
        name += '/';
    name += ".reelpane-video-XXXXXX";
    s->fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (s->fd_ < 0)
        return base::Fail("Cannot create a temporary video file in " + folder + ": " +
                          SystemReason(errno));
    ::unlink(name.c_str());
    s->pending_.reserve(kSpoolBuffer);
    return s;
}

base::Result<FrameSpool::Place> FrameSpool::Append(std::span<const std::uint8_t> bytes) {
    const Place place{size_, static_cast<std::uint32_t>(bytes.size())};
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    size_ += bytes.size();
    if (pending_.size() >= kSpoolBuffer)
        if (auto st = Flush(); !st)
            return base::Fail(st.error());
    return place;
}

base::Status FrameSpool::Flush() {
    if (pending_.empty())
        return {};
    const std::uint64_t at = size_ - pending_.size();
    if (int rc = WriteAllAt(fd_, pending_.data(), pending_.size(), at); rc != 0)
        return base::Fail("Cannot write the temporary video file: " + SystemReason(rc));
    pending_.clear();
    return {};
}

base::Result<std::span<const std::uint8_t>> FrameSpool::Read(const Place& place) {
    if (place.Offset == readOffset_ && readBuffer_.size() == place.Size)
        return std::span<const std::uint8_t>(readBuffer_);
    if (place.Offset + place.Size > size_)
        return base::Fail("Cannot read the temporary video file: a frame lies past its end");
    readBuffer_.resize(place.Size);
    const std::uint64_t onDisk = size_ - pending_.size();
    std::uint64_t at = place.Offset;
    std::size_t done = 0;
    if (at < onDisk) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(place.Size, onDisk - at));
        if (::pread(fd_, readBuffer_.data(), n, static_cast<off_t>(at)) != static_cast<ssize_t>(n))
            return base::Fail("Cannot read the temporary video file: " +
                              SystemReason(errno ? errno : EIO));
        done = n;
        at += n;
    }
    if (done < place.Size)
        std::memcpy(readBuffer_.data() + done, pending_.data() + (at - onDisk), place.Size - done);
    readOffset_ = place.Offset;
    return std::span<const std::uint8_t>(readBuffer_);
}

} // namespace media
