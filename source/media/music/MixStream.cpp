#include "media/music/MixStream.h"

#include "base/ThreadPool.h"
#include "media/music/SoundtrackMixer.h"

#include <algorithm>
#include <cstring>

namespace media {

namespace {
constexpr std::size_t kReadBlockFrames = 4096; // what the reader mixes at a time
}

MixStream::MixStream(const MixPlan& plan, const PcmSourceOpener& open, std::int64_t startFrame,
                     std::int64_t aheadFrames)
    : mixer_(std::make_unique<SoundtrackMixer>(plan, open)) {
    rate_ = mixer_->Format().SampleRate;
    total_ = mixer_->Frames();
    const std::int64_t ahead = aheadFrames > 0 ? aheadFrames : 2 * std::int64_t{rate_};
    capacity_ = std::max<std::size_t>(static_cast<std::size_t>(ahead), kReadBlockFrames);
    ring_.resize(4 * capacity_);
    readFrame_ = writeFrame_ = std::clamp<std::int64_t>(startFrame, 0, total_);
    if (readFrame_ > 0)
        seekTo_ = readFrame_;
    reader_ = base::ThreadPool::Shared().Spawn([this] { ReaderLoop(); });
}

MixStream::~MixStream() {
    Stop();
}

void MixStream::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        ++generation_;
    }
    wakeReader_.notify_all();
    filled_.notify_all();
    if (reader_.valid())
        reader_.wait();
}

std::int64_t MixStream::Position() const {
    std::lock_guard lock(mutex_);
    return readFrame_;
}

std::int64_t MixStream::AheadLocked() const {
    return std::max<std::int64_t>(
        0, writeFrame_ - std::max(readFrame_, writeFrame_ - static_cast<std::int64_t>(count_)));
}

void MixStream::DropStaleLocked() {
    const std::int64_t first = writeFrame_ - static_cast<std::int64_t>(count_);
    if (first >= readFrame_)
        return;
    const auto drop = static_cast<std::size_t>(
        std::min<std::int64_t>(readFrame_ - first, static_cast<std::int64_t>(count_)));
    head_ = (head_ + drop) % capacity_;
    count_ -= drop;
}

void MixStream::PushLocked(const std::uint8_t* frames, std::size_t count) {
    // Frames the listener has already passed (the reader was behind) are not kept.
    std::size_t skip = 0;
    if (writeFrame_ < readFrame_)
        skip = static_cast<std::size_t>(
            std::min<std::int64_t>(readFrame_ - writeFrame_, static_cast<std::int64_t>(count)));
    writeFrame_ += static_cast<std::int64_t>(count);
    if (skip > 0) { // everything held is older still
        head_ = 0;
        count_ = 0;
    }
    const std::size_t n = count - skip;
    const std::size_t tail = (head_ + count_) % capacity_;
    const std::size_t first = std::min(n, capacity_ - tail);
    std::memcpy(ring_.data() + 4 * tail, frames + 4 * skip, 4 * first);
    std::memcpy(ring_.data(), frames + 4 * (skip + first), 4 * (n - first));
    count_ += n;
}

std::size_t MixStream::Read(std::uint8_t* out, std::size_t size, bool* ended) {
    const std::size_t frames = size / 4;
    std::lock_guard lock(mutex_);
    if (stop_) {
        *ended = true;
        return 0;
    }
    DropStaleLocked();
    const auto wanted = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(frames), total_ - readFrame_));
    // Held frames start at readFrame_ once the stale ones are gone (or none is held).
    const std::size_t have = std::min(wanted, static_cast<std::size_t>(AheadLocked()));
    const std::size_t first = std::min(have, capacity_ - head_);
    std::memcpy(out, ring_.data() + 4 * head_, 4 * first);
    std::memcpy(out + 4 * first, ring_.data(), 4 * (have - first));
    head_ = (head_ + have) % capacity_;
    count_ -= have;
    if (have < wanted) {
        std::memset(out + 4 * have, 0, 4 * (wanted - have));
        underrun_ += static_cast<std::int64_t>(wanted - have);
    }
    readFrame_ += static_cast<std::int64_t>(wanted);
    *ended = readFrame_ >= total_;
    wakeReader_.notify_one();
    return 4 * wanted;
}

void MixStream::Seek(std::int64_t frame) {
    {
        std::lock_guard lock(mutex_);
        readFrame_ = writeFrame_ = seekTo_ = std::clamp<std::int64_t>(frame, 0, total_);
        head_ = count_ = 0;
        ++generation_;
    }
    wakeReader_.notify_all();
}

bool MixStream::WaitAhead(std::int64_t frames, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return filled_.wait_for(lock, timeout, [&] {
        return stop_ || AheadLocked() >= std::min(frames, total_ - readFrame_);
    });
}

void MixStream::ReaderLoop() {
    std::vector<std::uint8_t> block(4 * kReadBlockFrames);
    std::unique_lock lock(mutex_);
    for (;;) {
        wakeReader_.wait(lock, [&] {
            return stop_ || seekTo_ >= 0 ||
                   (writeFrame_ < total_ && (count_ < capacity_ || writeFrame_ < readFrame_));
        });
        if (stop_)
            return;
        const std::uint64_t generation = generation_;
        if (seekTo_ >= 0) {
            const std::int64_t to = seekTo_;
            seekTo_ = -1;
            lock.unlock();
            // Decodes the sounding tracks up to there: never under the lock, and given up for
            // a later move or the stop.
            mixer_->Seek(to, [&] { return generation_ != generation; });
            lock.lock();
            continue;
        }
        const std::size_t room = writeFrame_ < readFrame_ ? capacity_ : capacity_ - count_;
        const std::size_t want =
            std::min({room, kReadBlockFrames, static_cast<std::size_t>(total_ - writeFrame_)});
        lock.unlock();
        const auto got = mixer_->Read(block.data(), 4 * want);
        lock.lock();
        if (generation != generation_)
            continue; // moved meanwhile: this block belongs to the old place
        const std::size_t frames = got ? *got / 4 : 0;
        if (frames == 0) {
            writeFrame_ = total_; // the mixer has nothing more (never before its end)
        } else {
            PushLocked(block.data(), frames);
        }
        filled_.notify_all();
    }
}

} // namespace media
