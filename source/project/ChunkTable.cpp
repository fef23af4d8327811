#include "project/ChunkTable.h"

#include <algorithm>

namespace project {

// The rows, each defined beside its payload's reading and writing.
extern const ChunkKind kShowRow, kOutputRow;      // ShowChunks.cpp
extern const ChunkKind kTrackRow, kTrackTitleRow; // TrackChunks.cpp
extern const ChunkKind kSlideRow, kSlideTextsRow, kFacesRow, kTitleRow,
    kCaptionMotionRow;                         // SlideChunks.cpp
extern const ChunkKind kClipRow, kOriginalRow; // MediaChunks.cpp
extern const ChunkKind kCollageRow;            // CollageChunk.cpp

namespace {

// The order is the file's: a reader of any version finds the chunks, and the kept files after
// the block, where the versions before wrote them. A new type goes last.
constexpr const ChunkKind* kTable[] = {
    &kShowRow,          // "SHOW": the music options and the photo size
    &kOutputRow,        // "OUTP": the video the show was last saved as
    &kSlideRow,         // "SLID": exact times, a later transition, motion
    &kTrackRow,         // "TRAK": fades and measured loudness
    &kSlideTextsRow,    // "UTXT": a caption's exact texts
    &kTrackTitleRow,    // "UTRK": a track's exact title
    &kFacesRow,         // "FACE": the faces automatic motion frames on
    &kTitleRow,         // "TITL": a title slide
    &kCaptionMotionRow, // "CMOT": a moving caption
    &kClipRow,          // "CLIP": a clip, its bytes kept after the block
    &kOriginalRow,      // "ORIG": a photo's original and its edit steps
    &kCollageRow,       // "COLL": a collage, its photos kept after the originals
};

} // namespace

std::span<const ChunkKind* const> ChunkTable() {
    return kTable;
}

const ChunkKind* ChunkKindOf(const ChunkTag& tag) {
    for (const ChunkKind* row : kTable)
        if (row->Tag == tag)
            return row;
    return nullptr;
}

void BlockWriter::Chunk(const std::vector<std::uint8_t>& payload) {
    ExtensionChunkHeader h{};
    h.Type = Row;
    h.Length = static_cast<std::uint32_t>(payload.size());
    AppendRecord(Chunks, h);
    Chunks.insert(Chunks.end(), payload.begin(), payload.end());
}

std::int64_t BlockWriter::BytesOf(const std::string& path) const {
    const auto it = keptBytes_.find(path);
    return it == keptBytes_.end() ? 0 : std::max<std::int64_t>(it->second, 0);
}

std::uint64_t BlockWriter::Lay(const std::string& path, std::int64_t bytes) {
    const std::uint64_t at = laidBytes_;
    Laid.emplace_back(path, bytes);
    laidBytes_ += static_cast<std::uint64_t>(bytes);
    return at;
}

StoredSlide* ChunkReader::Slide(std::uint32_t index) const {
    return index < SlideCount ? &Into.Slides[index] : nullptr;
}

StoredTrack* ChunkReader::Track(std::uint32_t index) const {
    return index < TrackCount ? &Into.Tracks[index] : nullptr;
}

base::Status LoadSlideExtension(const ShowExtension& ext, SlideLoad& load) {
    static const StoredSlide kNothing;
    const auto it = ext.Slides.find(load.Index);
    const StoredSlide& stored = it == ext.Slides.end() ? kNothing : it->second;
    for (const ChunkKind* row : kTable)
        if (row->LoadSlide)
            if (auto loaded = row->LoadSlide(stored, load); !loaded)
                return loaded;
    return {};
}

void LoadTrackExtension(const ShowExtension& ext, std::size_t index, Track& track) {
    static const StoredTrack kNothing;
    const auto it = ext.Tracks.find(index);
    const StoredTrack& stored = it == ext.Tracks.end() ? kNothing : it->second;
    for (const ChunkKind* row : kTable)
        if (row->LoadTrack)
            row->LoadTrack(stored, track);
}

std::vector<KeptFile> KeptFilesOf(const Slide& slide, std::size_t index) {
    std::vector<KeptFile> kept;
    for (const ChunkKind* row : kTable)
        if (row->Keeps)
            row->Keeps(slide, index, kept);
    return kept;
}

} // namespace project
