#include "project/SlideKind.h"

#include "base/Overloaded.h"

namespace project {

KindTraits TraitsOf(const SlideBody& body) {
    return std::visit(
        base::Overloaded{
            [](const PhotoBody&) {
                return KindTraits{
                    SlideKind::Photo, "photo", true, true, false, false, false, true, ""};
            },
            [](const ClipSettings&) {
                return KindTraits{
                    SlideKind::Clip,
                    "clip",
                    false,
                    false,
                    true,
                    true,
                    true,
                    true,
                    "a clip is shown as it was filmed: it cannot be cropped, turned or "
                    "coloured; its caption, times and sound can be changed"};
            },
            [](const imaging::TitleSettings&) {
                return KindTraits{SlideKind::Title,
                                  "title",
                                  false,
                                  false,
                                  false,
                                  false,
                                  true,
                                  false,
                                  "a title slide has no photo to crop, caption, turn or colour; "
                                  "its text is edited as a title"};
            },
            [](const CollageSettings&) {
                return KindTraits{SlideKind::Collage,
                                  "collage",
                                  false,
                                  false,
                                  false,
                                  false,
                                  true,
                                  true,
                                  "a collage's photos are kept as they came in: it cannot be "
                                  "cropped, turned or coloured as a whole; its layout, photos, "
                                  "caption and times can be changed"};
            },
        },
        body);
}

const OriginalPhoto* Slide::Original() const {
    const PhotoBody* photo = Photo();
    return photo && photo->Original ? &*photo->Original : nullptr;
}

OriginalPhoto* Slide::Original() {
    PhotoBody* photo = Photo();
    return photo && photo->Original ? &*photo->Original : nullptr;
}

const std::optional<std::vector<imaging::FaceBox>>* Slide::Faces() const {
    const PhotoBody* photo = Photo();
    return photo ? &photo->Faces : nullptr;
}

std::vector<imaging::FaceBox> FacesOf(const Slide& slide) {
    const auto* faces = slide.Faces();
    return faces && *faces ? **faces : std::vector<imaging::FaceBox>{};
}

std::string Slide::DrawableOriginal() const {
    const OriginalPhoto* original = Original();
    return original && !original->Edited ? original->File : std::string();
}

} // namespace project
