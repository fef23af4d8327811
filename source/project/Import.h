// Bringing photos into the show: decode by extension, fit to the output resolution, store the
// working BMP and make the 90x90 thumbnail. Used by the main window, the project loader and the
// command-line tool alike.
#pragma once

#include "base/Job.h"
#include "imaging/Bitmap.h"
#include "project/ShowContent.h"
#include "project/WorkFiles.h"

#include <functional>
#include <string>
#include <vector>

namespace project {

// What became of one file brought into the show.
enum class ImportOutcome {
    Added,   // it is the new last item
    Skipped, // not a file of that kind, or one that cannot be decoded: nothing changed
    Failed,  // its working copy could not be made (a full disk, no free working name): nothing
             // changed, and what imports a batch stops with the message
};

struct ImportStatus {
    ImportOutcome Outcome = ImportOutcome::Skipped;
    std::string Error; // why it was skipped or failed

    bool Added() const { return Outcome == ImportOutcome::Added; }
    explicit operator bool() const { return Added(); }
    bool Failed() const { return Outcome == ImportOutcome::Failed; }
    static ImportStatus Skip(std::string why) { return {ImportOutcome::Skipped, std::move(why)}; }
    static ImportStatus Fail(std::string why) { return {ImportOutcome::Failed, std::move(why)}; }
};

// An import's status with the item it added (meaningful when Added()).
template <typename T> struct Imported : ImportStatus {
    T Item{};

    Imported(ImportStatus status) : ImportStatus(std::move(status)) {} // NOLINT: by design
    Imported(T item) : ImportStatus{ImportOutcome::Added, {}}, Item(std::move(item)) {} // NOLINT
    T* operator->() { return &Item; }
    const T* operator->() const { return &Item; }
    T& operator*() { return Item; }
    const T& operator*() const { return Item; }
};

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
using ThumbnailMade =
    std::function<void(const std::string& workFile, const imaging::Bitmap& thumbnail)>;
Imported<AddedPhoto> AddPhoto(ShowContent& into, const WorkFiles& files,
                              const PhotoSettings& photos, const std::string& path,
                              const ThumbnailMade& thumbnailMade = {});

// Resamples the bitmap in place to the width W (landscape) or height H (portrait, square) with
// the other side in proportion, rounded to nearest with ties to even.
bool FitToResolution(imaging::Bitmap& bitmap, int width, int height);
// The size FitToResolution gives a w x h picture.
imaging::ImageSize FittedSize(int w, int h, int width, int height);

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
    ImportStatus Stopped;   // Failed() when a file's failure stopped the batch, with its reason
};

ImportBatchResult ImportFiles(const ImportBatchOptions& options, base::Progress& progress);

// The photo files directly inside a folder (no sub-folders), by name.
std::vector<std::string> PhotosInFolder(const std::string& folder);

// ".MP3", ".OGG", ".WAV" in any case.
bool IsTrackExtension(const std::string& ext);
// The extension of a path with its dot ("" when none).
std::string ExtensionOf(const std::string& path);

} // namespace project
