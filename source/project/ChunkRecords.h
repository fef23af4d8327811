// The payloads of the show file's extension block, one record per chunk type, as they lie in the
// file (little-endian, packed). Each chunk's place in the block, what writes it and how it is
// read back are its row of the chunk table (ChunkTable.h).
#pragma once

#include "base/Endian.h"

#include <array>
#include <cstdint>

namespace project {

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

// "COLL": a collage slide, by its place in the records: this header, then Count photos, each a
// CollagePhotoRecord followed by its name (UTF-8), its edit steps (PhotoStepRecords.h, StepBytes
// of them; none when 0) and FaceCount boxes. The photos' bytes lie after the block, after the
// clips' and the originals', Offset bytes past its end.
struct CollageChunk {
    base::le_u32 Index;
    std::uint8_t Layout; // CollageLayout
    base::le_u16 Gap;    // thousandths of the frame's shorter side
    std::uint8_t Count;  // photos that follow
};
static_assert(sizeof(CollageChunk) == 8);

struct CollagePhotoRecord {
    base::le_u64 Offset;
    base::le_u64 Bytes;
    base::le_u32 NameBytes;
    base::le_u32 StepBytes;
    base::le_u32 FaceCount;
};
static_assert(sizeof(CollagePhotoRecord) == 28);

} // namespace project
