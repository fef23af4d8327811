#include "project/Import.h"

#include "base/AtomicFile.h"

#include "imaging/BmpFile.h"
#include "imaging/FaceDetect.h"
#include "imaging/ImageLoad.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace project {

namespace fs = std::filesystem;

namespace {

// round(num / den) for positive values, halves to even.
std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    const std::int64_t r2 = 2 * (num % den);
    if (r2 > den || (r2 == den && (q & 1) != 0))
        ++q;
    return q;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

} // namespace

std::string ExtensionOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return path.substr(dot);
}

bool IsClipExtension(const std::string& ext) {
    const std::string u = Upper(ext);
    return u == ".MP4" || u == ".MOV" || u == ".M4V" || u == ".3GP" || u == ".MKV" ||
           u == ".WEBM" || u == ".AVI";
}

bool IsTrackExtension(const std::string& ext) {
    const std::string u = Upper(ext);
    return u == ".MP3" || u == ".OGG" || u == ".WAV";
}

imaging::ImageSize FittedSize(int w, int h, int width, int height) {
    if (w <= 0 || h <= 0)
        return {};
    if (h < w)
        return {width,
                static_cast<std::int32_t>(RoundHalfEven(static_cast<std::int64_t>(width) * h, w))};
    return {static_cast<std::int32_t>(RoundHalfEven(static_cast<std::int64_t>(height) * w, h)),
            height};
}

bool FitToResolution(imaging::Bitmap& bitmap, int width, int height) {
    if (bitmap.IsEmpty())
        return false;
    const imaging::ImageSize size = FittedSize(bitmap.Width, bitmap.Height, width, height);
    if (size.Width == bitmap.Width && size.Height == bitmap.Height)
        return true;
    imaging::Bitmap target = imaging::Bitmap::CreateUninitialised(size.Width, size.Height);
    if (target.IsEmpty())
        return false;
    bitmap.ScaleBilinear(target);
    bitmap = std::move(target);
    return true;
}

base::Result<imaging::Bitmap> LoadFittedPhoto(const std::string& path, int width, int height) {
    return imaging::LoadImageFileFitted(
        path, [width, height](int w, int h) { return FittedSize(w, h, width, height); });
}

imaging::Bitmap MakeThumbnail(const imaging::Bitmap& fitted) {
    if (fitted.Width == 90 && fitted.Height == 90)
        return fitted;
    const int side = std::min(fitted.Width, fitted.Height);
    if (side < 1)
        return {};
    imaging::Bitmap square = imaging::Bitmap::CreateUninitialised(side, side);
    const int x0 = (fitted.Width - side) / 2;
    const int y0 = (fitted.Height - side) / 2;
    for (int y = 0; y < side; ++y)
        std::copy_n(fitted.Row(y0 + y) + 3 * x0, 3 * side, square.Row(y));
    imaging::Bitmap thumb = imaging::Bitmap::CreateUninitialised(90, 90);
    square.ScaleBilinear(thumb);
    return thumb;
}

ImportResult<AddedPhoto> AddPhoto(ShowContent& into, const WorkFiles& files,
                                  const PhotoSettings& photos, const std::string& path,
                                  const ThumbnailMade& thumbnailMade, FaceSearch faces,
                                  OriginalCopy original) {
    const std::string ext = ExtensionOf(path);
    if (!imaging::IsPhotoExtension(ext))
        return ImportResult<AddedPhoto>(ImportNote::Skip("not a photo: " + path));
    int width = 1280;
    int height = 1024;
    photos.Size(width, height);
    base::Result<imaging::Bitmap> loaded = base::Fail("not decoded");
    try {
        loaded = LoadFittedPhoto(path, width, height);
    } catch (const std::exception& e) {
        return ImportResult<AddedPhoto>(ImportNote::Skip(e.what()));
    }
    if (!loaded)
        return ImportResult<AddedPhoto>(ImportNote::Skip(loaded.error()));
    std::string copy;
    if (original == OriginalCopy::Keep) {
        // The file's own bytes, copied whole by the kernel; a copy that cannot be made costs the
        // slide only its sharper drawing.
        copy = files.MakePictureName(ext);
        std::error_code ec;
        if (!copy.empty() && !fs::copy_file(fs::path(path), fs::path(copy),
                                            fs::copy_options::overwrite_existing, ec)) {
            fs::remove(copy, ec);
            copy.clear();
        }
    }
    auto added = AddPicture(into, files, photos, std::move(*loaded), path, thumbnailMade, faces);
    if (Added(added) && !copy.empty()) {
        const auto slash = path.find_last_of('/');
        into.Slides[added->Item.Index].Photo()->Original = OriginalPhoto{
            copy, slash == std::string::npos ? path : path.substr(slash + 1), false, {}};
    } else if (!copy.empty()) {
        std::error_code ec;
        fs::remove(copy, ec);
    }
    return added;
}

