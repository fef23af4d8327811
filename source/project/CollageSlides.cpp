#include "project/CollageSlides.h"

#include "imaging/FaceDetect.h"
#include "imaging/ImageLoad.h"
#include "project/CollageDrawing.h"
#include "project/Import.h"
#include "project/OriginalDrawing.h"
#include "project/SlideEdits.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace project {

namespace {

constexpr const char* kLayoutNames[] = {"side", "stack", "grid", "feature"};

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Working copies made while a collage is put together, removed unless it is kept.
class MadeCopies {
public:
    ~MadeCopies() {
        std::error_code ec;
        for (const std::string& f : made_)
            fs::remove(f, ec);
    }
    void Add(std::string file) { made_.push_back(std::move(file)); }
    void Keep() { made_.clear(); }

private:
    std::vector<std::string> made_;
};

// The file's bytes copied whole into a new working copy with the same extension.
base::Result<std::string> CopyIn(const std::string& path, const WorkFiles& files,
                                 MadeCopies& made) {
    const std::string copy = files.MakePictureName(ExtensionOf(path));
    if (copy.empty())
        return base::Fail("all working names for photos are taken");
    std::error_code ec;
    if (!fs::copy_file(fs::path(path), fs::path(copy), fs::copy_options::overwrite_existing, ec))
        return base::Fail("cannot copy " + path +
                          " into the show's working folder: " + ec.message());
    made.Add(copy);
    return copy;
}

// The faces of the photo as it is drawn with its steps, found on a copy the detector can search.
base::Result<std::vector<imaging::FaceBox>> FacesOfPhoto(const CollagePhoto& photo) {
    auto drawn = DrawOriginalFile(photo.File, photo.Name, photo.Steps, 0, [](double w, double h) {
        return std::min(1.0, imaging::kDetectSide / std::max({w, h, 1.0}));
    });
    if (!drawn)
        return base::Fail(drawn.error());
    return imaging::DetectFaces(*drawn);
}

// The collage's slide with its record picture drawn at the photo size into a new working file.
base::Result<Slide> Finish(Slide slide, const WorkFiles& files, const PhotoSettings& photos,
                           MadeCopies& made) {
    const CollageSettings& collage = *slide.Collage();
    if (auto valid = ValidateCollage(collage); !valid)
        return base::Fail(valid.error());
    int width = 0;
    int height = 0;
    photos.Size(width, height);
    auto picture = DrawCollagePicture(collage, width, height, slide.BackColor);
    if (!picture)
        return base::Fail(picture.error());
    slide.WorkFile = files.MakePictureName(".bmp");
    if (slide.WorkFile.empty())
        return base::Fail("no free name for the collage's working picture");
    if (auto saved = SaveWorkPicture(slide.WorkFile, *picture); !saved)
        return base::Fail(saved.error());
    made.Keep();
    return slide;
}

} // namespace

std::optional<CollageLayout> ParseCollageLayout(const std::string& name) {
    for (std::size_t i = 0; i < std::size(kLayoutNames); ++i)
        if (name == kLayoutNames[i])
            return static_cast<CollageLayout>(i);
    return std::nullopt;
}

const char* CollageLayoutName(CollageLayout layout) {
    const auto i = static_cast<std::size_t>(layout);
    return i < std::size(kLayoutNames) ? kLayoutNames[i] : "";
}

base::Status ValidateCollage(const CollageSettings& collage) {
    if (collage.Photos.size() < kMinCollagePhotos || collage.Photos.size() > kMaxCollagePhotos)
        return base::Fail("a collage holds " + std::to_string(kMinCollagePhotos) + " to " +
                          std::to_string(kMaxCollagePhotos) + " photos, not " +
                          std::to_string(collage.Photos.size()));
    if (static_cast<std::size_t>(collage.Layout) >= std::size(kLayoutNames))
        return base::Fail("a collage's layout is side, stack, grid or feature");
    if (collage.Gap < 0 || collage.Gap > kMaxCollageGap)
        return base::Fail("a collage's gap is 0.." + std::to_string(kMaxCollageGap) +
                          " thousandths of the frame");
    for (const CollagePhoto& p : collage.Photos)
        if (p.File.empty())
            return base::Fail("a collage's photo has no file");
    return {};
}

