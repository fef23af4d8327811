// One open show with its private working folders, from start to end of a run. The window, the
// console tool, the tests and the benchmarks all begin and end a show through it, so the folders
// are claimed, the work prefix set and the copies removed the same way everywhere.
#pragma once

#include "base/Result.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/WorkFolders.h"

#include <string>

namespace project {

class ShowSession {
public:
    ShowSession() = default;
    ShowSession(const ShowSession&) = delete;
    ShowSession& operator=(const ShowSession&) = delete;
    // Ends the session if it is still open.
    ~ShowSession();

    // Claims this instance's working folders under tempRoot (the system temporary folder when
    // empty), points the show at them, clears what an earlier run of this instance left there
    // and sets the work prefix to the process id. Without folders the show stays unusable:
    // IsOpen() is false and adding or loading must be refused with the returned message.
    base::Status Open(const std::string& tempRoot = std::string());
    bool IsOpen() const { return open_; }
    // The message of the last failed Open ("" after a successful one).
    const std::string& OpenError() const { return openError_; }

    // Deletes every working copy and cell, empties the show, releases the folders.
    void Close();

    ShowModel& Show() { return show_; }
    const ShowModel& Show() const { return show_; }
    const WorkFolders& Folders() const { return folders_; }
    // The show's undo history; its kept files live in the instance's "history" folder.
    ShowHistory& History() { return history_; }
    const ShowHistory& History() const { return history_; }

private:
    ShowModel show_;
    ShowHistory history_{show_};
    WorkFolders folders_;
    bool open_ = false;
    std::string openError_;
};

} // namespace project
