// The chunk table's row for a collage slide, "COLL": its layout, its gap and its two to four
// photos, each kept whole after the block (after the clips' and the originals') with its name,
// its edit steps and its faces. A collage the file does not hold whole loads as the photo its
// record holds, the collage as it was composed.
#include "project/ChunkTable.h"
#include "project/ExtensionChunks.h"
#include "project/PhotoStepRecords.h"

#include <algorithm>

namespace project {

using namespace extension_chunks;

namespace {

void WriteCollages(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        const CollageSettings* collage = w.Slides[i].Collage();
        if (!collage || collage->Photos.size() < kMinCollagePhotos ||
            collage->Photos.size() > kMaxCollagePhotos)
            continue;
        // Every photo's bytes, or none: the record's picture shows the collage without them.
        std::vector<std::int64_t> bytes;
        for (const CollagePhoto& photo : collage->Photos)
            bytes.push_back(w.BytesOf(photo.File));
        if (std::any_of(bytes.begin(), bytes.end(), [](std::int64_t b) { return b <= 0; }))
            continue;
        CollageChunk h{};
        h.Index = static_cast<std::uint32_t>(i);
        h.Layout = static_cast<std::uint8_t>(collage->Layout);
        h.Gap = static_cast<std::uint16_t>(std::clamp(collage->Gap, 0, kMaxCollageGap));
        h.Count = static_cast<std::uint8_t>(collage->Photos.size());
        std::vector<std::uint8_t> payload = PayloadOf(h);
        for (std::size_t k = 0; k < collage->Photos.size(); ++k) {
            const CollagePhoto& photo = collage->Photos[k];
            const std::string name = ClipNameToStore(photo.Name);
            std::vector<std::uint8_t> steps;
            if (!photo.Steps.empty())
                AppendPhotoSteps(steps, photo.Steps);
            CollagePhotoRecord r{};
            r.Offset = w.Lay(photo.File, bytes[k]);
            r.Bytes = static_cast<std::uint64_t>(bytes[k]);
            r.NameBytes = static_cast<std::uint32_t>(name.size());
            r.StepBytes = static_cast<std::uint32_t>(steps.size());
            r.FaceCount =
                static_cast<std::uint32_t>(std::min(photo.Faces.size(), imaging::kMaxFaces));
            AppendRecord(payload, r);
            AppendText(payload, name);
            payload.insert(payload.end(), steps.begin(), steps.end());
            AppendFaceBoxes(payload, photo.Faces);
        }
        w.Chunk(payload);
    }
}

// The photos after a "COLL" header, or false when they are not two to four that the payload
// holds whole, each with a name, steps and bytes that read.
bool ReadCollagePhotos(const std::uint8_t* p, std::size_t room, std::uint8_t count,
                       std::vector<StoredCollagePhoto>& photos) {
    if (count < kMinCollagePhotos || count > kMaxCollagePhotos)
        return false;
    for (std::uint8_t k = 0; k < count; ++k) {
        CollagePhotoRecord r;
        if (room < sizeof r)
            return false;
        std::memcpy(&r, p, sizeof r);
        p += sizeof r;
        room -= sizeof r;
        const std::uint64_t faceBytes = std::uint64_t{r.FaceCount} * sizeof(FaceBoxRecord);
        if (std::uint64_t{r.NameBytes} + r.StepBytes + faceBytes > room || r.Bytes.get() == 0)
            return false;
        StoredCollagePhoto photo;
        auto name = ExactText(p, r.NameBytes, kMaxClipNameCharacters);
        if (!name)
            return false;
        photo.Photo.Name = std::move(*name);
        p += r.NameBytes.get();
        if (r.StepBytes.get() > 0) {
            auto steps = ReadPhotoSteps(p, r.StepBytes);
            if (!steps)
                return false;
            photo.Photo.Steps = std::move(*steps);
            p += r.StepBytes.get();
        }
        photo.Photo.Faces = *ReadFaceBoxes(p, static_cast<std::size_t>(faceBytes), r.FaceCount);
        p += faceBytes;
        room -= r.NameBytes.get() + std::size_t{r.StepBytes.get()} + faceBytes;
        photo.Offset = r.Offset;
        photo.Bytes = r.Bytes;
        photos.push_back(std::move(photo));
    }
    return true;
}

bool ReadCollage(const ChunkReader& r) {
    CollageChunk h;
    if (!r.Prefix(h))
        return false;
    StoredSlide* slide = r.Slide(h.Index);
    if (!slide)
        return true;
    StoredCollage collage;
    if (h.Layout <= static_cast<std::uint8_t>(CollageLayout::Feature))
        collage.Layout = static_cast<CollageLayout>(h.Layout);
    if (h.Gap.get() <= kMaxCollageGap)
        collage.Gap = h.Gap.get();
    collage.Damaged =
        !ReadCollagePhotos(r.Data + sizeof h, r.Length - sizeof h, h.Count, collage.Photos);
    if (collage.Damaged)
        collage.Photos.clear();
    slide->Collage = std::move(collage);
    return true;
}

base::Status LoadCollage(const StoredSlide& stored, SlideLoad& load) {
    if (!stored.Collage || load.BodyGiven)
        return {};
    const StoredCollage& collage = *stored.Collage;
    const std::string slide = std::to_string(load.Index + 1);
    const bool whole =
        !collage.Damaged &&
        std::all_of(collage.Photos.begin(), collage.Photos.end(), [&](const StoredCollagePhoto& p) {
            return load.Media.Whole(p.Offset, p.Bytes);
        });
    if (!whole) {
        load.Media.Warn("The collage of photo " + slide +
                        " is not whole in the file; the photo shows the collage as it was saved.");
        return {};
    }
    CollageSettings settings;
    settings.Layout = collage.Layout;
    settings.Gap = collage.Gap;
    for (std::size_t k = 0; k < collage.Photos.size(); ++k) {
        const StoredCollagePhoto& kept = collage.Photos[k];
        auto copied = load.Media.CopyOut(kept.Offset, kept.Bytes, kept.Photo.Name, false);
        if (!copied) {
            for (const CollagePhoto& made : settings.Photos)
                load.Media.Remove(made.File);
            return base::Fail("cannot copy photo " + std::to_string(k + 1) +
                              " in the collage of photo " + slide +
                              " out of the file: " + copied.error());
        }
        CollagePhoto photo = kept.Photo;
        photo.File = std::move(*copied);
        settings.Photos.push_back(std::move(photo));
    }
    load.Into.Body = std::move(settings);
    load.BodyGiven = true;
    return {};
}

void KeepsCollage(const Slide& slide, std::size_t index, std::vector<KeptFile>& kept) {
    if (const CollageSettings* collage = slide.Collage())
        for (std::size_t k = 0; k < collage->Photos.size(); ++k)
            kept.push_back({collage->Photos[k].File,
                            "photo " + std::to_string(k + 1) + " in the collage of photo " +
                                std::to_string(index + 1),
                            true});
}

} // namespace

extern const ChunkKind kCollageRow{
    .Tag = {'C', 'O', 'L', 'L'},
    .Write = WriteCollages,
    .Read = ReadCollage,
    .LoadSlide = LoadCollage,
    .Keeps = KeepsCollage,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(CollageChunk) +
                          kMaxCollagePhotos *
                              (sizeof(CollagePhotoRecord) + Utf8Bytes(kMaxClipNameCharacters) +
                               MaxPhotoStepBytes() + imaging::kMaxFaces * sizeof(FaceBoxRecord))},
};

} // namespace project