base::Result<Slide> MakeCollageFromFiles(const std::vector<std::string>& paths,
                                         CollageLayout layout, const WorkFiles& files,
                                         const PhotoSettings& photos) {
    Slide slide = Slide::MakeDefault();
    slide.BackColor = photos.BackColor;
    CollageSettings collage;
    collage.Layout = layout;
    MadeCopies made;
    for (const std::string& path : paths) {
        if (!imaging::IsPhotoExtension(ExtensionOf(path)))
            return base::Fail("not a photo: " + path);
        auto copy = CopyIn(path, files, made);
        if (!copy)
            return base::Fail(copy.error());
        CollagePhoto photo{*copy, FileNameOf(path), {}, {}};
        auto faces = FacesOfPhoto(photo);
        if (!faces)
            return base::Fail("cannot read " + path + ": " + faces.error());
        photo.Faces = std::move(*faces);
        collage.Photos.push_back(std::move(photo));
    }
    slide.Body = std::move(collage);
    return Finish(std::move(slide), files, photos, made);
}

base::Result<Slide> MakeCollageFromSlides(const std::vector<Slide>& slides,
                                          const std::vector<std::size_t>& picked,
                                          CollageLayout layout, const WorkFiles& files,
                                          const PhotoSettings& photos) {
    if (picked.empty() || picked.front() >= slides.size())
        return base::Fail("no photos picked for the collage");
    const Slide& first = slides[picked.front()];
    Slide slide = Slide::MakeDefault();
    slide.StillMs = first.StillMs;
    slide.TransitionKind = first.TransitionKind;
    slide.TransitionMs = first.TransitionMs;
    slide.Ext.TransitionKind = first.Ext.TransitionKind;
    slide.BackColor = first.BackColor;
    CollageSettings collage;
    collage.Layout = layout;
    MadeCopies made;
    for (const std::size_t i : picked) {
        if (i >= slides.size() || !slides[i].Photo())
            return base::Fail("slide " + std::to_string(i + 1) +
                              " is not a photo: only photos go into a collage");
        const Slide& s = slides[i];
        const bool original = !s.DrawableOriginal().empty();
        auto copy = CopyIn(original ? s.DrawableOriginal() : s.WorkFile, files, made);
        if (!copy)
            return base::Fail(copy.error());
        CollagePhoto photo{*copy,
                           original ? s.Original()->Name
                                    : "photo " + std::to_string(i + 1) + ".bmp",
                           {},
                           {}};
        // Its own edits come along, but not a caption drawn into it: the collage has one caption.
        if (original)
            for (const PhotoStep& step : s.Original()->Steps)
                if (!std::holds_alternative<CaptionStep>(step))
                    photo.Steps.push_back(step);
        auto faces = FacesOfPhoto(photo);
        if (!faces)
            return base::Fail(faces.error());
        photo.Faces = std::move(*faces);
        collage.Photos.push_back(std::move(photo));
    }
    slide.Body = std::move(collage);
    return Finish(std::move(slide), files, photos, made);
}

base::Status EditCollage(ShowContent& show, std::size_t i, const CollageSettings& collage,
                         const PhotoSettings& photos) {
    if (i >= show.Slides.size() || !show.Slides[i].Collage())
        return base::Fail("slide " + std::to_string(i + 1) + " is not a collage");
    if (auto valid = ValidateCollage(collage); !valid)
        return valid;
    int width = 0;
    int height = 0;
    photos.Size(width, height);
    auto picture = DrawCollagePicture(collage, width, height, show.Slides[i].BackColor);
    if (!picture)
        return base::Fail(picture.error());
    if (auto saved = SaveWorkPicture(show.Slides[i].WorkFile, *picture); !saved)
        return saved;
    *show.Slides[i].Collage() = collage;
    return {};
}

} // namespace project
