// The records of an AVI file (RIFF 'AVI ' with the OpenDML extension) as they lie on disk: every
// field little-endian, every record's size fixed by static_assert, so the layout never depends on
// the compiler or the host.
#pragma once

#include "base/Endian.h"

#include <cstdint>
#include <string_view>

namespace media::avi {

using base::le_i16;
using base::le_i32;
using base::le_u16;
using base::le_u32;
using base::le_u64;

// A four-character code as it lies in the file (first character first).
struct FourCC {
    std::uint8_t c[4]{' ', ' ', ' ', ' '};
    constexpr FourCC() = default;
    constexpr explicit FourCC(std::string_view s) {
        for (std::size_t i = 0; i < 4; ++i)
            c[i] = i < s.size() ? static_cast<std::uint8_t>(s[i]) : ' ';
    }
    static constexpr FourCC Zero() {
        FourCC f;
        f.c[0] = f.c[1] = f.c[2] = f.c[3] = 0;
        return f;
    }
    constexpr bool operator==(const FourCC&) const = default;
};
static_assert(sizeof(FourCC) == 4);

struct ChunkHeader {
    FourCC Id;
    le_u32 Size;
};
static_assert(sizeof(ChunkHeader) == 8);

struct ListHeader {
    FourCC Id; // "RIFF" or "LIST"
    le_u32 Size;
    FourCC Type;
};
static_assert(sizeof(ListHeader) == 12);

// avih.
struct MainHeader {
    le_u32 MicroSecPerFrame;
    le_u32 MaxBytesPerSec;
    le_u32 PaddingGranularity;
    le_u32 Flags;
    le_u32 TotalFrames; // frames of the first RIFF only
    le_u32 InitialFrames;
    le_u32 Streams;
    le_u32 SuggestedBufferSize;
    le_u32 Width;
    le_u32 Height;
    le_u32 Reserved[4];
};
static_assert(sizeof(MainHeader) == 56);

inline constexpr std::uint32_t kAvifHasIndex = 0x10;
inline constexpr std::uint32_t kAvifIsInterleaved = 0x100;
inline constexpr std::uint32_t kAvifWasCaptureFile = 0x10000;

// strh.
struct StreamHeader {
    FourCC Type;    // "vids" or "auds"
    FourCC Handler; // the compressor's code; zeros for none
    le_u32 Flags;
    le_u16 Priority;
    le_u16 Language;
    le_u32 InitialFrames;
    le_u32 Scale;
    le_u32 Rate; // rate / scale = units per second
    le_u32 Start;
    le_u32 Length; // in units, all RIFFs
    le_u32 SuggestedBufferSize;
    le_u32 Quality; // 0..10000, or 0xFFFFFFFF for the default
    le_u32 SampleSize;
    le_i16 FrameLeft;
    le_i16 FrameTop;
    le_i16 FrameRight;
    le_i16 FrameBottom;
};
static_assert(sizeof(StreamHeader) == 56);

// strf of a video stream.
struct BitmapInfoHeader {
    le_u32 Size; // 40
    le_i32 Width;
    le_i32 Height; // positive: rows bottom-up for uncompressed frames
    le_u16 Planes;
    le_u16 BitCount;
    FourCC Compression; // zeros for uncompressed RGB
    le_u32 SizeImage;
    le_i32 XPelsPerMeter;
    le_i32 YPelsPerMeter;
    le_u32 ClrUsed;
    le_u32 ClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// strf of a PCM audio stream (and the "fmt " chunk of a WAV file).
struct PcmWaveFormat {
    le_u16 FormatTag; // 1 = PCM
    le_u16 Channels;
    le_u32 SamplesPerSec;
    le_u32 AvgBytesPerSec;
    le_u16 BlockAlign;
    le_u16 BitsPerSample;
};
static_assert(sizeof(PcmWaveFormat) == 16);

// The super index of a stream ('indx' in its strl), pointing at its standard indexes.
struct SuperIndexHeader {
    le_u16 LongsPerEntry; // 4
    std::uint8_t IndexSubType;
    std::uint8_t IndexType; // 0 = index of indexes
    le_u32 EntriesInUse;
    FourCC ChunkId;
    le_u32 Reserved[3];
};
static_assert(sizeof(SuperIndexHeader) == 24);

struct SuperIndexEntry {
    le_u64 Offset;   // of the 'ix##' chunk header, from the start of the file
    le_u32 Size;     // of that chunk, header included
    le_u32 Duration; // stream units it covers
};
static_assert(sizeof(SuperIndexEntry) == 16);

// A standard index ('ix##' at the end of each movi list), pointing at chunk data.
struct StdIndexHeader {
    le_u16 LongsPerEntry; // 2
    std::uint8_t IndexSubType;
    std::uint8_t IndexType; // 1 = index of chunks
    le_u32 EntriesInUse;
    FourCC ChunkId;
    le_u64 BaseOffset;
    le_u32 Reserved;
};
static_assert(sizeof(StdIndexHeader) == 24);

struct StdIndexEntry {
    le_u32 Offset; // of the chunk's data (header + 8), from BaseOffset
    le_u32 Size;   // bit 31 set: not a key frame
};
static_assert(sizeof(StdIndexEntry) == 8);
inline constexpr std::uint32_t kDeltaFrameBit = 0x80000000u;

// The old index ('idx1' after the first movi list).
struct OldIndexEntry {
    FourCC ChunkId;
    le_u32 Flags;  // 0x10 = key frame
    le_u32 Offset; // of the chunk header, from the 'movi' type field
    le_u32 Size;
};
static_assert(sizeof(OldIndexEntry) == 16);
inline constexpr std::uint32_t kIndexKeyFrame = 0x10;

// dmlh in LIST 'odml'.
struct ExtendedHeader {
    le_u32 TotalFrames; // every RIFF
    le_u32 Reserved[61];
};
static_assert(sizeof(ExtendedHeader) == 248);

} // namespace media::avi
