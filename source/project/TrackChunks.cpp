// The chunk table's rows for the music tracks: "TRAK" (fades and measured loudness) and "UTRK"
// (the exact title where the record's code page cannot say it).
#include "project/ChunkTable.h"
#include "project/ExtensionChunks.h"

namespace project {

using namespace extension_chunks;

namespace {

void WriteTrackExtensions(BlockWriter& w) {
    for (std::size_t j = 0; j < w.Tracks.size(); ++j) {
        TrackExtension e = w.Tracks[j].Ext;
        if (!w.Options.EvenLoudness) // measured at import, but only even loudness uses it
            e.HasLoudness = false, e.LoudnessLufs = e.TruePeakDb = 0.0;
        if (e.IsDefault())
            continue;
        TrackChunk c{};
        c.Index = static_cast<std::uint32_t>(j);
        c.FadeInSeconds = e.FadeInSeconds;
        c.FadeOutSeconds = e.FadeOutSeconds;
        c.HasLoudness = e.HasLoudness ? 1 : 0;
        c.LoudnessLufs = e.LoudnessLufs;
        c.TruePeakDb = e.TruePeakDb;
        w.Chunk(PayloadOf(c));
    }
}

bool ReadTrackExtension(const ChunkReader& r) {
    TrackChunk c;
    if (!r.Prefix(c))
        return false;
    if (StoredTrack* track = r.Track(c.Index))
        track->Ext = FromChunk(c);
    return true;
}

void LoadTrackFades(const StoredTrack& stored, Track& track) {
    // The stored loudness stands; only a track the file has none for is measured.
    if (stored.Ext)
        track.Ext = *stored.Ext;
}

void WriteTrackTitles(BlockWriter& w) {
    for (std::size_t j = 0; j < w.Tracks.size(); ++j) {
        if (w.Tracks[j].RecordHoldsTitle())
            continue;
        std::vector<std::uint8_t> payload;
        AppendRecord(payload, base::le_u32(static_cast<std::uint32_t>(j)));
        AppendText(payload, w.Tracks[j].Title);
        w.Chunk(payload);
    }
}

bool ReadTrackTitle(const ChunkReader& r) {
    base::le_u32 index;
    if (!r.Prefix(index))
        return false;
    if (StoredTrack* track = r.Track(index))
        if (auto title = ExactText(r.Data + 4, r.Length - 4, kMaxTitleCharacters))
            track->Title = std::move(*title);
    return true;
}

void LoadTrackTitle(const StoredTrack& stored, Track& track) {
    if (stored.Title)
        track.Title = *stored.Title;
}

} // namespace

extern const ChunkKind kTrackRow{
    .Tag = {'T', 'R', 'A', 'K'},
    .Write = WriteTrackExtensions,
    .Read = ReadTrackExtension,
    .LoadTrack = LoadTrackFades,
    .Bound = {.PerTrack = sizeof(ExtensionChunkHeader) + sizeof(TrackChunk)},
};

extern const ChunkKind kTrackTitleRow{
    .Tag = {'U', 'T', 'R', 'K'},
    .Write = WriteTrackTitles,
    .Read = ReadTrackTitle,
    .LoadTrack = LoadTrackTitle,
    .Bound = {.PerTrack = sizeof(ExtensionChunkHeader) + 4 + Utf8Bytes(kMaxTitleCharacters)},
};

} // namespace project
