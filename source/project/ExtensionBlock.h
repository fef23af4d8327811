// The show file's extension block: the data of later features (exact durations, new transition
// kinds, motion, fades, loudness, show-wide music options), written after the last track's bytes
// where a reader that follows the records' positional rule never looks.
//
// Layout (little-endian): a 12-byte header (magic "RPXB", version, flags, length of the chunks),
// length-prefixed chunks (4-byte type tag, 4-byte payload length, payload), then a CRC-32 of
// everything before it. Readers skip chunk types they do not know and read the known prefix of a
// payload that grew in a later version. The chunk types are the rows of one table (ChunkTable.h);
// the files a slide keeps whole (clips, originals, collages' photos) follow the block.
#pragma once

#include "base/Endian.h"
#include "base/Result.h"
#include "project/ChunkRecords.h"
#include "project/Slide.h"
#include "project/Track.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
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

constexpr std::uint16_t kExtensionVersion = 1;

// A slide's entry: its extension and its exact times (0 = the record's whole seconds).
struct StoredSlideExtension {
    SlideExtension Ext;
    std::int64_t StillMs = 0;
    std::int64_t TransitionMs = 0;
    bool operator==(const StoredSlideExtension&) const = default;
};

// A slide's caption text and font name exactly, where the record's code page cannot say them.
struct CaptionTexts {
    std::string Text;
    std::string Font;
    bool operator==(const CaptionTexts&) const = default;
};

// A clip as the block lists it: its settings (no working file yet) and where its bytes lie after
// the block.
struct StoredClip {
    ClipSettings Settings;
    std::uint64_t Offset = 0;
    std::uint64_t Bytes = 0;
    bool operator==(const StoredClip&) const = default;
};

// A photo's original as the block lists it: whether it may be drawn from (no file yet) and where
// its bytes lie after the block.
struct StoredOriginal {
    OriginalPhoto Settings;
    std::uint64_t Offset = 0;
    std::uint64_t Bytes = 0;
    bool operator==(const StoredOriginal&) const = default;
};

// One photo of a collage as the block lists it (no working file yet), and where its bytes lie.
struct StoredCollagePhoto {
    CollagePhoto Photo;
    std::uint64_t Offset = 0;
    std::uint64_t Bytes = 0;
    bool operator==(const StoredCollagePhoto&) const = default;
};

// A collage as the block lists it. Damaged: the chunk is there but its photos cannot be read (too
// few or too many, a name or steps that do not hold); the slide then shows its record's picture,
// the composed collage, and the open says so.
struct StoredCollage {
    CollageLayout Layout = CollageLayout::Side;
    std::int32_t Gap = CollageSettings{}.Gap;
    std::vector<StoredCollagePhoto> Photos;
    bool Damaged = false;
    bool operator==(const StoredCollage&) const = default;
};

// What the block says about one slide, one member per chunk type that speaks of slides; each is
// empty when the block does not hold that chunk for the slide.
struct StoredSlide {
    std::optional<StoredSlideExtension> Ext;            // "SLID"
    std::optional<CaptionTexts> Texts;                  // "UTXT"
    std::optional<std::vector<imaging::FaceBox>> Faces; // "FACE"
    std::optional<imaging::TitleSettings> Title;        // "TITL"
    std::optional<imaging::TextMotion> CaptionMotion;   // "CMOT"
    std::optional<StoredClip> Clip;                     // "CLIP"
    std::optional<StoredOriginal> Original;             // "ORIG"
    std::optional<StoredCollage> Collage;               // "COLL"
    bool operator==(const StoredSlide&) const = default;
};

// What the block says about one track.
struct StoredTrack {
    std::optional<TrackExtension> Ext; // "TRAK"
    std::optional<std::string> Title;  // "UTRK": the exact title
    bool operator==(const StoredTrack&) const = default;
};

// What a block holds, by the items' places in the file's records: only items the file holds, and
// only those the block speaks of. A later chunk for the same item wins.
struct ShowExtension {
    ShowOptions Options; // with the output settings
    // The photo size the show was made with, "WxH"; empty for the default or when not stored.
    std::string PhotoSize;
    std::map<std::size_t, StoredSlide> Slides;
    std::map<std::size_t, StoredTrack> Tracks;
};

// The byte counts of the working copies the block keeps whole after it (a clip's, an original's,
// a collage's photos), by their paths. A file not listed, or of no bytes, is not stored.
using KeptFileBytes = std::map<std::string, std::int64_t>;

// A written block and the working copies whose bytes follow it, in the order they are laid.
struct WrittenExtension {
    std::vector<std::uint8_t> Block;
    std::vector<std::pair<std::string, std::int64_t>> FilesAfter;
};

// The block for these items and options; empty when every value is at its default (such a show
// is stored in the records alone). A track's measured loudness is stored only while the show
// plays its tracks at even loudness, the one feature that uses it, and a slide's faces only while
// it moves automatically. `photoSize` is the show's photo size ("WxH"); the default 1280 x 1024,
// an empty or an unparsable one is not stored. A clip, an original or a collage is stored only
// with the bytes of its files in `keptBytes`; they are laid after the block one after another,
// the clips first, then the originals, then the collages' photos, each in slide order.
WrittenExtension WriteExtension(const std::vector<Slide>& slides, const std::vector<Track>& tracks,
                                const ShowOptions& options, const std::string& photoSize = {},
                                const KeptFileBytes& keptBytes = {});
// The block alone.
std::vector<std::uint8_t> WriteExtensionBlock(const std::vector<Slide>& slides,
                                              const std::vector<Track>& tracks,
                                              const ShowOptions& options,
                                              const std::string& photoSize = {},
                                              const KeptFileBytes& keptBytes = {});

// The length of the block that starts with these bytes (its header, chunks and checksum), or 0
// when they do not start a block's header. What follows the block is the kept files' bytes.
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
