// The show file's extension block: the data of later features (exact durations, new transition
// kinds, motion, fades, loudness, show-wide music options), written after the last track's bytes
// where a reader that follows the records' positional rule never looks.
//
// Layout (little-endian): a 12-byte header (magic "RPXB", version, flags, length of the chunks),
// length-prefixed chunks (4-byte type tag, 4-byte payload length, payload), then a CRC-32 of
// everything before it. Readers skip chunk types they do not know and read the known prefix of a
// payload that grew in a later version.
#pragma once

#include "base/Endian.h"
#include "base/Result.h"
#include "project/Slide.h"
#include "project/Track.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace project {

struct ExtensionHeader {
    std::array<char, 4> Magic; // "RPXB"
    base::le_u16 Version;      // 1
    base::le_u16 Flags;        // 0
    base::le_u32 ChunkBytes;   // bytes of all chunks that follow
};
static_assert(sizeof(ExtensionHeader) == 12);

struct ExtensionChunkHeader {
    std::array<char, 4> Type;
    base::le_u32 Length; // payload bytes
};
static_assert(sizeof(ExtensionChunkHeader) == 8);

// "SHOW": the show-wide options.
struct ShowOptionsChunk {
    base::LEDouble TrackCrossfadeSeconds;
    base::LEDouble EndFadeSeconds;
    std::uint8_t EvenLoudness;
};
static_assert(sizeof(ShowOptionsChunk) == 17);

// Follows the options in a "SHOW" payload of 21 bytes or more: the size the show's photos were
// fitted to, when it is not the default 1280 x 1024 (zero otherwise).
struct ShowPhotoSizeChunk {
    base::le_u16 Width;
    base::le_u16 Height;
};
static_assert(sizeof(ShowPhotoSizeChunk) == 4);

// "SLID": one slide's extension, by its place in the records.
struct SlideChunk {
    base::le_u32 Index;
    base::le_i32 ShowMs;
    base::le_i32 TransitionMs;
    base::le_i32 TransitionKind;
    std::uint8_t MotionMode;
    std::uint8_t MotionEasing;
    std::array<base::LEDouble, 6> Motion; // start cx, cy, zoom, end cx, cy, zoom
};
static_assert(sizeof(SlideChunk) == 66);

// Follows a "SLID" payload (67 bytes) whose motion counts a zoom in the cover's terms: bit 0 the
// start state's, bit 1 the end state's. Written only then, so other payloads stay 66 bytes.
struct SlideMotionCoverChunk {
    SlideChunk Slide;
    std::uint8_t Cover;
};
static_assert(sizeof(SlideMotionCoverChunk) == 67);

// "TRAK": one track's extension, by its place in the records.
struct TrackChunk {
    base::le_u32 Index;
    base::LEDouble FadeInSeconds;
    base::LEDouble FadeOutSeconds;
    std::uint8_t HasLoudness;
    base::LEDouble LoudnessLufs;
    base::LEDouble TruePeakDb;
};
static_assert(sizeof(TrackChunk) == 37);

// "OUTP": the video the show was last saved as (OutputSettings), when not the defaults. Codes and
// names are ASCII, zero-padded; speed is 1 + its place among the encoder speeds, 0 for none.
struct OutputChunk {
    std::uint8_t Container;
    std::array<char, 4> AviCodec;
    std::uint8_t AviResolution;
    std::uint8_t Mp4Resolution;
    std::uint8_t Shape;
    std::uint8_t Fps;
    std::uint8_t Codec;
    std::uint8_t Quality;
    std::uint8_t Speed;
    std::uint8_t Crf;
    std::array<char, 8> Preset;
};
static_assert(sizeof(OutputChunk) == 21);

// "UTXT": one slide's exact caption text and font name, by its place in the records, where the
// record's code-page text does not say them: this header, then the text's and the font's UTF-8
// bytes. "UTRK": one track's exact title: its place (le_u32), then the title's UTF-8 bytes.
struct SlideTextsChunk {
    base::le_u32 Index;
    base::le_u32 TextBytes;
    base::le_u32 FontBytes;
};
static_assert(sizeof(SlideTextsChunk) == 12);

// "FACE": the faces found on one slide's picture, stored while the slide moves automatically (the
// feature that uses them): this header, then Count boxes. A slide with the chunk and no boxes was
// searched and has none.
struct FacesChunk {
    base::le_u32 Index;
    base::le_u32 Count;
};
static_assert(sizeof(FacesChunk) == 8);

// One face: its left, top, width and height in 65535ths of the picture's width and height.
struct FaceBoxRecord {
    base::le_u16 X;
    base::le_u16 Y;
    base::le_u16 W;
    base::le_u16 H;
};
static_assert(sizeof(FaceBoxRecord) == 8);

// "TITL": a title slide's text and backdrop, by its place in the records: this header, then the
// title's and the subtitle's UTF-8 bytes. Colours are 0x00BBGGRR.
struct TitleChunk {
    base::le_u32 Index;
    std::uint8_t Backdrop; // 0 colour, 1 gradient, 2 blur of the next photo
    std::uint8_t Motion;   // the text's motion, as "CMOT"
    base::le_i32 Color1;
    base::le_i32 Color2;
    base::le_i32 TextColor;
    base::le_u32 TitleBytes;
    base::le_u32 SubtitleBytes;
};
static_assert(sizeof(TitleChunk) == 26);

