// The recovery files an instance leaves beside the working folders: its show as last autosaved
// (recovery-<instance>.qvs) and the path of the show's own file (recovery-<instance>.show, empty
// for a show never saved). They are removed when the instance ends normally, so any left by an
// instance that no longer runs hold work that would otherwise be lost.
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

// The recovery files of the instance whose folder is instanceDir (root/<pid>-<n>).
RecoveryFiles RecoveryFilesFor(const std::string& instanceDir);

struct RecoveryOffer {
    RecoveryFiles Files;
    std::string OriginalShow; // the show's own file, "" when it never had one
    std::time_t SavedAt = 0;  // when the recovery file was written
    int PhotoCount = 0;
};

// The recovery files under root left by instances that no longer run (their lock is free),
// newest first. A recovery file older than its show's own file (saved afterwards) or one whose
// header cannot be read is removed on the way and not offered.
std::vector<RecoveryOffer> FindRecoveries(const std::string& root);

// Removes both files of a recovery.
void DeleteRecovery(const RecoveryFiles& files);

} // namespace project
