// SoundtrackAac: the soundtrack of an MP4 encoded to AAC by a dedicated task of the thread pool,
// its packets kept in a FrameSpool until the file is written. Started as soon as the pieces are
// known (for the export, before the first frame), the sound is encoded while the frames are, on a
// core the video leaves free, instead of after them; the MP4 is then written from both spools.
#pragma once

#include "base/Result.h"
#include "media/audio/SoundtrackReader.h"
#include "media/video/AacEncoder.h"
#include "media/video/FrameSpool.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct AVCodecParameters;

namespace media {

class SoundtrackAac {
public:
    // One AAC packet: where its bytes lie, and its times in 1 / SampleRate() units.
    struct Packet {
        FrameSpool::Place Place;
        std::int64_t Pts = 0;
        std::int64_t Duration = 0;
    };

    // Starts reading and encoding the pieces (in start order, as SoundtrackReader plays them);
    // the spool goes in the folder.
    static base::Result<std::unique_ptr<SoundtrackAac>> Start(std::vector<SoundPiece> pieces,
                                                              const std::string& spoolFolder);
    // Stops the encoding at its next block and waits for it.
    ~SoundtrackAac();
    SoundtrackAac(const SoundtrackAac&) = delete;
    SoundtrackAac& operator=(const SoundtrackAac&) = delete;

    // Waits until the whole soundtrack is encoded; the first failure, if any. The calls below
    // are for after it.
    base::Status Wait();
    // False when no piece could be read: the video then has no sound.
    bool HasSound() const { return encoder_ != nullptr; }
    int SampleRate() const { return encoder_->SampleRate(); }
    base::Status FillParameters(AVCodecParameters* parameters) const {
        return encoder_->FillParameters(parameters);
    }
    const std::vector<Packet>& Packets() const { return packets_; }
    // A packet's bytes; valid until the next call.
    base::Result<std::span<const std::uint8_t>> Read(const Packet& packet) {
        return spool_->Read(packet.Place);
    }

private:
    SoundtrackAac() = default;
    base::Status Encode(std::vector<SoundPiece> pieces);

    std::unique_ptr<FrameSpool> spool_;
    std::unique_ptr<AacEncoder> encoder_;
    std::vector<Packet> packets_;
    std::atomic<bool> stop_{false};
    base::Status result_;
    std::future<void> done_;
};

} // namespace media
