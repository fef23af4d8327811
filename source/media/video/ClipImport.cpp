#include "media/video/ClipImport.h"

#include "media/video/ClipFrames.h"
#include "media/video/ClipInput.h"

#include <filesystem>
#include <system_error>

namespace media {

namespace fs = std::filesystem;

project::ImportResult<project::AddedPhoto> AddClip(project::ShowContent& into,
                                                   const project::WorkFiles& files,
                                                   const project::PhotoSettings& photos,
                                                   const std::string& path,
                                                   const project::ThumbnailMade& thumbnailMade) {
    using Result = project::ImportResult<project::AddedPhoto>;
    const std::string ext = project::ExtensionOf(path);
    if (!project::IsClipExtension(ext))
        return Result(project::ImportNote::Skip("not a video clip: " + path));
    auto frames = ClipFrames::OpenFile(path);
    if (!frames)
        return Result(project::ImportNote::Skip(frames.error()));
    const ClipInfo info = (*frames)->Info();
    if (info.DurationMs < project::kMinClipMs)
        return Result(project::ImportNote::Skip(ClipName(path) + ": the clip is too short"));
    if (info.DurationMs > project::kMaxSlideMs)
        return Result(project::ImportNote::Skip(ClipName(path) + ": the clip is too long"));
    auto poster = (*frames)->FrameAt(0);
    if (!poster)
        return Result(project::ImportNote::Skip(poster.error()));
    imaging::Bitmap picture = **poster;
    frames->reset();

    // The clip's own bytes, copied whole (the kernel streams them; nothing is held in memory).
    const std::string copy = files.MakePictureName(ext);
    if (copy.empty())
        return base::Fail("all " + std::to_string(project::kMaxWorkNames) +
                          " working names for clips are taken");
    std::error_code ec;
    if (!fs::copy_file(fs::path(path), fs::path(copy), fs::copy_options::overwrite_existing, ec)) {
        fs::remove(copy, ec);
        return base::Fail("cannot write the working copy of " + path + ": " + ec.message());
    }
    auto added = project::AddPicture(into, files, photos, std::move(picture), path, thumbnailMade);
    if (!project::Added(added)) {
        fs::remove(copy, ec);
        return added;
    }
    project::Slide& slide = into.Slides[added->Item.Index];
    project::ClipSettings clip;
    clip.File = copy;
    clip.Name = ClipName(path);
    clip.LengthMs = info.DurationMs;
    clip.OutMs = info.DurationMs;
    slide.Body = clip;
    slide.StillMs = clip.TrimmedMs();
    return added;
}

project::ImportResult<project::AddedPhoto>
AddPhotoOrClip(project::ShowContent& into, const project::WorkFiles& files,
               const project::PhotoSettings& photos, const std::string& path,
               const project::ThumbnailMade& thumbnailMade, project::FaceSearch faces,
               project::OriginalCopy original) {
    if (project::IsClipExtension(project::ExtensionOf(path)))
        return AddClip(into, files, photos, path, thumbnailMade);
    return project::AddPhoto(into, files, photos, path, thumbnailMade, faces, original);
}

} // namespace media
