// Bringing photos into the show: decode by extension, fit to the output resolution, store the
// working BMP and make the 90x90 thumbnail. Used by the main window, the project loader and the
// command-line tool alike.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "project/ShowContent.h"
#include "project/WorkFiles.h"

#include <functional>
#include <string>
#include <vector>

namespace project {

// What became of one file brought into the show when nothing failed: it was added, or it was
// skipped (not a file of that kind, or one that cannot be decoded: nothing changed) for a reason.
struct ImportNote {
    bool Added = true;
    std::string Skipped; // why it was skipped

    static ImportNote Skip(std::string why) { return {false, std::move(why)}; }
};
// A failure (its working copy could not be made: a full disk, no free working name) is the
// result's error: nothing changed, and what imports a batch stops with the message.
using ImportStatus = base::Result<ImportNote>;

// The note with the item an import added (meaningful when Added).
template <typename T> struct Imported : ImportNote {
    T Item{};

    Imported(ImportNote note) : ImportNote(std::move(note)) {} // NOLINT: a skip converts
    Imported(T item) : Item(std::move(item)) {}                // NOLINT: an item converts
};
template <typename T> using ImportResult = base::Result<Imported<T>>;

// True when the import added its item: neither skipped nor failed.
template <typename N> bool Added(const base::Result<N>& result) {
    return result && result->Added;
}
// Why an import added nothing: its failure or its skip ("" when it added its item).
template <typename N> std::string WhyNot(const base::Result<N>& result) {
    return !result ? result.error() : result->Skipped;
}
// The note alone, for a caller that hears of any kind of import.
template <typename T> ImportStatus StatusOf(const ImportResult<T>& result) {
    if (!result)
        return base::Fail(result.error());
    return ImportNote(*result);
}

struct AddedPhoto {
    std::size_t Index = 0;     // the new last slide of `into`
    imaging::Bitmap Thumbnail; // 90 x 90
};

// Imports one picture file as a new last slide of `into` (a show being built or loaded, or a
// scratch list the caller applies to the open show), its working copy made in `files` at the
// size and with the background `photos` say. Skipped when the extension is not a photo's or
// the file cannot be decoded; Failed when its working copy cannot be written.
// thumbnailMade, when given, hears of the new working copy and its thumbnail just before the
// slide is inserted, so a view can show it without reading the file again.
// faces: Find looks for the faces on the working copy (for automatic motion, FaceDetect.h), as a
// new photo does; a photo coming back from a show file has them stored or not at all.
using ThumbnailMade =
    std::function<void(const std::string& workFile, const imaging::Bitmap& thumbnail)>;
// original: Keep copies the photo's file whole beside its working copy (Slide::Original), as a
// photo the user brings in does; a photo coming back from a show file has it stored or not at all.
enum class FaceSearch { Skip, Find };
enum class OriginalCopy { Skip, Keep };
ImportResult<AddedPhoto> AddPhoto(ShowContent& into, const WorkFiles& files,
                                  const PhotoSettings& photos, const std::string& path,
                                  const ThumbnailMade& thumbnailMade = {},
                                  FaceSearch faces = FaceSearch::Skip,
                                  OriginalCopy original = OriginalCopy::Skip);

// The second half of AddPhoto, for a picture decoded elsewhere (a clip's poster frame): fitted,
// stored as the working copy and added as a new last slide; `path` names it in messages.
ImportResult<AddedPhoto> AddPicture(ShowContent& into, const WorkFiles& files,
                                    const PhotoSettings& photos, imaging::Bitmap bitmap,
                                    const std::string& path,
                                    const ThumbnailMade& thumbnailMade = {},
                                    FaceSearch faces = FaceSearch::Skip);

// Resamples the bitmap in place to the width W (landscape) or height H (portrait, square) with
// the other side in proportion, rounded to nearest with ties to even.
bool FitToResolution(imaging::Bitmap& bitmap, int width, int height);
// The size FitToResolution gives a w x h picture.
imaging::ImageSize FittedSize(int w, int h, int width, int height);
// A photo file decoded and fitted as AddPhoto does it: fitted first and then converted to sRGB
// from the colour space its file names, so a tagged photo's conversion costs only the fitted
// picture's pixels, worked on while a JPEG still decodes (imaging::LoadImageFileFitted).
base::Result<imaging::Bitmap> LoadFittedPhoto(const std::string& path, int width, int height);

// The centre square of a fitted photo at 90 x 90.
imaging::Bitmap MakeThumbnail(const imaging::Bitmap& fitted);

// Reloads a slide's working copy, fits it again and saves it back (after an edit).
bool RefitPicture(const std::string& workFile, const PhotoSettings& photos);

// A batch of files brought into the show one after another (the add dialogs, files dropped on
// the window): a job reporting "item n of N" that stops on Cancel, or at the first file whose
// working copy could not be written.
struct ImportBatchOptions {
    std::vector<std::string> Paths;
    // Brings one file in (the caller's import with whatever it shows for the new item).
    std::function<ImportStatus(const std::string& path)> AddOne;
};

struct ImportBatchResult {
    int Added = 0;          // files that became items
    int Done = 0;           // files handled, added or skipped
    bool Cancelled = false; // stopped by Cancel before the last file
    base::Status Stopped;   // the failure that stopped the batch, with its reason
};

ImportBatchResult ImportFiles(const ImportBatchOptions& options, base::Progress& progress);

// The photo and clip files directly inside a folder (no sub-folders), by name. A clip beside a
// photo of the same name (a phone's moving photo) is left out: the photo stands for it.
std::vector<std::string> PhotosInFolder(const std::string& folder);

// The video clips' containers, in any case: ".MP4", ".MOV", ".M4V", ".3GP", ".MKV", ".WEBM",
// ".AVI".
bool IsClipExtension(const std::string& ext);

// ".MP3", ".OGG", ".WAV" in any case.
bool IsTrackExtension(const std::string& ext);
// The extension of a path with its dot ("" when none).
std::string ExtensionOf(const std::string& path);

} // namespace project
