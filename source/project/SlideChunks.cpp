// The chunk table's rows for a slide's values beyond its record: "SLID" (exact times, transition
// kind, motion), "UTXT" (the exact caption texts), "FACE" (the faces automatic motion frames on),
// "TITL" (a title slide) and "CMOT" (a moving caption).
#include "project/ChunkTable.h"
#include "project/ExtensionChunks.h"

#include <algorithm>

namespace project {

using namespace extension_chunks;

namespace {

void WriteSlideExtensions(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        const Slide& s = w.Slides[i];
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
        w.Chunk(cover != 0 ? PayloadOf(SlideMotionCoverChunk{c, cover}) : PayloadOf(c));
    }
}

bool ReadSlideExtension(const ChunkReader& r) {
    SlideChunk c;
    if (!r.Prefix(c))
        return false;
    if (StoredSlide* slide = r.Slide(c.Index)) {
        StoredSlideExtension stored = FromChunk(c);
        if (SlideMotionCoverChunk cover; r.Prefix(cover)) {
            stored.Ext.Motion.Start.Cover = (cover.Cover & 1) != 0;
            stored.Ext.Motion.End.Cover = (cover.Cover & 2) != 0;
        }
        slide->Ext = stored;
    }
    return true;
}

// The exact times win over the record's whole seconds.
base::Status LoadTimesAndMotion(const StoredSlide& stored, SlideLoad& load) {
    if (const auto& e = stored.Ext) {
        load.Into.Ext = e->Ext;
        if (e->StillMs > 0)
            load.Into.StillMs = e->StillMs;
        if (e->TransitionMs > 0)
            load.Into.TransitionMs = e->TransitionMs;
    }
    return {};
}

// Exact texts only where the records' code-page text does not say them: a show whose texts the
// code page holds is written as before.
void WriteSlideTexts(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        if (w.Slides[i].RecordHoldsTexts())
            continue;
        const imaging::CaptionSettings& c = w.Slides[i].Caption;
        SlideTextsChunk h{};
        h.Index = static_cast<std::uint32_t>(i);
        h.TextBytes = static_cast<std::uint32_t>(c.Text.size());
        h.FontBytes = static_cast<std::uint32_t>(c.Font.size());
        std::vector<std::uint8_t> payload = PayloadOf(h);
        AppendText(payload, c.Text);
        AppendText(payload, c.Font);
        w.Chunk(payload);
    }
}

bool ReadSlideTexts(const ChunkReader& r) {
    SlideTextsChunk c;
    if (!r.Prefix(c) || std::uint64_t{c.TextBytes} + c.FontBytes > r.Length - sizeof c)
        return false;
    if (StoredSlide* slide = r.Slide(c.Index)) {
        const std::uint8_t* text = r.Data + sizeof c;
        auto caption = ExactText(text, c.TextBytes, imaging::kMaxCaptionCharacters);
        auto font = ExactText(text + c.TextBytes, c.FontBytes, imaging::kMaxFontCharacters);
        if (caption && font && !font->empty())
            slide->Texts = CaptionTexts{std::move(*caption), std::move(*font)};
    }
    return true;
}

// The texts win over the record's code page (the caption's look is checked after every row).
base::Status LoadSlideTexts(const StoredSlide& stored, SlideLoad& load) {
    if (stored.Texts) {
        load.Into.Caption.Text = stored.Texts->Text;
        load.Into.Caption.Font = stored.Texts->Font;
    }
    return {};
}

void WriteFaces(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        const Slide& s = w.Slides[i];
        const auto* faces = s.Faces();
        if (s.Ext.Motion.Mode != imaging::MotionMode::Auto || !faces || !*faces)
            continue;
        FacesChunk h{};
        h.Index = static_cast<std::uint32_t>(i);
        h.Count = static_cast<std::uint32_t>(std::min((*faces)->size(), imaging::kMaxFaces));
        std::vector<std::uint8_t> payload = PayloadOf(h);
        AppendFaceBoxes(payload, **faces);
        w.Chunk(payload);
    }
}

bool ReadFacesChunk(const ChunkReader& r) {
    FacesChunk c;
    if (!r.Prefix(c))
        return false;
    auto faces = ReadFaceBoxes(r.Data + sizeof c, r.Length - sizeof c, c.Count);
    if (!faces)
        return false;
    if (StoredSlide* slide = r.Slide(c.Index))
        slide->Faces = std::move(*faces);
    return true;
}

