// One file decoded with FFmpeg into interleaved PCM of the file's own rate: signed 16-bit, or
// unsigned 8-bit for 8-bit PCM; more than two channels are mixed down to two. Every FFmpeg
// handle it opens is released by its destructor or on the failing path that made it.
#pragma once

#include "ByteSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct SwrContext;
struct AVFrame;
struct AVPacket;

namespace bass {

class Decoder {
public:
    // Opens the source; nullptr with *error set to a library error code when it cannot.
    static std::unique_ptr<Decoder> Open(std::shared_ptr<ByteSource> source, std::int32_t* error);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    bool EightBit() const { return eightBit_; }
    int BytesPerFrame() const { return channels_ * (eightBit_ ? 1 : 2); }
    // Short name of the container format ("mp3", "ogg", "wav", ...).
    std::string FormatName() const;
    const ByteSource& Source() const { return *source_; }
    std::shared_ptr<ByteSource> SharedSource() const { return source_; }

    // Copies up to n decoded bytes; fewer only at the end of the stream.
    std::size_t Read(std::uint8_t* out, std::size_t n);
    // True once every byte has been delivered (decodes ahead to find out).
    bool AtEnd();
    // Bytes delivered since the start (or since the last seek's target).
    std::uint64_t Position() const { return position_; }
    // Moves to the frame that holds byte position pos; false when the stream cannot seek there.
    bool Seek(std::uint64_t pos);
    // The container's idea of the length in sample frames, or -1 when it has none.
    std::int64_t ContainerFrames() const;
    // Makes the stream exactly `frames` sample frames long, as measured from the file: samples
    // past it are dropped, and a stream that ends early is completed with silence, so the
    // length reported for a track is always what its decoding delivers.
    void SetLength(std::int64_t frames) { lengthFrames_ = frames; }

private:
    Decoder() = default;
    bool FillPending();
    bool ConvertFrame();
    bool ConfigureResampler();
    bool FillSilence();

    std::shared_ptr<ByteSource> source_;
    std::uint64_t ioPos_ = 0;
    AVIOContext* io_ = nullptr;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* swr_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    int stream_ = -1;
    int rate_ = 0;
    int channels_ = 0;
    bool eightBit_ = false;
    // The input layout the resampler was set up for.
    int swrFormat_ = -1;
    int swrRate_ = 0;
    int swrChannels_ = 0;

    std::vector<std::uint8_t> pending_;
    std::size_t pendingAt_ = 0;
    bool demuxEnded_ = false;
    bool ended_ = false;
    std::uint64_t position_ = 0;
    std::int64_t skipTo_ = -1;       // after a seek: first sample frame to deliver
    std::int64_t nextSample_ = 0;    // sample frame at which the next decoded frame starts
    std::int64_t lengthFrames_ = -1; // the stream's measured length; -1 = as decoded
    int seekPreroll_ = 0;            // frames decoded before a seek target and dropped

    friend int ReadPacketCallback(void*, std::uint8_t*, int);
    friend std::int64_t SeekCallback(void*, std::int64_t, int);
};

} // namespace bass
