// WAV files of plain PCM: the 44-byte header the soundtrack's pieces are written with, a reader
// that finds the format and the samples of any PCM WAV (checking every length before it reads),
// and a streaming writer that patches the two size fields when it closes.
#pragma once

#include "base/Result.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace media {

struct PcmFormat {
    std::uint32_t SampleRate = 0;
    std::uint16_t Channels = 0;
    std::uint16_t Bits = 0; // 8 (unsigned) or 16 (signed)

    std::uint32_t BlockAlign() const { return Channels * (Bits / 8u); }
    std::uint32_t BytesPerSecond() const { return BlockAlign() * SampleRate; }
    bool Valid() const {
        return SampleRate >= 1000 && SampleRate <= 384000 && Channels >= 1 && Channels <= 8 &&
               (Bits == 8 || Bits == 16);
    }
    bool operator==(const PcmFormat&) const = default;
};

inline constexpr std::size_t kWavHeaderSize = 44;

struct WavInfo {
    PcmFormat Format;
    std::uint64_t DataOffset = 0;
    std::uint64_t DataSize = 0; // whole sample frames only
};

// Reads the RIFF/WAVE header at the start of a file of fileSize bytes, of which `head` holds the
// first bytes. A data size of 0 or one past the end of the file (a header never patched) means
// "up to the end of the file". Refuses anything but 8- or 16-bit PCM with a clear message.
base::Result<WavInfo> ParseWavHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize);

// The 44-byte header for the given format and data size.
void BuildWavHeader(std::uint8_t* out, const PcmFormat& format, std::uint64_t dataSize);

// Streams the samples of a WAV file in blocks.
class WavReader {
public:
    static base::Result<std::unique_ptr<WavReader>> Open(const std::string& path);
    ~WavReader();
    const WavInfo& Info() const { return info_; }
    // Up to `size` bytes (whole sample frames); 0 at the end. A read failure is an error.
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size);

private:
    WavReader() = default;
    std::FILE* file_ = nullptr;
    WavInfo info_;
    std::uint64_t left_ = 0;
};

// Writes a WAV file: the header with both sizes 0, the samples, then the sizes at Close.
class WavWriter {
public:
    static base::Result<std::unique_ptr<WavWriter>> Create(const std::string& path,
                                                           const PcmFormat& format);
    ~WavWriter();
    base::Status Append(std::span<const std::uint8_t> samples);
    base::Status Close();
    std::uint64_t DataSize() const { return dataSize_; }

private:
    WavWriter() = default;
    std::FILE* file_ = nullptr;
    PcmFormat format_;
    std::uint64_t dataSize_ = 0;
    std::string path_;
};

} // namespace media
