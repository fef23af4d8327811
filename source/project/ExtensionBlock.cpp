#include "project/ExtensionBlock.h"

#include "project/ExtensionChunks.h"
#include "project/PhotoStepRecords.h"
#include "project/Resolution.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

namespace project {

using namespace extension_chunks;

namespace {

constexpr std::array<char, 4> kMagic{'R', 'P', 'X', 'B'};
constexpr std::array<char, 4> kShowTag{'S', 'H', 'O', 'W'};
constexpr std::array<char, 4> kSlideTag{'S', 'L', 'I', 'D'};
constexpr std::array<char, 4> kTrackTag{'T', 'R', 'A', 'K'};
constexpr std::array<char, 4> kOutputTag{'O', 'U', 'T', 'P'};
constexpr std::array<char, 4> kSlideTextsTag{'U', 'T', 'X', 'T'};
constexpr std::array<char, 4> kTrackTitleTag{'U', 'T', 'R', 'K'};
constexpr std::array<char, 4> kFacesTag{'F', 'A', 'C', 'E'};
constexpr std::array<char, 4> kTitleTag{'T', 'I', 'T', 'L'};
constexpr std::array<char, 4> kCaptionMotionTag{'C', 'M', 'O', 'T'};
constexpr std::array<char, 4> kClipTag{'C', 'L', 'I', 'P'};
constexpr std::array<char, 4> kOriginalTag{'O', 'R', 'I', 'G'};
// The most UTF-8 bytes a text of n characters takes.
constexpr std::size_t Utf8Bytes(int characters) {
    return 4 * static_cast<std::size_t>(characters);
}

std::uint32_t Crc(const std::uint8_t* data, std::size_t size) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        crc = ::crc32(crc, data, n);
        data += n;
        size -= n;
    }
    return static_cast<std::uint32_t>(crc);
}

template <typename T> void Append(std::vector<std::uint8_t>& out, const T& value) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof(T));
}

// A "SHOW" payload as this version writes it: the options, then the photo size.
struct ShowChunk {
    ShowOptionsChunk Options;
    ShowPhotoSizeChunk Photo;
};
static_assert(sizeof(ShowChunk) == 21);

constexpr int kDefaultPhotoWidth = 1280, kDefaultPhotoHeight = 1024;
// Larger than any size the settings offer, small enough to refuse nonsense.
constexpr int kMaxStoredPhotoSide = 8192;

template <typename T>
void AppendChunk(std::vector<std::uint8_t>& out, std::array<char, 4> tag, const T& payload) {
    ExtensionChunkHeader h{};
    h.Type = tag;
    h.Length = static_cast<std::uint32_t>(sizeof(T));
    Append(out, h);
    Append(out, payload);
}

void AppendBytes(std::vector<std::uint8_t>& out, const std::string& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void AppendHeader(std::vector<std::uint8_t>& out, std::array<char, 4> tag, std::size_t length) {
    ExtensionChunkHeader h{};
    h.Type = tag;
    h.Length = static_cast<std::uint32_t>(length);
    Append(out, h);
}

// Copies the known prefix of a payload; false when the payload is shorter than it.
template <typename T> bool ReadPayload(const std::uint8_t* p, std::uint32_t length, T& out) {
    if (length < sizeof(T))
        return false;
    std::memcpy(&out, p, sizeof(T));
    return true;
}

} // namespace

