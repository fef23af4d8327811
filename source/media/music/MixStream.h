// The mix of a plan played as it is made: a reader thread runs the SoundtrackMixer ahead of the
// listener into a bounded buffer, and the audio thread takes the mixed PCM from there with Read,
// which never waits for decoding. What the reader has not made yet when it is asked for is
// silence (counted), and the stream still moves on, so the music keeps to the clock. The samples
// are exactly those RenderMixToWav writes for the same plan, from any frame it is moved to.
// The reader is a dedicated task of the program's thread pool, waited for when the stream stops.
#pragma once

#include "media/audio/PcmSource.h"
#include "media/music/MixPlan.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

namespace media {

class SoundtrackMixer;

class MixStream {
public:
    // Plans the mix (each track is opened once to learn the mix's rate, nothing is decoded) and
    // starts reading ahead from startFrame, at most aheadFrames ahead of the listener (0: two
    // seconds).
    MixStream(const MixPlan& plan, const PcmSourceOpener& open, std::int64_t startFrame = 0,
              std::int64_t aheadFrames = 0);
    ~MixStream();
    MixStream(const MixStream&) = delete;
    MixStream& operator=(const MixStream&) = delete;

    // 16-bit stereo at the mix's rate.
    PcmFormat Format() const { return {rate_, 2, 16}; }
    // The length of the mix in frames.
    std::int64_t Frames() const { return total_; }

    // The audio thread's call: up to `size` bytes (whole frames) of the mix from Position() on.
    // Frames not read ahead yet are silence. Fewer bytes only at the end of the mix (or after
    // Stop), where *ended is set.
    std::size_t Read(std::uint8_t* out, std::size_t size, bool* ended);
    // Moves the stream to a frame (clamped to the mix): what was read ahead is dropped and the
    // reader starts again from there.
    void Seek(std::int64_t frame);
    // Ends the reading ahead and waits for the reader; Read gives the end from then on.
    void Stop();

    // The next frame Read gives.
    std::int64_t Position() const;
    // Frames given as silence because the reader was behind.
    std::int64_t UnderrunFrames() const { return underrun_.load(); }
    // Waits until `frames` frames from Position() on are read ahead (or all up to the end), at
    // most `timeout`; true when they are.
    bool WaitAhead(std::int64_t frames, std::chrono::milliseconds timeout) const;

private:
    void ReaderLoop();
    // Frames of the buffer at or after Position() (mutex_ held).
    std::int64_t AheadLocked() const;
    // Drops the buffer's frames before Position() (mutex_ held).
    void DropStaleLocked();
    // Appends frames of the mix that start at writeFrame_ (mutex_ held).
    void PushLocked(const std::uint8_t* frames, std::size_t count);

    std::unique_ptr<SoundtrackMixer> mixer_; // the reader's alone once it runs
    std::uint32_t rate_ = 44100;
    std::int64_t total_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable wakeReader_;     // room, a seek or the stop
    mutable std::condition_variable filled_; // a block was read ahead
    std::vector<std::uint8_t> ring_;         // capacity_ frames of 4 bytes
    std::size_t capacity_ = 0;
    std::size_t head_ = 0;        // ring frame of the oldest frame held
    std::size_t count_ = 0;       // frames held: the mix's [writeFrame_ − count_, writeFrame_)
    std::int64_t writeFrame_ = 0; // the mix frame the reader adds next
    std::int64_t readFrame_ = 0;  // the mix frame Read gives next
    std::int64_t seekTo_ = -1;    // a move the reader has still to make
    bool stop_ = false;
    std::atomic<std::int64_t> underrun_{0};
    // Counts the moves and the stop (changed under mutex_): a block read across one is dropped,
    // and a move under way gives up.
    std::atomic<std::uint64_t> generation_{0};
    std::future<void> reader_;
};

} // namespace media
