// The private working folders of one running instance: <tmp>/reelpane-<uid>/<pid>-<n>/pictures/
// and music/. The per-user root is mode 0700 and never a link or another user's; each instance
// holds a lock for its own folder, so a second instance never removes the first one's working
// copies, while the folders of instances that no longer run are cleared at start.
#pragma once

#include "base/Result.h"

#include <memory>
#include <string>

class QLockFile;

namespace project {

class WorkFolders {
public:
    WorkFolders();
    ~WorkFolders();
    WorkFolders(WorkFolders&&) noexcept;
    WorkFolders& operator=(WorkFolders&&) noexcept;

    // Claims this instance's folders under tempRoot (the system temporary folder when empty),
    // creating them and removing those of instances that are gone. Fails with a message when no
    // safe folder could be made.
    base::Status Claim(const std::string& tempRoot);

    // Both end with '/'.
    const std::string& PicturesDir() const { return pictures_; }
    const std::string& MusicDir() const { return music_; }
    const std::string& InstanceDir() const { return instance_; }
    // The per-user folder that holds every instance's folder (no '/' at the end).
    const std::string& RootDir() const { return root_; }

    // Removes this instance's folder and lock; called at the end of the run.
    void Release();

    // True when path is a real directory (not a link) owned by the current user with no access
    // for group or others.
    static bool IsPrivateDir(const std::string& path);

private:
    base::Status UseRoot(const std::string& root);

    std::unique_ptr<QLockFile> lock_;
    std::string root_;
    std::string instance_;
    std::string pictures_;
    std::string music_;
};

} // namespace project
