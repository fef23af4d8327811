// SoundtrackReader: the soundtrack of a video as one PCM stream, made from pieces of PCM (decoded
// tracks, a mix, or WAV files) each with its start in milliseconds. Pieces follow each other in
// start order (stable for equal starts); a gap before a piece is silence; a piece is cut at the
// sample where the next one starts. The format is the first readable piece's; pieces of another
// rate, channel count or sample size are converted to it; a piece that cannot be opened is left
// out (silence instead). Each piece is opened when the soundtrack reaches it and streamed block by
// block, never held whole.
#pragma once

#include "base/Result.h"
#include "media/audio/PcmSource.h"
#include "media/audio/WavFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace media {

// A WAV file of the soundtrack and its start.
struct QueuedWav {
    std::string Path;
    std::int32_t StartMs = 0;
};

// A piece of the soundtrack: PCM opened when the soundtrack reaches it, and its start.
struct SoundPiece {
    std::string Name; // the file it comes from, for Skipped()
    std::int32_t StartMs = 0;
    // Opens the piece's PCM. Giving no source (null) ends the soundtrack before this piece: the
    // export was cancelled.
    std::function<base::Result<std::unique_ptr<PcmSource>>()> Open;
};

// The piece of a PCM WAV file.
SoundPiece WavPiece(const QueuedWav& wav);

class SoundtrackReader {
public:
    ~SoundtrackReader();
    SoundtrackReader(const SoundtrackReader&) = delete;
    SoundtrackReader& operator=(const SoundtrackReader&) = delete;

    static std::unique_ptr<SoundtrackReader> OpenPieces(std::vector<SoundPiece> pieces);
    // The soundtrack of WAV files.
    static std::unique_ptr<SoundtrackReader> Open(const std::vector<QueuedWav>& queue);

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

    std::vector<SoundPiece> queue_;
    std::vector<std::int64_t> starts_; // first sample of each piece, in the soundtrack's rate
    PcmFormat format_;
    std::size_t current_ = 0;
    std::int64_t written_ = 0;
    std::unique_ptr<PcmSource> reader_;
    std::unique_ptr<PcmSource> first_; // the first piece, opened to learn the format
    std::unique_ptr<Converter> converter_;
    bool pieceOpen_ = false;
    bool inputEnded_ = false;
    std::vector<std::uint8_t> input_;
    std::vector<std::string> skipped_;
};

} // namespace media
