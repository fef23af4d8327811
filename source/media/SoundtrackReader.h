// SoundtrackReader: the soundtrack of a video as one PCM stream, made from queued WAV pieces each
// with its start in milliseconds. Pieces follow each other in start order (stable for equal
// starts); a gap before a piece is silence; a piece is cut at the sample where the next one
// starts. The format is the first readable piece's; pieces of another rate, channel count or
// sample size are converted to it; a piece that cannot be read is left out (silence instead).
// The pieces are streamed block by block, never read whole.
#pragma once

#include "base/Result.h"
#include "media/WavFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace media {

struct QueuedWav {
    std::string Path;
    std::int32_t StartMs = 0;
};

class SoundtrackReader {
public:
    ~SoundtrackReader();
    SoundtrackReader(const SoundtrackReader&) = delete;
    SoundtrackReader& operator=(const SoundtrackReader&) = delete;

    static std::unique_ptr<SoundtrackReader> Open(std::vector<QueuedWav> queue);

    // Valid() is false when no piece could be read: the video then has no sound.
    const PcmFormat& Format() const { return format_; }
    // Up to `frames` sample frames into out (frames × block align bytes); 0 at the end.
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t frames);
    // Paths of the pieces left out so far.
    const std::vector<std::string>& Skipped() const { return skipped_; }

private:
    class Converter;
    SoundtrackReader() = default;
    bool OpenPiece(std::size_t index);
    base::Result<std::size_t> ReadPiece(std::uint8_t* out, std::size_t frames);

    std::vector<QueuedWav> queue_;
    std::vector<std::int64_t> starts_; // first sample of each piece, in the soundtrack's rate
    PcmFormat format_;
    std::size_t current_ = 0;
    std::int64_t written_ = 0;
    std::unique_ptr<WavReader> reader_;
    std::unique_ptr<Converter> converter_;
    bool pieceOpen_ = false;
    bool inputEnded_ = false;
    std::vector<std::uint8_t> input_;
    std::vector<std::string> skipped_;
};

} // namespace media
