#include "project/ProjectFile.h"

#include "project/Import.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace project {

namespace {

int PercentOf(std::size_t done, std::size_t total) {
    return static_cast<int>(std::nearbyint(static_cast<double>(done) * 100.0 / total));
}

// Copies count bytes from the current offset of inFd to the current offset of outFd, one block
// of at most the buffer's size at a time, pumping events after each. The kernel copies the
// bytes where it can (no trip through this process); otherwise they go through the buffer.
// Returns the bytes copied; fewer than count means a short file or an error (errno).
std::int64_t CopyBlocks(int inFd, int outFd, std::int64_t count, std::vector<char>& buffer,
                        base::Progress& progress) {
    bool kernelCopy = true;
    std::int64_t copied = 0;
    while (copied < count) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(count - copied, static_cast<std::int64_t>(buffer.size())));
        ssize_t done = -1;
        if (kernelCopy) {
            done = ::copy_file_range(inFd, nullptr, outFd, nullptr, want, 0);
            if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                             errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
        } else {
            done = ::read(inFd, buffer.data(), want);
            if (done > 0) {
                ssize_t written = 0;
                while (written < done) {
                    const ssize_t w = ::write(outFd, buffer.data() + written,
                                              static_cast<std::size_t>(done - written));
                    if (w <= 0)
                        return copied + written;
                    written += w;
                }
            }
        }
        if (done <= 0)
            return copied;
        copied += done;
        progress.Pump();
    }
    return copied;
}

// Copies the whole of a working copy into the project file.
bool CopyFileInto(const std::string& source, std::int64_t expected, QSaveFile& out,
                  std::vector<char>& buffer, base::Progress& progress, std::string& error) {
    QFile in(QString::fromLocal8Bit(source.c_str()));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error = "cannot open " + source + ": " + in.errorString().toStdString();
        return false;
    }
    errno = 0;
    const std::int64_t copied = CopyBlocks(in.handle(), out.handle(), expected, buffer, progress);
    if (copied == expected) {
#if defined(__linux__)
        // Start writing these bytes to the disk now, so the flush before the file replaces the
        // old one has little left to wait for.
        ::sync_file_range(out.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
        return true;
    }
    if (errno != 0)
        error = "cannot write the project file: " + std::string(std::strerror(errno));
    else
        error = "cannot read " + source + " completely (it changed while saving?)";
    return false;
}

template <typename T> bool WriteRaw(QSaveFile& out, const T& value) {
    return out.write(reinterpret_cast<const char*>(&value), sizeof(T)) ==
           static_cast<qint64>(sizeof(T));
}

template <typename T> bool ReadRaw(QFile& in, T& value) {
    return in.read(reinterpret_cast<char*>(&value), sizeof(T)) == static_cast<qint64>(sizeof(T));
}

// Copies the next size bytes of the project file (opened unbuffered, so its position is the
// descriptor's) into a temporary file.
bool CopyOut(QFile& in, std::int64_t size, const std::string& target, std::vector<char>& buffer,
             base::Progress& progress) {
    QFile out(QString::fromLocal8Bit(target.c_str()));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    const qint64 start = in.pos();
    const std::int64_t copied = CopyBlocks(in.handle(), out.handle(), size, buffer, progress);
    in.seek(start + copied);
    return copied == size;
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

} // namespace

bool IsStoredTrackExtension(const std::string& ext) {
    return IsTrackExtension(ext);
}

std::int64_t FileSize64(const std::string& path) {
    const QFileInfo info(QString::fromLocal8Bit(path.c_str()));
    return info.exists() ? static_cast<std::int64_t>(info.size()) : 0;
}

