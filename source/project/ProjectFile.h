// The project file (.qvs): a 16-byte header, the photo and track records, two tables of 64-bit
// sizes and the bytes of every working copy, streamed through one 512 KiB buffer. Loading imports
// every embedded file again through the normal import.
#pragma once

#include "base/Endian.h"
#include "base/Job.h"
#include "base/Result.h"
#include "project/Import.h"
#include "project/ShowModel.h"
#include "project/WorkFiles.h"

#include <cstdint>
#include <functional>
#include <string>

namespace project {

struct ProjectHeader {
    base::le_i32 FormatNumber; // 1 when written; any value <= 1 is read
    base::le_u32 Prefix;       // the writer's WorkPrefix
    base::le_i32 PhotoCount;   // N
    base::le_i32 TrackCount;   // M
};
static_assert(sizeof(ProjectHeader) == 16);

constexpr std::size_t kProjectBlockSize = 524288;

// Size of a working copy as a true 64-bit count; 0 when the file is missing.
std::int64_t FileSize64(const std::string& path);

// What a save that did not fail did; a failure is the result's error, naming the file and the
// system's reason.
enum class SaveOutcome { Saved, NothingToSave, Cancelled };
using SaveResult = base::Result<SaveOutcome>;

// Writes the show to path. The file is written beside path under a temporary name and renamed
// over path only when complete, so a failed or cancelled save leaves an existing file intact.
// A link is followed; a path that exists and is not a regular file is refused, and so is a
// show whose working copies are not all there.
// It lists the records as they were when it started and commits only when every listed file was
// written whole. Cancel (progress.Cancelled(), checked before each photo) writes nothing.
SaveResult SaveProject(const ShowModel& show, const std::string& path, base::Progress& progress);

// How a load brings each embedded file back: the caller's import of one photo or track file
// (the main window also builds the storyboard cells). A skipped file leaves its item out; a
// failed one (its working copy could not be written) fails the load with its message.
struct ImportHooks {
    std::function<ImportStatus(const std::string& path)> AddPhoto;
    std::function<ImportStatus(const std::string& path)> AddTrack;
    // Runs for each loaded track whose file stored no loudness (an older show, or a track that
    // could not be measured when it was saved): measures it into track.Ext. Tracks with stored
    // values keep them and are not decoded again. Unset: they stay unmeasured.
    std::function<void(Track& track, base::Progress& progress)> MeasureTrack;
    // Hears, before any photo is imported, the size the file's photos were made at (when the
    // file says), so the imports may fit them to it where no setting chose a size.
    std::function<void(const std::string& photoSize)> PhotoSizeKnown;
};

// What a load that did not fail brought; a failure is the result's error (what is not a project
// file, a later format, a damaged file, a copy that could not be written), with its reason.
enum class LoadOutcome { Loaded, Cancelled };

struct LoadReport {
    LoadOutcome Outcome = LoadOutcome::Loaded;
    // Said once after a load that went through without some of the file's data (a damaged
    // extension block); "" when everything was read.
    std::string Warning;
    // The photo size the file's photos were made at ("" when it does not say).
    std::string PhotoSize;
};
using LoadResult = base::Result<LoadReport>;

// Fills `show` with the file's content, its working copies made in `files` (whose prefix
// becomes the file's). What is not a regular file, a later format, or a file whose tables do not
// fit its length, is refused before the open show is touched. A read or write error while the
// files are copied out and imported again (a full disk) leaves an empty show and fails with the
// message. Cancel (checked before each photo) leaves an empty show and is not a failure. Only the
// show's own working copies are removed, so another show may share the folders (see
// OpenProjectOver).
LoadResult LoadProject(ShowContent& show, WorkFiles& files, const std::string& path,
                       base::Progress& progress, const ImportHooks& hooks);

// True for the track extensions a stored record may name: ".mp3", ".ogg", ".wav", any case.
bool IsStoredTrackExtension(const std::string& ext);

} // namespace project