std::vector<std::uint8_t> WriteExtensionBlock(const std::vector<Slide>& slides,
                                              const std::vector<Track>& tracks,
                                              const ShowOptions& options,
                                              const std::string& photoSize,
                                              const std::vector<std::int64_t>& clipBytes,
                                              const std::vector<std::int64_t>& originalBytes) {
    std::vector<std::uint8_t> chunks;
    int width = kDefaultPhotoWidth, height = kDefaultPhotoHeight;
    ParseResolution(photoSize, width, height);
    const bool storeSize = (width != kDefaultPhotoWidth || height != kDefaultPhotoHeight) &&
                           width <= kMaxStoredPhotoSide && height <= kMaxStoredPhotoSide;
    if (!options.MusicIsDefault() || storeSize) {
        ShowChunk c{};
        c.Options.TrackCrossfadeSeconds = options.TrackCrossfadeSeconds;
        c.Options.EndFadeSeconds = options.EndFadeSeconds;
        c.Options.EvenLoudness = options.EvenLoudness ? 1 : 0;
        if (storeSize) {
            c.Photo.Width = static_cast<std::uint16_t>(width);
            c.Photo.Height = static_cast<std::uint16_t>(height);
            AppendChunk(chunks, kShowTag, c);
        } else {
            AppendChunk(chunks, kShowTag, c.Options); // as the first version wrote it
        }
    }
    if (!options.Output.IsDefault())
        AppendChunk(chunks, kOutputTag, ToChunk(ClampedOutputSettings(options.Output)));
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const Slide& s = slides[i];
        if (!s.NeedsExtension())
            continue;
        const SlideExtension& e = s.Ext;
        SlideChunk c{};
        c.Index = static_cast<std::uint32_t>(i);
        // Exact times only where the record's whole seconds do not say them.
        c.ShowMs = WholeSeconds(s.StillMs) ? 0 : static_cast<std::int32_t>(s.StillMs);
        c.TransitionMs =
            WholeSeconds(s.TransitionMs) ? 0 : static_cast<std::int32_t>(s.TransitionMs);
        c.TransitionKind = e.TransitionKind;
        c.MotionMode = static_cast<std::uint8_t>(e.Motion.Mode);
        c.MotionEasing = static_cast<std::uint8_t>(e.Motion.Easing);
        const imaging::MotionState* states[2] = {&e.Motion.Start, &e.Motion.End};
        for (int k = 0; k < 2; ++k) {
            c.Motion[3 * k] = states[k]->Cx;
            c.Motion[3 * k + 1] = states[k]->Cy;
            c.Motion[3 * k + 2] = states[k]->Z;
        }
        const std::uint8_t cover = (e.Motion.Start.Cover ? 1 : 0) | (e.Motion.End.Cover ? 2 : 0);
        if (cover != 0)
            AppendChunk(chunks, kSlideTag, SlideMotionCoverChunk{c, cover});
        else
            AppendChunk(chunks, kSlideTag, c);
    }
    for (std::size_t j = 0; j < tracks.size(); ++j) {
        TrackExtension e = tracks[j].Ext;
        if (!options.EvenLoudness) // measured at import, but only even loudness uses it
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
        AppendChunk(chunks, kTrackTag, c);
    }
    // Exact texts only where the records' code-page text does not say them: a show whose texts
    // the code page holds is written as before.
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const imaging::CaptionSettings& c = slides[i].Caption;
        if (slides[i].RecordHoldsTexts())
            continue;
        SlideTextsChunk h{};
        h.Index = static_cast<std::uint32_t>(i);
        h.TextBytes = static_cast<std::uint32_t>(c.Text.size());
        h.FontBytes = static_cast<std::uint32_t>(c.Font.size());
        AppendHeader(chunks, kSlideTextsTag, sizeof h + c.Text.size() + c.Font.size());
        Append(chunks, h);
        AppendBytes(chunks, c.Text);
        AppendBytes(chunks, c.Font);
    }
    for (std::size_t j = 0; j < tracks.size(); ++j) {
        if (tracks[j].RecordHoldsTitle())
            continue;
        AppendHeader(chunks, kTrackTitleTag, 4 + tracks[j].Title.size());
        Append(chunks, base::le_u32(static_cast<std::uint32_t>(j)));
        AppendBytes(chunks, tracks[j].Title);
    }
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const Slide& s = slides[i];
        const auto* faces = s.Faces();
        if (s.Ext.Motion.Mode != imaging::MotionMode::Auto || !faces || !*faces)
            continue;
        const std::size_t count = std::min((*faces)->size(), imaging::kMaxFaces);
        FacesChunk h{};
        h.Index = static_cast<std::uint32_t>(i);
        h.Count = static_cast<std::uint32_t>(count);
        AppendHeader(chunks, kFacesTag, sizeof h + count * sizeof(FaceBoxRecord));
        Append(chunks, h);
        for (std::size_t k = 0; k < count; ++k) {
            const imaging::FaceBox& f = (**faces)[k];
            Append(chunks,
                   FaceBoxRecord{FaceUnits(f.X), FaceUnits(f.Y), FaceUnits(f.W), FaceUnits(f.H)});
        }
    }
    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (!slides[i].Title())
            continue;
        const imaging::TitleSettings& t = *slides[i].Title();
        TitleChunk h{};
        h.Index = static_cast<std::uint32_t>(i);
        h.Backdrop = static_cast<std::uint8_t>(t.Backdrop);
        h.Motion = static_cast<std::uint8_t>(t.Motion);
        h.Color1 = t.Color1;
        h.Color2 = t.Color2;
        h.TextColor = t.TextColor;
        h.TitleBytes = static_cast<std::uint32_t>(t.Title.size());
        h.SubtitleBytes = static_cast<std::uint32_t>(t.Subtitle.size());
        AppendHeader(chunks, kTitleTag, sizeof h + t.Title.size() + t.Subtitle.size());
        Append(chunks, h);
        AppendBytes(chunks, t.Title);
        AppendBytes(chunks, t.Subtitle);
    }
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const imaging::TextMotion motion = slides[i].Caption.Motion;
        if (motion == imaging::TextMotion::None)
            continue;
        CaptionMotionChunk c{};
        c.Index = static_cast<std::uint32_t>(i);
        c.Motion = static_cast<std::uint8_t>(motion);
        AppendChunk(chunks, kCaptionMotionTag, c);
    }
    std::uint64_t clipOffset = 0;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const std::int64_t bytes = i < clipBytes.size() ? clipBytes[i] : 0;
        if (!slides[i].Clip() || bytes <= 0)
            continue;
        const ClipSettings& clip = *slides[i].Clip();
        const std::string name = ClipNameToStore(clip.Name);
        ClipChunk c{};
        c.Index = static_cast<std::uint32_t>(i);
        c.Offset = clipOffset;
        c.Bytes = static_cast<std::uint64_t>(bytes);
        c.LengthMs = clip.LengthMs;
        c.InMs = clip.InMs;
        c.OutMs = clip.OutMs;
        c.Volume = static_cast<std::uint16_t>(std::clamp(clip.Volume, 0, kMaxClipVolume));
        c.Mute = clip.Mute ? 1 : 0;
        c.NameBytes = static_cast<std::uint32_t>(name.size());
        AppendHeader(chunks, kClipTag, sizeof c + name.size());
        Append(chunks, c);
        AppendBytes(chunks, name);
        clipOffset += static_cast<std::uint64_t>(bytes);
    }
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const std::int64_t bytes = i < originalBytes.size() ? originalBytes[i] : 0;
        if (!slides[i].Original() || bytes <= 0)
            continue;
        const std::string name = ClipNameToStore(slides[i].Original()->Name);
        OriginalChunk c{};
        c.Index = static_cast<std::uint32_t>(i);
        c.Offset = clipOffset;
        c.Bytes = static_cast<std::uint64_t>(bytes);
        // A reader that knows no steps draws an edited photo from its working picture.
        const OriginalPhoto& original = *slides[i].Original();
        const bool steps = !original.Edited && !original.Steps.empty();
        c.Edited = original.Edited || steps ? 1 : 0;
        c.NameBytes = static_cast<std::uint32_t>(name.size());
        std::vector<std::uint8_t> stepBytes;
        if (steps)
            AppendPhotoSteps(stepBytes, original.Steps);
        AppendHeader(chunks, kOriginalTag, sizeof c + name.size() + stepBytes.size());
        Append(chunks, c);
        AppendBytes(chunks, name);
        chunks.insert(chunks.end(), stepBytes.begin(), stepBytes.end());
        clipOffset += static_cast<std::uint64_t>(bytes);
    }
    if (chunks.empty())
        return {};
    std::vector<std::uint8_t> block;
    block.reserve(sizeof(ExtensionHeader) + chunks.size() + 4);
    ExtensionHeader h{};
    h.Magic = kMagic;
    h.Version = kExtensionVersion;
    h.Flags = 0;
    h.ChunkBytes = static_cast<std::uint32_t>(chunks.size());
    Append(block, h);
    block.insert(block.end(), chunks.begin(), chunks.end());
    Append(block, base::le_u32(Crc(block.data(), block.size())));
    return block;
}

