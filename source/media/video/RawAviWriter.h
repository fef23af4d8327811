// RawAviWriter: writes uncompressed 24-bit frames into an AVI file as they come ('00db' chunks,
// rows bottom-up with a positive height, the old index relative to 'movi'), going on as OpenDML
// past the first gigabyte, with the PCM soundtrack ('01wb') interleaved behind the frames about
// once a second. Used when no compressor is chosen.
#pragma once

#include "base/Result.h"
#include "imaging/Bgr.h"
#include "media/audio/SoundtrackReader.h"
#include "media/video/AviFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace media {

class RawAviWriter {
public:
    RawAviWriter() = default;
    ~RawAviWriter();
    RawAviWriter(const RawAviWriter&) = delete;
    RawAviWriter& operator=(const RawAviWriter&) = delete;

    // Starts the file for frames of the first picture's size (even width and height), with the
    // stream quality 0..10000 and the frame time in milliseconds. With a soundtrack that has a
    // format, the file gets its audio stream, cut where the frames end. riffLimit is for tests.
    base::Status Open(const std::string& path, const imaging::Bgr& first, int quality,
                      int frameTime, std::unique_ptr<SoundtrackReader> sound = nullptr,
                      std::uint64_t riffLimit = AviFile::kRiffLimit);
    // Writes the picture `count` times (each a full frame).
    base::Status Add(const imaging::Bgr& picture, std::int64_t count = 1);
    // Completes the file. A writer that failed has already removed its file.
    base::Status Close();
    bool IsOpen() const { return file_ != nullptr; }
    std::int64_t FrameCount() const { return frames_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    base::Status Fail(const std::string& message);
    // Writes the soundtrack up to the sample frame that plays with the end of frame `frames`.
    base::Status WriteSoundUntil(std::int64_t frames);

    std::unique_ptr<AviFile> file_;
    std::string path_;
    int width_ = 0;
    int height_ = 0;
    std::int64_t frames_ = 0;
    int frameTime_ = 40;
    std::unique_ptr<SoundtrackReader> sound_;
    std::int64_t soundWritten_ = 0; // sample frames
    bool soundDone_ = true;
    std::vector<std::uint8_t> samples_;
};

} // namespace media
