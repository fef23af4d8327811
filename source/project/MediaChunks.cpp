// The chunk table's rows for the files a slide keeps whole after the block: "CLIP" (a slide shown
// as a video clip) and "ORIG" (a photo's original, with its edit steps). Each chunk says where
// its file's bytes lie after the block; the load copies them out into working copies.
#include "project/ChunkTable.h"
#include "project/ExtensionChunks.h"
#include "project/PhotoStepRecords.h"

#include <algorithm>

namespace project {

using namespace extension_chunks;

namespace {

void WriteClips(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        const ClipSettings* clip = w.Slides[i].Clip();
        const std::int64_t bytes = clip ? w.BytesOf(clip->File) : 0;
        if (bytes <= 0)
            continue;
        const std::string name = ClipNameToStore(clip->Name);
        ClipChunk c{};
        c.Index = static_cast<std::uint32_t>(i);
        c.Offset = w.Lay(clip->File, bytes);
        c.Bytes = static_cast<std::uint64_t>(bytes);
        c.LengthMs = clip->LengthMs;
        c.InMs = clip->InMs;
        c.OutMs = clip->OutMs;
        c.Volume = static_cast<std::uint16_t>(std::clamp(clip->Volume, 0, kMaxClipVolume));
        c.Mute = clip->Mute ? 1 : 0;
        c.NameBytes = static_cast<std::uint32_t>(name.size());
        std::vector<std::uint8_t> payload = PayloadOf(c);
        AppendText(payload, name);
        w.Chunk(payload);
    }
}

bool ReadClipChunk(const ChunkReader& r) {
    ClipChunk c;
    if (!r.Prefix(c))
        return false;
    if (StoredSlide* slide = r.Slide(c.Index))
        if (auto clip = ReadClip(c, r.Data, r.Length))
            slide->Clip = std::move(*clip);
    return true;
}

// A clip whose bytes the file does not hold whole stays its poster photo, said once.
base::Status LoadClip(const StoredSlide& stored, SlideLoad& load) {
    if (!stored.Clip || load.BodyGiven)
        return {};
    const StoredClip& clip = *stored.Clip;
    if (!load.Media.Whole(clip.Offset, clip.Bytes)) {
        load.Media.Warn("The clip of photo " + std::to_string(load.Index + 1) +
                        " is not whole in the file; the photo shows its first picture.");
        return {};
    }
    auto copied = load.Media.CopyOut(clip.Offset, clip.Bytes, clip.Settings.Name, true);
    if (!copied)
        return base::Fail("cannot copy the clip of photo " + std::to_string(load.Index + 1) +
                          " out of the file: " + copied.error());
    ClipSettings settings = clip.Settings;
    settings.File = std::move(*copied);
    load.Into.Body = std::move(settings);
    load.BodyGiven = true;
    return {};
}

void KeepsClip(const Slide& slide, std::size_t index, std::vector<KeptFile>& kept) {
    if (const ClipSettings* clip = slide.Clip())
        kept.push_back({clip->File, "the clip of photo " + std::to_string(index + 1), true});
}

void WriteOriginals(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        const OriginalPhoto* original = w.Slides[i].Original();
        const std::int64_t bytes = original ? w.BytesOf(original->File) : 0;
        if (bytes <= 0)
            continue;
        const std::string name = ClipNameToStore(original->Name);
        OriginalChunk c{};
        c.Index = static_cast<std::uint32_t>(i);
        c.Offset = w.Lay(original->File, bytes);
        c.Bytes = static_cast<std::uint64_t>(bytes);
        // A reader that knows no steps draws an edited photo from its working picture.
        const bool steps = !original->Edited && !original->Steps.empty();
        c.Edited = original->Edited || steps ? 1 : 0;
        c.NameBytes = static_cast<std::uint32_t>(name.size());
        std::vector<std::uint8_t> payload = PayloadOf(c);
        AppendText(payload, name);
        if (steps)
            AppendPhotoSteps(payload, original->Steps);
        w.Chunk(payload);
    }
}

bool ReadOriginal(const ChunkReader& r) {
    OriginalChunk c;
    if (!r.Prefix(c) || c.NameBytes.get() > r.Length - sizeof c)
        return false;
    StoredSlide* slide = r.Slide(c.Index);
    if (!slide || c.Bytes.get() == 0)
        return true;
    auto name = ExactText(r.Data + sizeof c, c.NameBytes, kMaxClipNameCharacters);
    if (!name)
        return true;
    StoredOriginal stored;
    stored.Settings.Name = std::move(*name);
    stored.Settings.Edited = c.Edited != 0;
    // Steps that say the edits let the original be drawn with them.
    const std::size_t named = sizeof c + c.NameBytes.get();
    if (stored.Settings.Edited && r.Length > named)
        if (auto steps = ReadPhotoSteps(r.Data + named, r.Length - named);
            steps && !steps->empty()) {
            stored.Settings.Steps = std::move(*steps);
            stored.Settings.Edited = false;
        }
    stored.Offset = c.Offset;
    stored.Bytes = c.Bytes;
    slide->Original = std::move(stored);
    return true;
}

// An original that is not whole is left out: the working copy shows the photo.
base::Status LoadOriginal(const StoredSlide& stored, SlideLoad& load) {
    PhotoBody* photo = load.Into.Photo();
    if (!stored.Original || load.BodyGiven || !photo)
        return {};
    const StoredOriginal& original = *stored.Original;
    if (!load.Media.Whole(original.Offset, original.Bytes))
        return {};
    auto copied =
        load.Media.CopyOut(original.Offset, original.Bytes, original.Settings.Name, false);
    if (!copied)
        return base::Fail("cannot copy the original of photo " + std::to_string(load.Index + 1) +
                          " out of the file: " + copied.error());
    OriginalPhoto kept = original.Settings;
    kept.File = std::move(*copied);
    photo->Original = std::move(kept);
    load.BodyGiven = true;
    return {};
}

// An original that is gone is not stored: the working copy still shows the photo.
void KeepsOriginal(const Slide& slide, std::size_t index, std::vector<KeptFile>& kept) {
    if (const OriginalPhoto* original = slide.Original())
        kept.push_back(
            {original->File, "the original of photo " + std::to_string(index + 1), false});
}

} // namespace

extern const ChunkKind kClipRow{
    .Tag = {'C', 'L', 'I', 'P'},
    .Write = WriteClips,
    .Read = ReadClipChunk,
    .LoadSlide = LoadClip,
    .Keeps = KeepsClip,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(ClipChunk) +
                          Utf8Bytes(kMaxClipNameCharacters)},
};

extern const ChunkKind kOriginalRow{
    .Tag = {'O', 'R', 'I', 'G'},
    .Write = WriteOriginals,
    .Read = ReadOriginal,
    .LoadSlide = LoadOriginal,
    .Keeps = KeepsOriginal,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(OriginalChunk) +
                          Utf8Bytes(kMaxClipNameCharacters) + MaxPhotoStepBytes()},
};

} // namespace project
