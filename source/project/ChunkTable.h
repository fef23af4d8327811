// The one table of the extension block's chunk types. Each row says, for one tag, how its chunks
// are written from the document, how a payload is read back and checked into what the block says
// about the show, a slide or a track, how that is put into a loaded slide or track, which working
// copies it keeps after the block, and how large its chunks may be. The block's writer, its reader,
// its size budget and the project file's save and load all go over the rows; a new chunk type is
// a new row.
#pragma once

#include "base/Result.h"
#include "project/ExtensionBlock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace project {

using ChunkTag = std::array<char, 4>;

// Writes one row's chunks: the document's values and the bytes kept after the block so far.
class BlockWriter {
public:
    BlockWriter(const std::vector<Slide>& slides, const std::vector<Track>& tracks,
                const ShowOptions& options, const std::string& photoSize,
                const KeptFileBytes& keptBytes)
        : Slides(slides), Tracks(tracks), Options(options), PhotoSize(photoSize),
          keptBytes_(keptBytes) {}

    const std::vector<Slide>& Slides;
    const std::vector<Track>& Tracks;
    const ShowOptions& Options;
    const std::string& PhotoSize;

    // Appends a chunk of the current row's type with this payload.
    void Chunk(const std::vector<std::uint8_t>& payload);
    // The byte count of a working copy to keep after the block (0 when it is not to be kept).
    std::int64_t BytesOf(const std::string& path) const;
    // Lays a working copy's bytes after the block, after those laid before; their offset there.
    std::uint64_t Lay(const std::string& path, std::int64_t bytes);

    // For the block's writer: the row being written, and what was written.
    ChunkTag Row{};
    std::vector<std::uint8_t> Chunks;
    std::vector<std::pair<std::string, std::int64_t>> Laid;

private:
    const KeptFileBytes& keptBytes_;
    std::uint64_t laidBytes_ = 0;
};

// One payload to read, checked against the counts of the file's records.
struct ChunkReader {
    const std::uint8_t* Data = nullptr;
    std::uint32_t Length = 0;
    std::size_t SlideCount = 0;
    std::size_t TrackCount = 0;
    ShowExtension& Into;

    // Copies the payload's known prefix; false when the payload is shorter than it.
    template <typename T> bool Prefix(T& out) const {
        if (Length < sizeof(T))
            return false;
        std::memcpy(&out, Data, sizeof(T));
        return true;
    }
    // What the block says about an item, made on first use; null for an item past the counts,
    // whose entries are dropped.
    StoredSlide* Slide(std::uint32_t index) const;
    StoredTrack* Track(std::uint32_t index) const;
};

// What a slide's rows need to fetch the bytes kept after the block.
class KeptMedia {
public:
    virtual ~KeptMedia() = default;
    // Whether `bytes` bytes at `offset` past the block lie whole in the file.
    virtual bool Whole(std::uint64_t offset, std::uint64_t bytes) const = 0;
    // Copies them out into a new working copy named after `name` (a clip's, else a photo's);
    // the copy's path.
    virtual base::Result<std::string> CopyOut(std::uint64_t offset, std::uint64_t bytes,
                                              const std::string& name, bool clip) = 0;
    // Removes a copy made for a slide that is not loaded whole.
    virtual void Remove(const std::string& path) = 0;
    // Says once, for the whole load, that some slide's kept data is not whole.
    virtual void Warn(const std::string& message) = 0;
};

// A slide being loaded: as its record and its import made it, with its place in the records.
struct SlideLoad {
    Slide& Into;
    std::size_t Index = 0;
    KeptMedia& Media;
    // A row has given the slide its body already (one body per slide, however many the block
    // lists for it: the first row's wins).
    bool BodyGiven = false;
};

// A working copy a slide keeps whole after the block, and how a save names it.
struct KeptFile {
    std::string Path;
    std::string What;      // "the clip of photo 3"
    bool Required = false; // a save without it is refused (a missing original is left out)
};

// The most bytes one row's chunks take: once for the show, and for each slide and track.
struct ChunkBound {
    std::size_t PerShow = 0;
    std::size_t PerSlide = 0;
    std::size_t PerTrack = 0;
};

struct ChunkKind {
    ChunkTag Tag{};
    // Appends every chunk of this type the document needs (none when its values are defaults).
    void (*Write)(BlockWriter&) = nullptr;
    // Reads one payload into reader.Into; false when it is shorter than the type needs (the
    // block is then refused). Values out of range fall back, items past the counts are dropped.
    bool (*Read)(const ChunkReader&) = nullptr;
    // Puts what the block says about a slide, or a track, into it (null for rows that say
    // nothing of them). Runs for every loaded item, with an empty entry when the block has none.
    base::Status (*LoadSlide)(const StoredSlide&, SlideLoad&) = nullptr;
    void (*LoadTrack)(const StoredTrack&, Track&) = nullptr;
    // The working copies a slide keeps after the block through this row (null for none).
    void (*Keeps)(const Slide&, std::size_t index, std::vector<KeptFile>&) = nullptr;
    ChunkBound Bound;
};

// The rows, in the order their chunks are written (and so the kept files laid).
std::span<const ChunkKind* const> ChunkTable();
// The row of a tag; null for a type this version does not know.
const ChunkKind* ChunkKindOf(const ChunkTag& tag);

// Every row's load of one slide, and of one track.
base::Status LoadSlideExtension(const ShowExtension& ext, SlideLoad& load);
void LoadTrackExtension(const ShowExtension& ext, std::size_t index, Track& track);
// The working copies a slide keeps after the block, in the order they are laid.
std::vector<KeptFile> KeptFilesOf(const Slide& slide, std::size_t index);

// Payload building for the rows.
template <typename T> void AppendRecord(std::vector<std::uint8_t>& out, const T& value) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof(T));
}
inline void AppendText(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}
template <typename T> std::vector<std::uint8_t> PayloadOf(const T& value) {
    std::vector<std::uint8_t> out;
    AppendRecord(out, value);
    return out;
}

// The most UTF-8 bytes a text of n characters takes.
constexpr std::size_t Utf8Bytes(int characters) {
    return 4 * static_cast<std::size_t>(characters);
}

} // namespace project
