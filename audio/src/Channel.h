// A stream handle's state: its source of PCM (a file's decoder, or the program's stream
// procedure) and what the library has read about the file (length, tag blocks), plus the
// playback state the output device uses. Channels live in a handle table;
// callers hold a shared reference while they work, so freeing a handle never pulls a channel out
// from under another thread.
#pragma once

#include "ByteSource.h"
#include "Decoder.h"
#include "bass.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct _SDL_AudioStream;

namespace bass {

struct SyncEntry {
    HSYNC id = 0;
    SYNCPROC proc = nullptr;
    void* user = nullptr;
};

// The program's procedure that supplies a stream's PCM.
struct StreamProc {
    STREAMPROC* proc = nullptr;
    void* user = nullptr;
};

class Channel {
public:
    Channel(std::uint32_t handle, bool decodeOnly, std::unique_ptr<Decoder> decoder);
    Channel(std::uint32_t handle, bool decodeOnly, int rate, int channels, bool eightBit,
            StreamProc proc);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    const std::uint32_t handle;
    const bool decodeOnly;
    const int rate;
    const int channels;
    const bool eightBit;
    int BytesPerFrame() const { return channels * (eightBit ? 1 : 2); }

    // Guards the decoder, the measured length and the tag blocks. Taken before the output's
    // mixing lock whenever both are held.
    std::mutex decodeMutex;
    std::unique_ptr<Decoder> decoder; // null for a stream the program supplies
    // The source, whichever kind (decodeMutex held). Read gives up to n bytes of whole frames and
    // sets *ended when the source has no more; a procedure may give fewer without ending.
    std::size_t Read(std::uint8_t* out, std::size_t n, bool* ended);
    // Bytes delivered since the start or the last seek.
    std::uint64_t SourcePosition() const;
    // Moves the source; a procedure's stream can only be counted from 0 again.
    bool SourceSeek(std::uint64_t pos);
    // True once the source has given its last byte.
    bool SourceAtEnd();
    // Set by the handle's release, under decodeMutex: the source is never read again, so the
    // program may free what its procedure uses once BASS_StreamFree has returned.
    bool released = false;
    // Length in bytes of the decoded stream; measured once, on first use (decodeMutex held).
    std::optional<std::uint64_t> Length();
    // Tag block of the given kind, read once (decodeMutex held); nullptr when the file has none.
    const char* Tags(std::uint32_t kind);

    // Stream format -> device format, guarded by decodeMutex: resampling can be slow, so it is
    // done outside the mixing lock, and only finished device-format audio goes to `converter`.
    _SDL_AudioStream* resampler = nullptr;

    // Playback state, guarded by the output's mixing lock.
    _SDL_AudioStream* converter = nullptr; // device-format audio queued for the mixer
    bool playing = false;
    bool decoderDone = false; // every decoded byte has been handed to the converter
    bool finished = false;    // played to the end; the end notice is due
    int volume = 100;
    std::uint64_t fedFrom = 0; // stream byte position the converter's data starts at
    std::uint64_t fed = 0;     // stream bytes handed to the converter since fedFrom
    std::vector<SyncEntry> syncs;

private:
    static constexpr std::uint64_t kUnknown = ~std::uint64_t{0};
    // Sample frames of an MP3 (frame walk checked against its VBR header) or an Ogg Vorbis file
    // (granule positions of intact pages, every link of a chained file); kUnknown otherwise.
    std::uint64_t MeasureFromFile() const;
    std::uint64_t MeasureLength();
    std::optional<std::uint64_t> length_;
    bool lengthTried_ = false;
    std::optional<std::string> tags_[3];
    StreamProc proc_;
    std::uint64_t procPosition_ = 0;
    bool procEnded_ = false;
};

// The handle table.
std::uint32_t RegisterChannel(bool decodeOnly, std::unique_ptr<Decoder> decoder);
std::uint32_t RegisterProcChannel(bool decodeOnly, int rate, int channels, bool eightBit,
                                  StreamProc proc);
std::shared_ptr<Channel> FindChannel(std::uint32_t handle);
std::shared_ptr<Channel> RemoveChannel(std::uint32_t handle);
std::vector<std::shared_ptr<Channel>> AllChannels();

} // namespace bass