std::size_t MaxExtensionBytes(std::size_t slideCount, std::size_t trackCount) {
    // Room for every known chunk of every item several times over, and for later chunk types,
    // plus each item's longest exact texts.
    constexpr std::size_t kSlideTexts = sizeof(ExtensionChunkHeader) + sizeof(SlideTextsChunk) +
                                        Utf8Bytes(imaging::kMaxCaptionCharacters) +
                                        Utf8Bytes(imaging::kMaxFontCharacters);
    constexpr std::size_t kTrackTitle =
        sizeof(ExtensionChunkHeader) + 4 + Utf8Bytes(kMaxTitleCharacters);
    constexpr std::size_t kTitle = sizeof(ExtensionChunkHeader) + sizeof(TitleChunk) +
                                   2 * Utf8Bytes(imaging::kMaxTitleCardCharacters);
    // A clip and an original, each with its longest name.
    constexpr std::size_t kClip = 2 * sizeof(ExtensionChunkHeader) + sizeof(ClipChunk) +
                                  sizeof(OriginalChunk) + 2 * Utf8Bytes(kMaxClipNameCharacters);
    return 64 * 1024 + (slideCount + trackCount) * 1024 +
           slideCount * (kSlideTexts + kTitle + kClip + MaxPhotoStepBytes()) +
           trackCount * kTrackTitle;
}