// Faces belong to a photo; a slide another row gives another body has none.
base::Status LoadFaces(const StoredSlide& stored, SlideLoad& load) {
    if (stored.Faces)
        if (PhotoBody* photo = load.Into.Photo())
            photo->Faces = *stored.Faces;
    return {};
}

void WriteTitles(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        const imaging::TitleSettings* t = w.Slides[i].Title();
        if (!t)
            continue;
        TitleChunk h{};
        h.Index = static_cast<std::uint32_t>(i);
        h.Backdrop = static_cast<std::uint8_t>(t->Backdrop);
        h.Motion = static_cast<std::uint8_t>(t->Motion);
        h.Color1 = t->Color1;
        h.Color2 = t->Color2;
        h.TextColor = t->TextColor;
        h.TitleBytes = static_cast<std::uint32_t>(t->Title.size());
        h.SubtitleBytes = static_cast<std::uint32_t>(t->Subtitle.size());
        std::vector<std::uint8_t> payload = PayloadOf(h);
        AppendText(payload, t->Title);
        AppendText(payload, t->Subtitle);
        w.Chunk(payload);
    }
}

bool ReadTitleChunk(const ChunkReader& r) {
    TitleChunk c;
    if (!r.Prefix(c))
        return false;
    if (StoredSlide* slide = r.Slide(c.Index))
        if (auto title = ReadTitle(c, r.Data, r.Length))
            slide->Title = std::move(*title);
    return true;
}

base::Status LoadTitle(const StoredSlide& stored, SlideLoad& load) {
    if (stored.Title && !load.BodyGiven) {
        load.Into.Body = *stored.Title;
        load.BodyGiven = true;
    }
    return {};
}

void WriteCaptionMotions(BlockWriter& w) {
    for (std::size_t i = 0; i < w.Slides.size(); ++i) {
        const imaging::TextMotion motion = w.Slides[i].Caption.Motion;
        if (motion == imaging::TextMotion::None)
            continue;
        CaptionMotionChunk c{};
        c.Index = static_cast<std::uint32_t>(i);
        c.Motion = static_cast<std::uint8_t>(motion);
        w.Chunk(PayloadOf(c));
    }
}

bool ReadCaptionMotion(const ChunkReader& r) {
    CaptionMotionChunk c;
    if (!r.Prefix(c))
        return false;
    if (StoredSlide* slide = r.Slide(c.Index))
        if (auto motion = MotionOf(c.Motion))
            slide->CaptionMotion = *motion;
    return true;
}

// A caption moves only as the block says.
base::Status LoadCaptionMotion(const StoredSlide& stored, SlideLoad& load) {
    load.Into.Caption.Motion = stored.CaptionMotion.value_or(imaging::TextMotion::None);
    return {};
}

} // namespace

extern const ChunkKind kSlideRow{
    .Tag = {'S', 'L', 'I', 'D'},
    .Write = WriteSlideExtensions,
    .Read = ReadSlideExtension,
    .LoadSlide = LoadTimesAndMotion,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(SlideMotionCoverChunk)},
};

extern const ChunkKind kSlideTextsRow{
    .Tag = {'U', 'T', 'X', 'T'},
    .Write = WriteSlideTexts,
    .Read = ReadSlideTexts,
    .LoadSlide = LoadSlideTexts,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(SlideTextsChunk) +
                          Utf8Bytes(imaging::kMaxCaptionCharacters) +
                          Utf8Bytes(imaging::kMaxFontCharacters)},
};

extern const ChunkKind kFacesRow{
    .Tag = {'F', 'A', 'C', 'E'},
    .Write = WriteFaces,
    .Read = ReadFacesChunk,
    .LoadSlide = LoadFaces,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(FacesChunk) +
                          imaging::kMaxFaces * sizeof(FaceBoxRecord)},
};

extern const ChunkKind kTitleRow{
    .Tag = {'T', 'I', 'T', 'L'},
    .Write = WriteTitles,
    .Read = ReadTitleChunk,
    .LoadSlide = LoadTitle,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(TitleChunk) +
                          2 * Utf8Bytes(imaging::kMaxTitleCardCharacters)},
};

extern const ChunkKind kCaptionMotionRow{
    .Tag = {'C', 'M', 'O', 'T'},
    .Write = WriteCaptionMotions,
    .Read = ReadCaptionMotion,
    .LoadSlide = LoadCaptionMotion,
    .Bound = {.PerSlide = sizeof(ExtensionChunkHeader) + sizeof(CaptionMotionChunk)},
};

} // namespace project