// "CMOT": how a slide's caption comes and goes (0 none, 1 fade, 2 rise, 3 typewriter, 4 zoom),
// stored for a caption that moves.
struct CaptionMotionChunk {
    base::le_u32 Index;
    std::uint8_t Motion;
};
static_assert(sizeof(CaptionMotionChunk) == 5);

// "CLIP": a slide shown as a video clip, by its place in the records: this header, then the name
// the clip came in with, in UTF-8. The clip's original bytes lie after the block, Offset bytes
// past its end (64-bit: a show's clips may pass 4 GiB).
struct ClipChunk {
    base::le_u32 Index;
    base::le_u64 Offset;
    base::le_u64 Bytes;
    base::le_i64 LengthMs;
    base::le_i64 InMs;
    base::le_i64 OutMs;
    base::le_u16 Volume; // percent
    std::uint8_t Mute;
    base::le_u32 NameBytes;
};
static_assert(sizeof(ClipChunk) == 51);

// "ORIG": a photo's original file, by its place in the records: this header, then the name it
// came in with, in UTF-8, then the photo's edit steps when it has them (PhotoStepRecords.h). Its
// bytes lie after the block (after the clips'), Offset bytes past its end.
struct OriginalChunk {
    base::le_u32 Index;
    base::le_u64 Offset;
    base::le_u64 Bytes;
    // The working picture holds edits the original lacks: set too when the steps say them, so
    // that a reader that knows no steps draws the working picture.
    std::uint8_t Edited;
    base::le_u32 NameBytes;
};
static_assert(sizeof(OriginalChunk) == 25);

// The longest name a stored clip or original keeps, in characters.
constexpr int kMaxClipNameCharacters = 255;

constexpr std::uint16_t kExtensionVersion = 1;

// A slide's entry: its extension and its exact times (0 = the record's whole seconds).
struct StoredSlideExtension {
    SlideExtension Ext;
    std::int64_t StillMs = 0;
    std::int64_t TransitionMs = 0;
};

// A clip as the block lists it: its settings (no working file yet) and where its bytes lie after
// the block.
struct StoredClip {
    ClipSettings Settings;
    std::uint64_t Offset = 0;
    std::uint64_t Bytes = 0;
};

// A photo's original as the block lists it: whether it may be drawn from (no file yet) and where
// its bytes lie after the block.
struct StoredOriginal {
    OriginalPhoto Settings;
    std::uint64_t Offset = 0;
    std::uint64_t Bytes = 0;
};

// What a block holds, by the items' places in the file's records.
struct ShowExtension {
    ShowOptions Options; // with the output settings

    // The photo size the show was made with, "WxH"; empty for the default or when not stored.
    std::string PhotoSize;
    std::vector<std::pair<std::size_t, StoredSlideExtension>> Slides;
    std::vector<std::pair<std::size_t, TrackExtension>> Tracks;
    // Exact UTF-8 texts that win over the records' code-page text: caption text and font name,
    // track title.
    std::vector<std::pair<std::size_t, std::pair<std::string, std::string>>> SlideTexts;
    std::vector<std::pair<std::size_t, std::string>> TrackTitles;
    // The faces of slides that move automatically.
    std::vector<std::pair<std::size_t, std::vector<imaging::FaceBox>>> Faces;
    // Title slides, and the captions that move.
    std::vector<std::pair<std::size_t, imaging::TitleSettings>> Titles;
    std::vector<std::pair<std::size_t, imaging::TextMotion>> CaptionMotions;
    // Slides shown as video clips, and photos' originals.
    std::vector<std::pair<std::size_t, StoredClip>> Clips;
    std::vector<std::pair<std::size_t, StoredOriginal>> Originals;
};

// The block for these items and options; empty when every value is at its default (such a show
// is stored in the records alone). A track's measured loudness is stored only while the show
// plays its tracks at even loudness, the one feature that uses it, and a slide's faces only while
// it moves automatically. `photoSize` is the show's photo
// size ("WxH"); the default 1280 x 1024, an empty or an unparsable one is not stored.
// clipBytes, originalBytes: the byte counts of each slide's clip and original (by slide; 0 or
// missing for none), laid after the block one after another in slide order, the clips first.
std::vector<std::uint8_t> WriteExtensionBlock(const std::vector<Slide>& slides,
                                              const std::vector<Track>& tracks,
                                              const ShowOptions& options,
                                              const std::string& photoSize = {},
                                              const std::vector<std::int64_t>& clipBytes = {},
                                              const std::vector<std::int64_t>& originalBytes = {});

// The length of the block that starts with these bytes (its header, chunks and checksum), or 0
// when they do not start a block's header. What follows the block is the clips' bytes.
std::uint64_t ExtensionBlockLength(const std::uint8_t* data, std::size_t size);

// The largest block a show with this many items may carry; a longer tail is refused unread.
std::size_t MaxExtensionBytes(std::size_t slideCount, std::size_t trackCount);

// Reads a block of `size` bytes. Refuses (with the reason) a block that is truncated, oversized,
// fails its checksum, is of a later version, or whose chunks do not fit; values outside their
// ranges fall back to their defaults (the output settings' too), texts that are not valid UTF-8 or
// are longer than a slide or track may hold are dropped. Entries for items past the counts are
// dropped. A clip whose trim does not fit its length plays whole.
base::Result<ShowExtension> ReadExtensionBlock(const std::uint8_t* data, std::size_t size,
                                               std::size_t slideCount, std::size_t trackCount);

} // namespace project
