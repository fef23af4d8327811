// Fuzzes the reader of the show file's extension block. The first two bytes choose how many
// photos and tracks the show holds, so entries past the counts are exercised too. Output settings
// read must be within their ranges and come back the same from a block written with them. Exact
// texts ("UTXT", "UTRK") must come out as valid UTF-8 within their limits, and title slides
// ("TITL") within theirs, written again the same; so are collages ("COLL"), whose photos must be
// two to four with valid names, and faces inside the picture.
#include "project/ExtensionBlock.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t slides = data[0];
    const std::size_t tracks = data[1];
    auto read = project::ReadExtensionBlock(data + 2, size - 2, slides, tracks);
    if (!read)
        return 0;
    // Exact texts that win are valid UTF-8 within the limits a slide or track holds.
    const auto valid = [](const std::string& text, int maxCharacters) {
        const QString decoded = QString::fromStdString(text);
        return decoded.toStdString() == text &&
               decoded.toStdU32String().size() <= std::size_t(maxCharacters);
    };
    // What was read names only items the show holds, with values in their ranges.
    for (const auto& [index, stored] : read->Slides) {
        if (index >= slides)
            __builtin_trap();
        if (const auto& e = stored.Ext)
            if (e->Ext.Motion.Start.Z < 1.0 || e->Ext.Motion.End.Z < 1.0 || e->StillMs < 0 ||
                e->StillMs > project::kMaxSlideMs || e->TransitionMs < 0 ||
                e->TransitionMs > project::kMaxSlideMs)
                __builtin_trap();
        if (const auto& texts = stored.Texts)
            if (!valid(texts->Text, imaging::kMaxCaptionCharacters) || texts->Font.empty() ||
                !valid(texts->Font, imaging::kMaxFontCharacters))
                __builtin_trap();
        if (const auto& motion = stored.CaptionMotion)
            if (static_cast<int>(*motion) >= imaging::kTextMotionCount ||
                *motion == imaging::TextMotion::None)
                __builtin_trap();
        // Title slides: valid texts, colours and kinds in range, and the same title back from
        // a block written with it.
        if (const auto& t = stored.Title) {
            if (!valid(t->Title, imaging::kMaxTitleCardCharacters) ||
                !valid(t->Subtitle, imaging::kMaxTitleCardCharacters) || t->Color1 < 0 ||
                t->Color1 > 0xFFFFFF || t->Color2 < 0 || t->Color2 > 0xFFFFFF || t->TextColor < 0 ||
                t->TextColor > 0xFFFFFF ||
                static_cast<int>(t->Motion) >= imaging::kTextMotionCount ||
                static_cast<int>(t->Backdrop) > static_cast<int>(imaging::TitleBackdrop::Blur))
                __builtin_trap();
            project::Slide slide;
            slide.Body = *t;
            const auto block = project::WriteExtensionBlock({slide}, {}, project::ShowOptions{});
            const auto again = project::ReadExtensionBlock(block.data(), block.size(), 1, 0);
            if (!again || !(again->Slides.at(0).Title == t))
                __builtin_trap();
        }
        // Collages: two to four photos with valid names and faces inside the picture, or none
        // when damaged; the same collage back from a block written with it.
        if (const auto& c = stored.Collage) {
            if (static_cast<int>(c->Layout) > static_cast<int>(project::CollageLayout::Feature) ||
                c->Gap < 0 || c->Gap > project::kMaxCollageGap)
                __builtin_trap();
            if (c->Damaged ? !c->Photos.empty()
                           : c->Photos.size() < project::kMinCollagePhotos ||
                                 c->Photos.size() > project::kMaxCollagePhotos)
                __builtin_trap();
            project::CollageSettings collage{c->Layout, c->Gap, {}};
            project::KeptFileBytes bytes;
            for (const auto& p : c->Photos) {
                if (!valid(p.Photo.Name, project::kMaxClipNameCharacters) || p.Bytes == 0 ||
                    p.Photo.Faces.size() > imaging::kMaxFaces)
                    __builtin_trap();
                for (const imaging::FaceBox& f : p.Photo.Faces)
                    if (f.IsEmpty() || f.X < 0 || f.Y < 0 || f.X + f.W > 1.0 + 1e-9 ||
                        f.Y + f.H > 1.0 + 1e-9)
                        __builtin_trap();
                collage.Photos.push_back(p.Photo);
                collage.Photos.back().File = std::to_string(collage.Photos.size());
                bytes[collage.Photos.back().File] = static_cast<std::int64_t>(p.Bytes >> 1) + 1;
            }
            if (!c->Damaged) {
                project::Slide slide;
                slide.Body = collage;
                const auto block = project::WriteExtensionBlock({slide}, {}, {}, {}, bytes);
                const auto again = project::ReadExtensionBlock(block.data(), block.size(), 1, 0);
                if (!again || !again->Slides.at(0).Collage)
                    __builtin_trap();
                const project::StoredCollage& back = *again->Slides.at(0).Collage;
                if (back.Layout != c->Layout || back.Gap != c->Gap ||
                    back.Photos.size() != c->Photos.size())
                    __builtin_trap();
                // Faces are stored in 65535ths: a box clamped to the picture comes back within one.
                const auto near = [](const imaging::FaceBox& a, const imaging::FaceBox& b) {
                    return std::abs(a.X - b.X) < 1e-4 && std::abs(a.Y - b.Y) < 1e-4 &&
                           std::abs(a.W - b.W) < 1e-4 && std::abs(a.H - b.H) < 1e-4;
                };
                for (std::size_t k = 0; k < back.Photos.size(); ++k) {
                    const project::CollagePhoto& was = c->Photos[k].Photo;
                    const project::CollagePhoto& is = back.Photos[k].Photo;
                    if (is.Name != was.Name || !(is.Steps == was.Steps) ||
                        is.Faces.size() != was.Faces.size() ||
                        !std::equal(is.Faces.begin(), is.Faces.end(), was.Faces.begin(), near))
                        __builtin_trap();
                }
            }
        }
    }
    for (const auto& [index, stored] : read->Tracks) {
        if (index >= tracks)
            __builtin_trap();
        if (stored.Ext && (stored.Ext->FadeInSeconds < 0 || stored.Ext->FadeInSeconds > 10))
            __builtin_trap();
        if (stored.Title && !valid(*stored.Title, project::kMaxTitleCharacters))
            __builtin_trap();
    }
    const project::OutputSettings& out = read->Options.Output;
    if (!(project::ClampedOutputSettings(out) == out))
        __builtin_trap();
    if (!out.IsDefault()) {
        project::ShowOptions options;
        options.Output = out;
        const auto block = project::WriteExtensionBlock({}, {}, options);
        const auto again = project::ReadExtensionBlock(block.data(), block.size(), 0, 0);
        if (!again || !(again->Options.Output == out))
            __builtin_trap();
    }
    return 0;
}