SaveResult SaveProject(const ShowModel& show, const std::string& path, base::Progress& progress) {
    SaveResult result;
    // The save works from the records as they are now: nothing that happens while events are
    // pumped (a drop, a command, a close) can change what this file lists.
    const std::vector<Slide> slides = show.Slides;
    const std::vector<Track> sounds = show.Sounds;
    if (slides.empty()) {
        result.Outcome = SaveOutcome::NothingToSave;
        return result;
    }
    progress.SetPosition(0);
    progress.Open();
    progress.Pump();

    auto fail = [&](std::string message) {
        progress.Close();
        result.Outcome = SaveOutcome::Failed;
        result.Error = std::move(message);
        return result;
    };

    QSaveFile out(QString::fromLocal8Bit(path.c_str()));
    if (!out.open(QIODevice::WriteOnly))
        return fail("cannot create " + path + ": " + out.errorString().toStdString());

    ProjectHeader header;
    header.FormatNumber = 1;
    header.Prefix = show.WorkPrefix;
    header.PhotoCount = static_cast<std::int32_t>(slides.size());
    header.TrackCount = static_cast<std::int32_t>(sounds.size());
    bool ok = WriteRaw(out, header);
    for (const auto& s : slides)
        ok = ok && WriteRaw(out, s);
    for (const auto& t : sounds)
        ok = ok && WriteRaw(out, t);
    std::vector<std::int64_t> photoSizes;
    std::vector<std::int64_t> trackSizes;
    for (const auto& s : slides)
        photoSizes.push_back(FileSize64(s.WorkFile.str()));
    for (const auto& t : sounds)
        trackSizes.push_back(FileSize64(t.WorkFile.str()));
    for (std::int64_t size : photoSizes)
        ok = ok && WriteRaw(out, base::le_i64(size));
    for (std::int64_t size : trackSizes)
        ok = ok && WriteRaw(out, base::le_i64(size));
    if (!ok || !out.flush())
        return fail("cannot write " + path + ": " + out.errorString().toStdString());

    // The media bytes go straight to the file's descriptor from here on.
    std::vector<char> buffer(kProjectBlockSize);
    std::string error;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (progress.Cancelled()) {
            out.cancelWriting();
            progress.Close();
            result.Outcome = SaveOutcome::Cancelled;
            return result;
        }
        if (!CopyFileInto(slides[i].WorkFile.str(), photoSizes[i], out, buffer, progress, error))
            return fail(error);
        progress.SetPosition(PercentOf(i + 1, slides.size()));
        progress.Pump();
    }
    for (std::size_t j = 0; j < sounds.size(); ++j)
        if (!CopyFileInto(sounds[j].WorkFile.str(), trackSizes[j], out, buffer, progress, error))
            return fail(error);
    progress.SetPosition(100);
    if (!out.commit())
        return fail("cannot write " + path + ": " + out.errorString().toStdString());
    progress.Close();
    result.Outcome = SaveOutcome::Saved;
    return result;
}