ImportResult<AddedPhoto> AddPicture(ShowContent& into, const WorkFiles& files,
                                    const PhotoSettings& photos, imaging::Bitmap bitmap,
                                    const std::string& path, const ThumbnailMade& thumbnailMade,
                                    FaceSearch faces) {
    using Result = ImportResult<AddedPhoto>;
    int width = 1280;
    int height = 1024;
    photos.Size(width, height);
    try {
        FitToResolution(bitmap, width, height);
        const std::string name = files.MakePictureName(".bmp");
        if (name.empty())
            return base::Fail("all " + std::to_string(kMaxWorkNames) +
                              " working names for photos are taken");
        if (auto saved = imaging::SaveBmpFile(name, bitmap); !saved)
            return base::Fail("cannot write the working copy of " + path + ": " + saved.error());
        AddedPhoto added;
        added.Index = into.Slides.size();
        added.Thumbnail = MakeThumbnail(bitmap);
        Slide s = Slide::MakeDefault();
        s.BackColor = photos.BackColor;
        s.WorkFile = name;
        if (faces == FaceSearch::Find)
            s.Photo()->Faces = imaging::DetectFaces(bitmap);
        if (thumbnailMade)
            thumbnailMade(name, added.Thumbnail);
        into.Slides.push_back(s);
        return Result(std::move(added));
    } catch (const std::exception& e) {
        return Result(ImportNote::Skip(e.what()));
    }
}

bool RefitPicture(const std::string& path, const PhotoSettings& photos) {
    int width = 1280;
    int height = 1024;
    photos.Size(width, height);
    auto loaded = imaging::LoadImageFile(path);
    if (!loaded)
        return false;
    imaging::Bitmap bitmap = std::move(*loaded);
    if (!FitToResolution(bitmap, width, height))
        return false;
    // Replaced by a rename, never rewritten in place: an autosave may still be reading the
    // file's earlier bytes through a link.
    base::AtomicFile file(path);
    if (!file.Open() || !imaging::SaveBmpFile(file.TempPath(), bitmap).ok())
        return false;
    return static_cast<bool>(file.Commit(base::AtomicFile::Durability::WriteBack));
}

ImportBatchResult ImportFiles(const ImportBatchOptions& options, base::Progress& progress) {
    ImportBatchResult result;
    if (options.Paths.empty() || !options.AddOne)
        return result;
    const int total = static_cast<int>(options.Paths.size());
    progress.Open();
    for (const std::string& path : options.Paths) {
        progress.SetItem(result.Done + 1, total);
        // The Cancel pressed while the last file was brought in is seen before the next one.
        progress.Pump();
        if (progress.Cancelled()) {
            result.Cancelled = true;
            break;
        }
        const ImportStatus status = options.AddOne(path);
        ++result.Done;
        if (Added(status))
            ++result.Added;
        if (!status) {
            result.Stopped = base::Fail(status.error());
            break;
        }
    }
    progress.Close();
    return result;
}

std::vector<std::string> PhotosInFolder(const std::string& folder) {
    // File names are taken as the file system's bytes, so none is lost to a conversion.
    std::vector<std::string> photos, clips;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (!it->is_regular_file(e2))
            continue;
        const std::string name = it->path().filename().native();
        const std::string ext = ExtensionOf(name);
        if (imaging::IsPhotoExtension(ext))
            photos.push_back(name);
        else if (IsClipExtension(ext))
            clips.push_back(name);
    }
    const auto stem = [](const std::string& name) {
        return Upper(name.substr(0, name.size() - ExtensionOf(name).size()));
    };
    for (const std::string& clip : clips)
        if (std::none_of(photos.begin(), photos.end(),
                         [&](const std::string& photo) { return stem(photo) == stem(clip); }))
            photos.push_back(clip);
    std::sort(photos.begin(), photos.end());
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    for (auto& name : photos)
        name = prefix + name;
    return photos;
}

} // namespace project