std::uint64_t ExtensionBlockLength(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(ExtensionHeader))
        return 0;
    ExtensionHeader h;
    std::memcpy(&h, data, sizeof h);
    if (h.Magic != kMagic)
        return 0;
    return sizeof(ExtensionHeader) + std::uint64_t{h.ChunkBytes.get()} + 4;
}

base::Result<ShowExtension> ReadExtensionBlock(const std::uint8_t* data, std::size_t size,
                                               std::size_t slideCount, std::size_t trackCount) {
    if (size < sizeof(ExtensionHeader) + 4)
        return base::Fail("the extension block is truncated");
    if (size > MaxExtensionBytes(slideCount, trackCount))
        return base::Fail("the extension block is larger than the show can need");
    ExtensionHeader h;
    std::memcpy(&h, data, sizeof h);
    if (h.Magic != kMagic)
        return base::Fail("the data after the last track is not an extension block");
    if (h.Version.get() > kExtensionVersion)
        return base::Fail("the extension block was written by a later version (" +
                          std::to_string(h.Version.get()) + ")");
    const std::size_t chunkBytes = h.ChunkBytes;
    if (chunkBytes != size - sizeof(ExtensionHeader) - 4)
        return base::Fail("the extension block's length does not match the file");
    base::le_u32 stored;
    std::memcpy(&stored, data + size - 4, 4);
    if (stored.get() != Crc(data, size - 4))
        return base::Fail("the extension block fails its checksum");

    ShowExtension ext;
    const std::uint8_t* p = data + sizeof(ExtensionHeader);
    std::size_t left = chunkBytes;
    while (left > 0) {
        if (left < sizeof(ExtensionChunkHeader))
            return base::Fail("the extension block ends inside a chunk header");
        ExtensionChunkHeader ch;
        std::memcpy(&ch, p, sizeof ch);
        p += sizeof ch;
        left -= sizeof ch;
        const std::uint32_t length = ch.Length;
        if (length > left)
            return base::Fail("an extension chunk runs past the block");
        bool fits = true;
        if (ch.Type == kShowTag) {
            ShowOptionsChunk c;
            if ((fits = ReadPayload(p, length, c))) {
                ext.Options.TrackCrossfadeSeconds =
                    InRange(c.TrackCrossfadeSeconds, 0.0, kMaxFadeSeconds, 0.0);
                ext.Options.EndFadeSeconds = InRange(c.EndFadeSeconds, 0.0, kMaxFadeSeconds, 0.0);
                ext.Options.EvenLoudness = c.EvenLoudness == 1;
            }
            ShowPhotoSizeChunk size;
            if (fits && length >= sizeof(ShowChunk)) {
                std::memcpy(&size, p + sizeof(ShowOptionsChunk), sizeof size);
                const int w = size.Width, h = size.Height;
                if (w > 0 && h > 0 && w <= kMaxStoredPhotoSide && h <= kMaxStoredPhotoSide)
                    ext.PhotoSize = std::to_string(w) + "x" + std::to_string(h);
            }
        } else if (ch.Type == kOutputTag) {
            OutputChunk c;
            if ((fits = ReadPayload(p, length, c)))
                ext.Options.Output = FromChunk(c);
        } else if (ch.Type == kSlideTag) {
            SlideChunk c;
            if ((fits = ReadPayload(p, length, c)) && c.Index.get() < slideCount) {
                StoredSlideExtension stored = FromChunk(c);
                SlideMotionCoverChunk cover;
                if (ReadPayload(p, length, cover)) {
                    stored.Ext.Motion.Start.Cover = (cover.Cover & 1) != 0;
                    stored.Ext.Motion.End.Cover = (cover.Cover & 2) != 0;
                }
                ext.Slides.emplace_back(c.Index.get(), stored);
            }
        } else if (ch.Type == kTrackTag) {
            TrackChunk c;
            if ((fits = ReadPayload(p, length, c)) && c.Index.get() < trackCount)
                ext.Tracks.emplace_back(c.Index.get(), FromChunk(c));
        } else if (ch.Type == kSlideTextsTag) {
            SlideTextsChunk c;
            fits = ReadPayload(p, length, c) &&
                   std::uint64_t{c.TextBytes} + c.FontBytes <= length - sizeof c;
            if (fits && c.Index.get() < slideCount) {
                const std::uint8_t* text = p + sizeof c;
                auto caption = ExactText(text, c.TextBytes, imaging::kMaxCaptionCharacters);
                auto font = ExactText(text + c.TextBytes, c.FontBytes, imaging::kMaxFontCharacters);
                if (caption && font && !font->empty())
                    ext.SlideTexts.push_back(
                        {c.Index.get(), {std::move(*caption), std::move(*font)}});
            }
        } else if (ch.Type == kFacesTag) {
            FacesChunk c;
            std::optional<std::vector<imaging::FaceBox>> faces;
            fits = ReadPayload(p, length, c) && (faces = ReadFaces(p, length, c.Count)).has_value();
            if (fits && c.Index.get() < slideCount)
                ext.Faces.emplace_back(c.Index.get(), std::move(*faces));
        } else if (ch.Type == kTitleTag) {
            TitleChunk c;
            if ((fits = ReadPayload(p, length, c)) && c.Index.get() < slideCount)
                if (auto title = ReadTitle(c, p, length))
                    ext.Titles.emplace_back(c.Index.get(), std::move(*title));
        } else if (ch.Type == kCaptionMotionTag) {
            CaptionMotionChunk c;
            if ((fits = ReadPayload(p, length, c)) && c.Index.get() < slideCount)
                if (auto motion = MotionOf(c.Motion))
                    ext.CaptionMotions.emplace_back(c.Index.get(), *motion);
        } else if (ch.Type == kClipTag) {
            ClipChunk c;
            if ((fits = ReadPayload(p, length, c)) && c.Index.get() < slideCount)
                if (auto clip = ReadClip(c, p, length))
                    ext.Clips.emplace_back(c.Index.get(), std::move(*clip));
        } else if (ch.Type == kOriginalTag) {
            OriginalChunk c;
            fits = ReadPayload(p, length, c) && c.NameBytes.get() <= length - sizeof c;
            if (fits && c.Index.get() < slideCount && c.Bytes.get() > 0)
                if (auto name = ExactText(p + sizeof c, c.NameBytes, kMaxClipNameCharacters)) {
                    StoredOriginal stored;
                    stored.Settings.Name = std::move(*name);
                    stored.Settings.Edited = c.Edited != 0;
                    // Steps that say the edits let the original be drawn with them.
                    const std::size_t named = sizeof c + c.NameBytes.get();
                    if (stored.Settings.Edited && length > named)
                        if (auto steps = ReadPhotoSteps(p + named, length - named);
                            steps && !steps->empty()) {
                            stored.Settings.Steps = std::move(*steps);
                            stored.Settings.Edited = false;
                        }
                    stored.Offset = c.Offset;
                    stored.Bytes = c.Bytes;
                    ext.Originals.emplace_back(c.Index.get(), std::move(stored));
                }
        } else if (ch.Type == kTrackTitleTag) {
            base::le_u32 index;
            if ((fits = ReadPayload(p, length, index)) && index.get() < trackCount)
                if (auto title = ExactText(p + 4, length - 4, kMaxTitleCharacters))
                    ext.TrackTitles.emplace_back(index.get(), std::move(*title));
        }
        if (!fits)
            return base::Fail("an extension chunk is shorter than its type needs");
        p += length;
        left -= length;
    }
    return ext;
}

} // namespace project
