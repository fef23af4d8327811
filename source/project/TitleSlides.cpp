#include "project/TitleSlides.h"

#include "imaging/Compose.h"
#include "project/SlideEdits.h"

#include <QString>

namespace project {

namespace {

base::Status CheckText(const std::string& text, const char* what, bool required) {
    const QString decoded = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (decoded.toStdString() != text)
        return base::Fail(std::string(what) + " is not valid UTF-8");
    if (required && decoded.trimmed().isEmpty())
        return base::Fail(std::string(what) + " is empty");
    if (decoded.toStdU32String().size() > std::size_t(imaging::kMaxTitleCardCharacters))
        return base::Fail(std::string(what) + " is longer than " +
                          std::to_string(imaging::kMaxTitleCardCharacters) + " characters");
    return {};
}

imaging::Bitmap CardAt(const imaging::TitleSettings& title, const imaging::Bitmap* next,
                       const PhotoSettings& photos) {
    int width = 0, height = 0;
    photos.Size(width, height);
    imaging::Bitmap card = imaging::Bitmap::CreateSized(width, height);
    imaging::DrawTitleCard(card, title, next);
    return card;
}

} // namespace

base::Status ValidateTitle(const imaging::TitleSettings& title) {
    if (auto s = CheckText(title.Title, "the title", true); !s)
        return s;
    if (auto s = CheckText(title.Subtitle, "the subtitle", false); !s)
        return s;
    for (const std::int32_t c : {title.Color1, title.Color2, title.TextColor})
        if (c < 0 || c > 0xFFFFFF)
            return base::Fail("a title colour is outside 000000..FFFFFF");
    return {};
}

imaging::Bitmap TitleCardPicture(const std::vector<Slide>& slides, std::size_t i,
                                 const PhotoSettings& photos) {
    if (i >= slides.size() || !slides[i].Title())
        return {};
    const imaging::TitleSettings& title = *slides[i].Title();
    std::optional<imaging::Bitmap> next;
    if (title.Backdrop == imaging::TitleBackdrop::Blur && i + 1 < slides.size())
        if (auto read = imaging::LoadSlidePicture(slides[i + 1].WorkFile))
            next = std::move(*read);
    return CardAt(title, next ? &*next : nullptr, photos);
}

base::Status WriteTitleCard(const std::vector<Slide>& slides, std::size_t i,
                            const PhotoSettings& photos) {
    const imaging::Bitmap card = TitleCardPicture(slides, i, photos);
    if (card.IsEmpty())
        return base::Fail("cannot draw the title card of slide " + std::to_string(i + 1));
    return SaveWorkPicture(slides[i].WorkFile, card);
}

base::Status EditTitle(ShowContent& show, std::size_t i, const imaging::TitleSettings& title,
                       const PhotoSettings& photos) {
    if (i >= show.Slides.size() || !show.Slides[i].Title())
        return base::Fail("slide " + std::to_string(i + 1) + " is not a title slide");
    if (auto valid = ValidateTitle(title); !valid)
        return valid;
    const imaging::TitleSettings was = *show.Slides[i].Title();
    *show.Slides[i].Title() = title;
    if (auto drawn = WriteTitleCard(show.Slides, i, photos); !drawn) {
        *show.Slides[i].Title() = was;
        return drawn;
    }
    return {};
}

base::Result<Slide> MakeTitleSlide(const std::vector<Slide>& slides, std::size_t before,
                                   const imaging::TitleSettings& title, std::int64_t stillMs,
                                   const WorkFiles& files, const PhotoSettings& photos) {
    if (auto valid = ValidateTitle(title); !valid)
        return base::Fail(valid.error());
    if (before > slides.size())
        return base::Fail("no place " + std::to_string(before + 1) + " in a show of " +
                          std::to_string(slides.size()) + " slides");
    if (stillMs < 0 || stillMs > kMaxSlideMs)
        return base::Fail("the title's time is outside 0.." + std::to_string(kMaxSlideMs / 1000) +
                          " seconds");
    Slide slide = Slide::MakeDefault();
    slide.StillMs = stillMs;
    slide.Body = title;
    slide.WorkFile = files.MakePictureName(".bmp");
    if (slide.WorkFile.empty())
        return base::Fail("no free name for the title's working picture");
    // Drawn as it will stand: before the slide that is now at `before`.
    std::vector<Slide> placed = slides;
    placed.insert(placed.begin() + static_cast<std::ptrdiff_t>(before), slide);
    if (auto written = WriteTitleCard(placed, before, photos); !written)
        return base::Fail(written.error());
    return slide;
}

} // namespace project
