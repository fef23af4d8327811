// Fuzzes the reader of the show file's extension block. The first two bytes choose how many
// photos and tracks the show holds, so entries past the counts are exercised too. Output settings
// read must be within their ranges and come back the same from a block written with them. Exact
// texts ("UTXT", "UTRK") must come out as valid UTF-8 within their limits, and title slides
// ("TITL") within theirs, written again the same.
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
