#include "project/ProjectFile.h"

#include "base/AtomicFile.h"
#include "project/ChunkTable.h"
#include "project/ExtensionBlock.h"
#include "project/FileStreams.h"
#include "project/Import.h"
#include "project/Records.h"
#include "project/SlideEdits.h"
#include "project/TitleSlides.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <sys/stat.h>
#include <vector>

namespace project {

namespace {

int PercentOf(std::size_t done, std::size_t total) {
    return static_cast<int>(std::nearbyint(static_cast<double>(done) * 100.0 / total));
}

template <typename T> base::Status WriteRaw(base::AtomicFile& out, const T& value) {
    return out.Write(&value, sizeof(T));
}

template <typename T> bool ReadRaw(QFile& in, T& value) {
    return in.read(reinterpret_cast<char*>(&value), sizeof(T)) == static_cast<qint64>(sizeof(T));
}

// The extension of a stored working path, whichever system wrote it: text after the last dot
// of the last path element.
std::string StoredExtension(const std::string& path) {
    const auto sep = path.find_last_of("/\\");
    const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::int32_t Clamp(std::int32_t v, std::int32_t lo, std::int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

constexpr std::int32_t kMaxSeconds = 24 * 3600;

// The bytes the block keeps after it, in the file being loaded, copied out into working copies.
class FileMedia final : public KeptMedia {
public:
    FileMedia(QFile& in, std::int64_t area, std::int64_t fileSize, const WorkFiles& files,
              std::vector<char>& buffer, base::Progress& progress, std::string& warning)
        : in_(in), area_(area), room_(static_cast<std::uint64_t>(fileSize - area)), files_(files),
          buffer_(buffer), progress_(progress), warning_(warning) {}

    bool Whole(std::uint64_t offset, std::uint64_t bytes) const override {
        return offset <= room_ && bytes <= room_ - offset;
    }
    base::Result<std::string> CopyOut(std::uint64_t offset, std::uint64_t bytes,
                                      const std::string& name, bool clip) override {
        return CopyStoredOut(in_, area_, offset, bytes, name, clip, files_, buffer_, progress_);
    }
    void Remove(const std::string& path) override { RemoveFile(path); }
    void Warn(const std::string& message) override {
        if (warning_.empty())
            warning_ = message;
    }

private:
    QFile& in_;
    std::int64_t area_;
    std::uint64_t room_;
    const WorkFiles& files_;
    std::vector<char>& buffer_;
    base::Progress& progress_;
    std::string& warning_;
};

} // namespace

bool IsStoredTrackExtension(const std::string& ext) {
    return IsTrackExtension(ext);
}

std::int64_t FileSize64(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return static_cast<std::int64_t>(st.st_size);
}

SaveResult SaveProject(const ShowModel& show, const std::string& path, base::Progress& progress) {
    // The save works from the records as they are now: nothing that happens while events are
    // pumped (a drop, a command, a close) can change what this file lists.
    const std::vector<Slide> slides = show.Slides();
    const std::vector<Track> sounds = show.Sounds();
    const ShowOptions options = show.Options();
    const std::string photoSize = show.Photos().Resolution;
    if (slides.empty())
        return SaveOutcome::NothingToSave;
    progress.SetPosition(0);
    progress.Open();
    progress.Pump();

    auto fail = [&](std::string message) -> SaveResult {
        progress.Close();
        return base::Fail(std::move(message));
    };

    // A title slide's record holds its card as a photo, drawn now so it shows the title as it is
    // (an undo or a change of the next photo leaves an older card behind).
    for (std::size_t i = 0; i < slides.size(); ++i)
        if (slides[i].Title())
            if (auto drawn = WriteTitleCard(slides, i, show.Photos()); !drawn)
                return fail(drawn.error());

    // Every listed working copy must be there: a file that lists a missing item would lose it.
    std::vector<std::int64_t> photoSizes;
    std::vector<std::int64_t> trackSizes;
    for (auto* sizes : {&photoSizes, &trackSizes}) {
        const bool photos = sizes == &photoSizes;
        const std::size_t count = photos ? slides.size() : sounds.size();
        for (std::size_t i = 0; i < count; ++i) {
            const std::string work = photos ? slides[i].WorkFile : sounds[i].WorkFile;
            struct stat st {};
            const bool there = ::stat(work.c_str(), &st) == 0;
            if (!there || !S_ISREG(st.st_mode))
                return fail(std::string("the working copy of ") + (photos ? "photo " : "track ") +
                            std::to_string(i + 1) + " (" + work +
                            ") is missing: " + (there ? std::string("not a regular file") : Why()));
            sizes->push_back(static_cast<std::int64_t>(st.st_size));
        }
    }

    // The files the block keeps whole after it (a clip's, an original's, a collage's photos) must
    // be there too; only an original that is gone is left out (the working copy shows the photo).
    KeptFileBytes keptBytes;
    for (std::size_t i = 0; i < slides.size(); ++i)
        for (const KeptFile& kept : KeptFilesOf(slides[i], i)) {
            struct stat st {};
            if (::stat(kept.Path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
                keptBytes[kept.Path] = static_cast<std::int64_t>(st.st_size);
            else if (kept.Required)
                return fail(kept.What + " (" + kept.Path + ") is missing");
        }

    base::AtomicFile out(path);
    if (const auto opened = out.Open(); !opened)
        return fail(opened.error());

    ProjectHeader header;
    header.FormatNumber = 1;
    header.Prefix = show.WorkPrefix();
    header.PhotoCount = static_cast<std::int32_t>(slides.size());
    header.TrackCount = static_cast<std::int32_t>(sounds.size());
    base::Status written = WriteRaw(out, header);
    for (const auto& s : slides)
        if (written)
            written = WriteRaw(out, PackSlide(s));
    for (const auto& t : sounds)
        if (written)
            written = WriteRaw(out, PackTrack(t));
    for (auto* sizes : {&photoSizes, &trackSizes})
        for (std::int64_t size : *sizes)
            if (written)
                written = WriteRaw(out, base::le_i64(size));
    if (!written)
        return fail(written.error());

    // The media bytes go straight to the file's descriptor from here on.
    std::vector<char> buffer(kProjectBlockSize);
    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (progress.Cancelled()) {
            out.Discard();
            progress.Close();
            return SaveOutcome::Cancelled;
        }
        if (auto copied = CopyFileInto(slides[i].WorkFile, photoSizes[i], out, buffer, progress);
            !copied)
            return fail(copied.error());
        progress.SetPosition(PercentOf(i + 1, slides.size()));
        progress.Pump();
    }
    for (std::size_t j = 0; j < sounds.size(); ++j)
        if (auto copied = CopyFileInto(sounds[j].WorkFile, trackSizes[j], out, buffer, progress);
            !copied)
            return fail(copied.error());
    // What the records cannot hold follows the last track's bytes; a show without it ends here,
    // exactly as older writers made it.
    const WrittenExtension extension =
        WriteExtension(slides, sounds, options, photoSize, keptBytes);
    if (!extension.Block.empty())
        if (const auto put = out.Write(extension.Block.data(), extension.Block.size()); !put)
            return fail(put.error());
    // The kept files follow the block in the order it lists them, streamed as the photos are.
    for (const auto& [from, size] : extension.FilesAfter) {
        if (progress.Cancelled()) {
            out.Discard();
            progress.Close();
            return SaveOutcome::Cancelled;
        }
        if (auto copied = CopyFileInto(from, size, out, buffer, progress); !copied)
            return fail(copied.error());
    }
    progress.SetPosition(100);
    if (const auto committed = out.Commit(); !committed)
        return fail(committed.error());
    progress.Close();
    return SaveOutcome::Saved;
}

LoadResult LoadProject(ShowContent& show, WorkFiles& files, const std::string& path,
                       base::Progress& progress, const ImportHooks& hooks) {
    LoadReport result;
    // A file refused before the show is touched: not one, a later format, tables that do not fit.
    auto refuse = [&](std::string message) -> LoadResult { return base::Fail(std::move(message)); };

    QFile in;
    if (auto opened = OpenProjectForReading(path, in); !opened)
        return refuse(opened.error());
    const std::int64_t fileSize = in.size();

    // Everything is checked against the file's length before the open show is touched.
    ProjectHeader header;
    if (!ReadRaw(in, header))
        return refuse("the file is too short for a project header");
    if (header.FormatNumber > 1)
        return refuse("the project was written by a later version (format " +
                      std::to_string(header.FormatNumber.get()) + ")");
    const std::int64_t n = header.PhotoCount;
    const std::int64_t m = header.TrackCount;
    if (n < 0 || m < 0)
        return refuse("negative item count in the project header");
    const std::int64_t tables = static_cast<std::int64_t>(sizeof(ProjectHeader)) +
                                n * static_cast<std::int64_t>(sizeof(SlideRecord) + 8) +
                                m * static_cast<std::int64_t>(sizeof(TrackRecord) + 8);
    if (tables > fileSize)
        return refuse("the file is shorter than its " + std::to_string(n) + " photo and " +
                      std::to_string(m) + " track records");

    std::vector<SlideRecord> slides(static_cast<std::size_t>(n));
    std::vector<TrackRecord> sounds(static_cast<std::size_t>(m));
    std::vector<std::int64_t> photoSizes(static_cast<std::size_t>(n));
    std::vector<std::int64_t> trackSizes(static_cast<std::size_t>(m));
    bool ok = true;
    for (auto& s : slides)
        ok = ok && ReadRaw(in, s);
    for (auto& t : sounds)
        ok = ok && ReadRaw(in, t);
    std::int64_t dataBytes = 0;
    for (auto* sizes : {&photoSizes, &trackSizes})
        for (auto& size : *sizes) {
            base::le_i64 raw;
            ok = ok && ReadRaw(in, raw);
            size = raw;
            if (size < 0 || size > fileSize)
                ok = false;
            else
                dataBytes += size;
        }
    if (!ok || tables + dataBytes > fileSize)
        return refuse("the file is shorter than the media it lists");

    // An extension block follows the media when a later feature is in use. A damaged one costs
    // the show only that data, said once; it is never read past the size a show may need.
    ShowExtension extension;
    const std::int64_t tailStart = tables + dataBytes;
    std::int64_t keptArea = fileSize; // where the kept files' bytes start
    if (const std::int64_t tail = fileSize - tailStart; tail > 0) {
        std::string problem;
        std::array<std::uint8_t, sizeof(ExtensionHeader)> head{};
        const qint64 here = in.pos();
        const qint64 headBytes = std::min<qint64>(tail, static_cast<qint64>(head.size()));
        const std::uint64_t blockLength =
            in.seek(tailStart) &&
                    in.read(reinterpret_cast<char*>(head.data()), headBytes) == headBytes
                ? ExtensionBlockLength(head.data(), static_cast<std::size_t>(headBytes))
                : 0;
        if (blockLength == 0) {
            problem = "the data after the last track is not an extension block";
        } else if (blockLength > static_cast<std::uint64_t>(tail)) {
            problem = "the extension block runs past the end of the file";
        } else if (blockLength > MaxExtensionBytes(slides.size(), sounds.size())) {
            problem = "the data after the last track is larger than an extension block may be";
        } else {
            std::vector<std::uint8_t> block(static_cast<std::size_t>(blockLength));
            const auto length = static_cast<qint64>(blockLength);
            if (!in.seek(tailStart) ||
                in.read(reinterpret_cast<char*>(block.data()), length) != length) {
                problem = "the extension block cannot be read";
            } else if (auto read = ReadExtensionBlock(block.data(), block.size(), slides.size(),
                                                      sounds.size());
                       !read) {
                problem = read.error();
            } else {
                extension = std::move(read.value());
                keptArea = tailStart + length;
            }
        }
        in.seek(here);
        if (!problem.empty())
            result.Warning = "The show opens without its newer settings (motion, fades, exact "
                             "durations): " +
                             problem + ".";
    }
    // From here on the file is known to hold everything it lists. Only the show's own copies go:
    // the folders may hold those of another show (the one open while this one loads).
    DiscardShow(show, files);
    show.WorkPrefix = header.Prefix;
    files.SetPrefix(header.Prefix);
    // A show made at another photo size keeps it where no setting chose one (the console tool):
    // its photos are not refitted to the default.
    result.PhotoSize = extension.PhotoSize;
    if (hooks.PhotoSizeKnown && !extension.PhotoSize.empty())
        hooks.PhotoSizeKnown(extension.PhotoSize);
    progress.SetPosition(0);
    progress.Open();
    progress.Pump();

    auto finish = [&](LoadOutcome outcome) -> LoadResult {
        progress.Close();
        result.Outcome = outcome;
        return result;
    };
    auto failMidway = [&](const std::string& message) -> LoadResult {
        DiscardShow(show, files);
        progress.Close();
        return base::Fail(message);
    };

    std::vector<char> buffer(kProjectBlockSize);
    FileMedia media(in, keptArea, fileSize, files, buffer, progress, result.Warning);
    const std::string prefix = std::to_string(show.WorkPrefix);
    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (progress.Cancelled()) {
            DiscardShow(show, files);
            return finish(LoadOutcome::Cancelled);
        }
        const std::string temp = files.PicturesDir() + prefix + ".bmp";
        if (auto copied = CopyOut(in, photoSizes[i], temp, buffer, progress); !copied) {
            RemoveFile(temp);
            return failMidway("cannot copy photo " + std::to_string(i + 1) +
                              " out of the file: " + copied.error());
        }
        const std::size_t before = show.Slides.size();
        const ImportStatus imported =
            hooks.AddPhoto ? hooks.AddPhoto(temp) : ImportNote::Skip("no import");
        RemoveFile(temp);
        if (!imported)
            return failMidway("photo " + std::to_string(i + 1) + ": " + imported.error());
        if (imported->Added && show.Slides.size() > before) {
            const SlideRecord& stored = slides[i];
            Slide s = show.Slides.back();
            // The record's whole seconds, unless the extension holds the exact times.
            s.StillMs = std::int64_t{Clamp(stored.ShowSeconds, 0, kMaxSeconds)} * 1000;
            s.TransitionKind = Clamp(stored.TransitionKind, 0, 13);
            s.TransitionMs = std::int64_t{Clamp(stored.TransitionSeconds, 0, kMaxSeconds)} * 1000;
            s.BackColor = stored.BackColor;
            s.Caption = UnpackSlide(stored).Caption;
            SlideLoad load{s, i, media};
            if (auto loaded = LoadSlideExtension(extension, load); !loaded)
                return failMidway(loaded.error());
            // The caption drawn into the photo, its texts exact where the block holds them; a look
            // out of range keeps the defaults.
            if (!ValidateEdit(s.Caption)) {
                imaging::CaptionSettings caption = show.Slides.back().Caption;
                caption.Text = s.Caption.Text;
                caption.Motion = s.Caption.Motion;
                s.Caption = caption;
            }
            show.Slides.back() = s;
        }
        progress.SetPosition(PercentOf(i + 1, slides.size()));
        progress.Pump();
    }
    for (std::size_t j = 0; j < sounds.size(); ++j) {
        const std::string ext = StoredExtension(sounds[j].WorkFile.str());
        if (!IsStoredTrackExtension(ext)) {
            // An extension that could name anything but a track file: skip the track's bytes.
            if (!in.seek(in.pos() + trackSizes[j]))
                return failMidway("cannot skip track " + std::to_string(j + 1));
            continue;
        }
        const std::string temp = files.MusicDir() + prefix + ext;
        if (auto copied = CopyOut(in, trackSizes[j], temp, buffer, progress); !copied) {
            RemoveFile(temp);
            return failMidway("cannot copy track " + std::to_string(j + 1) +
                              " out of the file: " + copied.error());
        }
        const std::size_t before = show.Sounds.size();
        const ImportStatus imported =
            hooks.AddTrack ? hooks.AddTrack(temp) : ImportNote::Skip("no import");
        RemoveFile(temp);
        if (!imported)
            return failMidway("track " + std::to_string(j + 1) + ": " + imported.error());
        if (imported->Added && show.Sounds.size() > before) {
            const TrackRecord& stored = sounds[j];
            Track t = show.Sounds.back();
            t.PlaySeconds = Clamp(stored.PlaySeconds, 0, kMaxSeconds);
            t.LengthSeconds = Clamp(stored.LengthSeconds, 0, kMaxSeconds);
            t.Volume = Clamp(stored.Volume, 0, 100);
            t.Title = TextOfRecord(stored.Title.str());
            LoadTrackExtension(extension, j, t);
            // The stored loudness stands; only a track the file has none for is measured.
            if (!t.Ext.HasLoudness && hooks.MeasureTrack)
                hooks.MeasureTrack(t, progress);
            show.Sounds.back() = t;
        }
        progress.Pump();
    }
    show.Options = extension.Options;
    progress.SetPosition(100);
    return finish(LoadOutcome::Loaded);
}

} // namespace project