LoadResult LoadProject(ShowModel& show, const std::string& path, base::Progress& progress,
                       const ImportHooks& hooks) {
    LoadResult result;
    auto refuse = [&](LoadOutcome outcome, std::string message) {
        result.Outcome = outcome;
        result.Error = std::move(message);
        return result;
    };

    QFile in(QString::fromLocal8Bit(path.c_str()));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return refuse(LoadOutcome::Damaged,
                      "cannot open " + path + ": " + in.errorString().toStdString());
    const std::int64_t fileSize = in.size();

    // Everything is checked against the file's length before the open show is touched.
    ProjectHeader header;
    if (!ReadRaw(in, header))
        return refuse(LoadOutcome::Damaged, "the file is too short for a project header");
    if (header.FormatNumber > 1)
        return refuse(LoadOutcome::LaterVersion,
                      "the project was written by a later version (format " +
                          std::to_string(header.FormatNumber.get()) + ")");
    const std::int64_t n = header.PhotoCount;
    const std::int64_t m = header.TrackCount;
    if (n < 0 || m < 0)
        return refuse(LoadOutcome::Damaged, "negative item count in the project header");
    const std::int64_t tables = static_cast<std::int64_t>(sizeof(ProjectHeader)) +
                                n * static_cast<std::int64_t>(sizeof(Slide) + 8) +
                                m * static_cast<std::int64_t>(sizeof(Track) + 8);
    if (tables > fileSize)
        return refuse(LoadOutcome::Damaged, "the file is shorter than its " + std::to_string(n) +
                                                " photo and " + std::to_string(m) +
                                                " track records");

    std::vector<Slide> slides(static_cast<std::size_t>(n));
    std::vector<Track> sounds(static_cast<std::size_t>(m));
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
        return refuse(LoadOutcome::Damaged, "the file is shorter than the media it lists");

    // From here on the file is known to hold everything it lists.
    show.ClearProject();
    show.PurgeWorkFolders();
    show.WorkPrefix = header.Prefix;
    progress.SetPosition(0);
    progress.Open();
    progress.Pump();

    auto finish = [&](LoadOutcome outcome, std::string message) {
        progress.Close();
        show.SelectedSlide = 0;
        result.Outcome = outcome;
        result.Error = std::move(message);
        return result;
    };
    auto failMidway = [&](const std::string& message) {
        show.ClearProject();
        show.PurgeWorkFolders();
        return finish(LoadOutcome::Failed, message);
    };

    std::vector<char> buffer(kProjectBlockSize);
    const std::string prefix = std::to_string(show.WorkPrefix);
    for (std::size_t i = 0; i < slides.size(); ++i) {
        if (progress.Cancelled()) {
            if (hooks.ResetAfterCancel) {
                hooks.ResetAfterCancel();
            } else {
                show.ClearProject();
                show.PurgeWorkFolders();
            }
            return finish(LoadOutcome::Cancelled, std::string());
        }
        const std::string temp = show.PicturesDir + prefix + ".bmp";
        if (!CopyOut(in, photoSizes[i], temp, buffer, progress)) {
            QFile::remove(QString::fromLocal8Bit(temp.c_str()));
            return failMidway("cannot copy photo " + std::to_string(i + 1) + " out of the file");
        }
        const std::size_t before = show.Slides.size();
        if (hooks.AddPhoto && hooks.AddPhoto(temp) && show.Slides.size() > before) {
            const Slide& stored = slides[i];
            Slide& s = show.Slides.back();
            s.ShowSeconds = Clamp(stored.ShowSeconds, 0, kMaxSeconds);
            s.TransitionKind = Clamp(stored.TransitionKind, 0, 13);
            s.TransitionSeconds = Clamp(stored.TransitionSeconds, 0, kMaxSeconds);
            s.BackColor = stored.BackColor;
        }
        progress.SetPosition(PercentOf(i + 1, slides.size()));
        progress.Pump();
        QFile::remove(QString::fromLocal8Bit(temp.c_str()));
    }
    for (std::size_t j = 0; j < sounds.size(); ++j) {
        const std::string ext = StoredExtension(sounds[j].WorkFile.str());
        if (!IsStoredTrackExtension(ext)) {
            // An extension that could name anything but a track file: skip the track's bytes.
            if (!in.seek(in.pos() + trackSizes[j]))
                return failMidway("cannot skip track " + std::to_string(j + 1));
            continue;
        }
        const std::string temp = show.MusicDir + prefix + ext;
        if (!CopyOut(in, trackSizes[j], temp, buffer, progress)) {
            QFile::remove(QString::fromLocal8Bit(temp.c_str()));
            return failMidway("cannot copy track " + std::to_string(j + 1) + " out of the file");
        }
        const std::size_t before = show.Sounds.size();
        if (hooks.AddTrack && hooks.AddTrack(temp) && show.Sounds.size() > before) {
            const Track& stored = sounds[j];
            Track& t = show.Sounds.back();
            t.PlaySeconds = Clamp(stored.PlaySeconds, 0, kMaxSeconds);
            t.LengthSeconds = Clamp(stored.LengthSeconds, 0, kMaxSeconds);
            t.Volume = Clamp(stored.Volume, 0, 100);
            t.Title = stored.Title;
        }
        progress.Pump();
        QFile::remove(QString::fromLocal8Bit(temp.c_str()));
    }
    progress.SetPosition(100);
    return finish(LoadOutcome::Loaded, std::string());
}

} // namespace project
