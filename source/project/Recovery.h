// The recovery files an instance leaves in the user's state folder (RecoveryFolder), so that they
// outlive a reboot: its show as last autosaved (recovery-<instance>~<started>.qvs, the show file
// holding its photos and music) and the path of the show's own file (the same name with .show,
// empty for a show never saved). <instance> names the instance's working folder, whose lock tells
// whether it still runs; <started> (seconds since 1970) keeps an instance of a later boot with the
// same number from taking an earlier one's files. They are removed when the instance ends
// normally, so any left by an instance that no longer runs hold work that would otherwise be lost.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace project {

struct RecoveryFiles {
    std::string Show;     // the autosaved show
    std::string ShowPath; // its sidecar, naming the show's own file
};

// $XDG_STATE_HOME/reelpane when XDG_STATE_HOME is an absolute path, otherwise
// ~/.local/state/reelpane (without a slash at the end). Not created here.
std::string RecoveryFolder();
// Creates the recovery folder (and its parents) private to the user; false when it cannot.
bool MakeRecoveryFolder();

// The recovery files of the instance whose folder is instanceDir (root/<pid>-<n>), started at
// `started` (seconds since 1970), in RecoveryFolder().
RecoveryFiles RecoveryFilesFor(const std::string& instanceDir, std::int64_t started);

struct RecoveryOffer {
    RecoveryFiles Files;
    std::string OriginalShow; // the show's own file, "" when it never had one
    std::time_t SavedAt = 0;  // when the recovery file was written
    int PhotoCount = 0;
};

// The recovery files in RecoveryFolder() left by instances that no longer run (their lock under
// root, the folder of the working folders, is free or gone with the folder), newest first. A
// recovery file older than its show's own file (saved afterwards) or one whose header cannot be
// read is removed on the way and not offered.
std::vector<RecoveryOffer> FindRecoveries(const std::string& root);

// Removes both files of a recovery.
void DeleteRecovery(const RecoveryFiles& files);

} // namespace project
