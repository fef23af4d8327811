// One open show with its private working folders, from start to end of a run: the document, its
// undo history and the store of its working copies. The window, the console tool, the tests and
// the benchmarks all begin, replace and end a show through it, so the folders are claimed, the
// work prefix set and the copies removed the same way everywhere.
#pragma once

#include "base/Result.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/WorkFiles.h"
#include "project/WorkFolders.h"

#include <optional>
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
    // empty), clears what an earlier run of this instance left there and sets the work prefix to
    // the process id. Without folders the show stays unusable: IsOpen() is false and adding or
    // loading must be refused with the returned message.
    base::Status Open(const std::string& tempRoot = std::string());
    bool IsOpen() const { return open_; }
    // The message of the last failed Open ("" after a successful one).
    const std::string& OpenError() const { return openError_; }

    // A new, empty show with these options: every working copy removed (and whatever else the
    // working folders hold), no steps. With photos, its photo settings become those.
    void New(const ShowOptions& options = ShowOptions{},
             std::optional<PhotoSettings> photos = std::nullopt);
    // Another show takes this one's place (an open, a recovery): the old show's working copies
    // are removed, the new one's (made in these folders) stay; no steps. photos, when given,
    // become the photo settings too.
    void Replace(ShowContent content, std::optional<PhotoSettings> photos = std::nullopt);

    // Deletes every working copy, empties the show, releases the folders.
    void Close();

    const ShowModel& Show() const { return show_; }
    const WorkFiles& Files() const { return files_; }
    const WorkFolders& Folders() const { return folders_; }
    // The show's undo history: the one way to change the show. Its kept files live in the
    // instance's "history" folder.
    ShowHistory& History() { return history_; }
    const ShowHistory& History() const { return history_; }

private:
    void RemoveCopies(const ShowContent& content);

    ShowModel show_;
    WorkFiles files_;
    ShowHistory history_{show_, files_};
    WorkFolders folders_;
    bool open_ = false;
    std::string openError_;
};

} // namespace project
