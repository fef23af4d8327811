// The chunk table's rows for the show as a whole: "SHOW" (the music options and the photo size)
// and "OUTP" (the video the show was last saved as).
#include "project/ChunkTable.h"
#include "project/ExtensionChunks.h"
#include "project/Resolution.h"

namespace project {

using namespace extension_chunks;

namespace {

// A "SHOW" payload as this version writes it: the options, then the photo size.
struct ShowChunk {
    ShowOptionsChunk Options;
    ShowPhotoSizeChunk Photo;
};
static_assert(sizeof(ShowChunk) == 21);

constexpr int kDefaultPhotoWidth = 1280, kDefaultPhotoHeight = 1024;
// Larger than any size the settings offer, small enough to refuse nonsense.
constexpr int kMaxStoredPhotoSide = 8192;

void WriteShow(BlockWriter& w) {
    int width = kDefaultPhotoWidth, height = kDefaultPhotoHeight;
    ParseResolution(w.PhotoSize, width, height);
    const bool storeSize = (width != kDefaultPhotoWidth || height != kDefaultPhotoHeight) &&
                           width <= kMaxStoredPhotoSide && height <= kMaxStoredPhotoSide;
    if (w.Options.MusicIsDefault() && !storeSize)
        return;
    ShowChunk c{};
    c.Options.TrackCrossfadeSeconds = w.Options.TrackCrossfadeSeconds;
    c.Options.EndFadeSeconds = w.Options.EndFadeSeconds;
    c.Options.EvenLoudness = w.Options.EvenLoudness ? 1 : 0;
    if (storeSize) {
        c.Photo.Width = static_cast<std::uint16_t>(width);
        c.Photo.Height = static_cast<std::uint16_t>(height);
        w.Chunk(PayloadOf(c));
    } else {
        w.Chunk(PayloadOf(c.Options)); // as the first version wrote it
    }
}

bool ReadShow(const ChunkReader& r) {
    ShowOptionsChunk c;
    if (!r.Prefix(c))
        return false;
    ShowOptions& o = r.Into.Options;
    o.TrackCrossfadeSeconds = InRange(c.TrackCrossfadeSeconds, 0.0, kMaxFadeSeconds, 0.0);
    o.EndFadeSeconds = InRange(c.EndFadeSeconds, 0.0, kMaxFadeSeconds, 0.0);
    o.EvenLoudness = c.EvenLoudness == 1;
    ShowChunk sized;
    if (r.Prefix(sized)) {
        const int w = sized.Photo.Width, h = sized.Photo.Height;
        if (w > 0 && h > 0 && w <= kMaxStoredPhotoSide && h <= kMaxStoredPhotoSide)
            r.Into.PhotoSize = std::to_string(w) + "x" + std::to_string(h);
    }
    return true;
}

void WriteOutput(BlockWriter& w) {
    if (!w.Options.Output.IsDefault())
        w.Chunk(PayloadOf(ToChunk(ClampedOutputSettings(w.Options.Output))));
}

bool ReadOutput(const ChunkReader& r) {
    OutputChunk c;
    if (!r.Prefix(c))
        return false;
    r.Into.Options.Output = FromChunk(c);
    return true;
}

} // namespace

extern const ChunkKind kShowRow{
    .Tag = {'S', 'H', 'O', 'W'},
    .Write = WriteShow,
    .Read = ReadShow,
    .Bound = {.PerShow = sizeof(ExtensionChunkHeader) + sizeof(ShowChunk)},
};

extern const ChunkKind kOutputRow{
    .Tag = {'O', 'U', 'T', 'P'},
    .Write = WriteOutput,
    .Read = ReadOutput,
    .Bound = {.PerShow = sizeof(ExtensionChunkHeader) + sizeof(OutputChunk)},
};

} // namespace project
