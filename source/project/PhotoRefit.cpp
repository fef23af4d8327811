#include "project/PhotoRefit.h"

#include "project/Import.h"
#include "project/OriginalDrawing.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace project {

namespace {

// The files a refit made, removed unless the refit went through.
class MadeFiles {
public:
    explicit MadeFiles(const WorkFiles& files) : files_(files) {}
    MadeFiles(const MadeFiles&) = delete;
    MadeFiles& operator=(const MadeFiles&) = delete;
    ~MadeFiles() {
        if (!kept_)
            for (const std::string& path : paths_)
                files_.Remove(path);
    }
    void Add(const std::string& path) { paths_.push_back(path); }
    void Keep() { kept_ = true; }

private:
    const WorkFiles& files_;
    std::vector<std::string> paths_;
    bool kept_ = false;
};

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

base::Result<RefitOutcome> RefitPhotos(const std::vector<Slide>& slides,
                                       const PhotoSettings& current, const WorkFiles& files,
                                       const RefitOptions& options, base::Progress& progress) {
    RefitOutcome outcome;
    if (options.KeepFolder.empty())
        return base::Fail("no folder to keep the pictures in for undo");
    MadeFiles made(files);
    std::map<std::size_t, const FoundOriginal*> found;
    for (const FoundOriginal& f : options.Attach)
        if (f.Slide < slides.size())
            found[f.Slide] = &f;
    int curW = 0, curH = 0, newW = 0, newH = 0;
    current.Size(curW, curH);
    options.Photos.Size(newW, newH);
    const bool resized = curW != newW || curH != newH;
    if (!(options.Photos == current))
        outcome.Edits.push_back(edit::SetPhotoSettings{options.Photos});

    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (progress.Cancelled())
            return base::Fail("cancelled");
        progress.SetItem(static_cast<int>(i) + 1, static_cast<int>(slides.size()));
        Slide slide = slides[i];
        if (!slide.Photo())
            continue;
        bool attached = false;
        if (auto it = found.find(i); it != found.end() && slide.DrawableOriginal().empty()) {
            const std::string& file = it->second->File;
            const std::string copy = files.MakePictureName(ExtensionOf(file));
            std::error_code ec;
            if (copy.empty() || !fs::copy_file(fs::path(file), fs::path(copy), ec))
                return base::Fail("cannot copy " + file + " into the show's working folder" +
                                  (ec ? ": " + ec.message() : std::string()));
            made.Add(copy);
            slide.Photo()->Original = OriginalPhoto{copy, NameOf(file), false, it->second->Steps};
            attached = true;
        }
        if (slide.DrawableOriginal().empty()) {
            ++outcome.Kept;
            continue;
        }
        if (!attached && !resized)
            continue;
        Slide drawn = slide;
        drawn.WorkFile = files.MakePictureName(".bmp");
        if (drawn.WorkFile.empty())
            return base::Fail("all " + std::to_string(kMaxWorkNames) +
                              " working names for photos are taken");
        made.Add(drawn.WorkFile);
        if (auto redrawn = RedrawWorkingPicture(drawn, options.Photos); !redrawn)
            return base::Fail(redrawn.error());
        ParkedFile picture(options.KeepFolder, ParkedFile::UniqueName(".bmp"));
        if (auto parked = picture.MoveIn(drawn.WorkFile); !parked)
            return base::Fail(parked.error());
        progress.Pump();
        outcome.Pictures.push_back(KeptPicture{i, std::move(picture)});
        ++outcome.Redrawn;
        if (attached) {
            ++outcome.Attached;
            outcome.Edits.push_back(edit::SetSlide{i, std::move(slide)});
        }
    }
    made.Keep();
    return outcome;
}

} // namespace project
