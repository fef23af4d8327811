#include "project/Autosave.h"

#include "base/AtomicFile.h"
#include "base/Job.h"
#include "base/ThreadPool.h"
#include "project/ProjectFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace project {

namespace fs = std::filesystem;

void AutosavePolicy::Changed(Clock::time_point now) {
    if (!firstPending_)
        firstPending_ = now;
    lastChange_ = now;
}

void AutosavePolicy::Written(Clock::time_point now) {
    firstPending_.reset();
    lastWrite_ = now;
}

bool AutosavePolicy::Due(Clock::time_point now) const {
    if (!firstPending_)
        return false;
    if (lastWrite_ && now - *lastWrite_ < timing_.MinGap)
        return false;
    return now - lastChange_ >= timing_.Quiet || now - *firstPending_ >= timing_.MaxWait;
}

Autosaver::Autosaver(std::string instanceDir)
    : instanceDir_(std::move(instanceDir)),
      files_(RecoveryFilesFor(instanceDir_, std::chrono::duration_cast<std::chrono::seconds>(
                                                std::chrono::system_clock::now().time_since_epoch())
                                                .count())) {}

Autosaver::~Autosaver() {
    if (write_.valid())
        write_.wait();
}

namespace {

// A name for the snapshot of one working file: a hard link (the working files are replaced by
// renames, never rewritten in place, so the link keeps the bytes of this moment), or a copy on
// a file system without links.
base::Status Keep(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0)
        return {};
    std::error_code ec;
    if (!fs::copy_file(from, to, ec))
        return base::Fail("cannot keep " + from + " for the autosave: " + ec.message());
    return {};
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

base::Result<Autosaver::StartOutcome> Autosaver::Start(const ShowModel& show,
                                                       const std::string& showFile) {
    std::unique_lock lock(mutex_);
    if (writing_)
        return StartOutcome::Busy;
    lock.unlock();
    const std::string folder = instanceDir_ + "/autosave-" + std::to_string(++snapshots_) + "/";
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (!fs::create_directories(folder + "pictures", ec) ||
        !fs::create_directories(folder + "music", ec))
        return base::Fail("cannot make the autosave folder " + folder + ": " + ec.message());
    ShowContent snapshot = show.Content();
    // The first file that could not be kept stops the snapshot.
    base::Status kept;
    const auto keepAll = [&](auto& items, const std::string& dir) {
        for (auto& item : items) {
            const std::string to = dir + BaseName(item.WorkFile);
            if (kept = Keep(item.WorkFile, to); !kept)
                return;
            item.WorkFile = to;
        }
    };
    const auto keepExtras = [&] {
        for (Slide& s : snapshot.Slides)
            s.ForEachExtraFile([&](std::string& file) {
                const std::string to = folder + "pictures/" + BaseName(file);
                if (kept)
                    kept = Keep(file, to);
                file = to;
            });
    };
    keepAll(snapshot.Slides, folder + "pictures/");
    if (kept)
        keepAll(snapshot.Sounds, folder + "music/");
    if (kept)
        keepExtras();
    if (!kept) {
        fs::remove_all(folder, ec);
        return base::Fail(kept.error());
    }
    Job job{ShowModel(std::move(snapshot), show.Photos()), showFile, folder};
    // The last write has ended (writing_ was false); its task may still be on its last steps.
    if (write_.valid())
        write_.wait();
    lock.lock();
    writing_ = true;
    lock.unlock();
    write_ = base::ThreadPool::Shared().Spawn([this, job = std::move(job)]() mutable {
        Write(job);
        std::lock_guard done(mutex_);
        writing_ = false;
        idle_.notify_all();
    });
    return StartOutcome::Started;
}

bool Autosaver::Writing() const {
    std::lock_guard lock(mutex_);
    return writing_;
}

void Autosaver::Wait() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !writing_; });
}

void Autosaver::Discard() {
    Wait();
    DeleteRecovery(files_);
}

base::Status Autosaver::LastWrite() const {
    std::lock_guard lock(mutex_);
    if (!lastError_.empty())
        return base::Fail(lastError_);
    return {};
}

int Autosaver::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

void Autosaver::Write(Job& job) {
    std::string error;
    // The sidecar first: a recovery file is never there without the name of its show.
    base::AtomicFile sidecar(files_.ShowPath);
    base::Status status = base::Fail("cannot make the recovery folder " + RecoveryFolder());
    if (MakeRecoveryFolder())
        status = sidecar.Open();
    if (status)
        status = sidecar.Write(job.ShowFile.data(), job.ShowFile.size());
    if (status)
        status = sidecar.Commit();
    if (!status) {
        error = status.error();
    } else {
        base::NoProgress progress;
        const SaveResult saved = SaveProject(job.Snapshot, files_.Show, progress);
        if (!saved)
            error = saved.error();
        else if (*saved == SaveOutcome::NothingToSave)
            DeleteRecovery(files_); // an empty show has nothing to recover
        else if (*saved != SaveOutcome::Saved)
            error = "the autosave did not complete";
    }
    std::error_code ec;
    fs::remove_all(job.Folder, ec);
    std::lock_guard lock(mutex_);
    lastError_ = error;
    if (error.empty())
        ++written_;
}

} // namespace project
