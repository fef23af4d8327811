// The pictures a caption is drawn on, kept by the undo history: per working picture, a copy taken
// before its first caption, and the fingerprints of every picture drawn from that copy with a
// caption. The copy stands for the working picture only while the picture is the copy or one of
// those; after any other change (a turn, a crop, an undo past the caption) it no longer does, and
// the next caption takes a new copy. So a caption applied again replaces the earlier one instead
// of being drawn over it. The copies live in the history's folder and go when it is cleared.
#pragma once

#include "base/Result.h"
#include "project/ParkedFile.h"

#include <map>
#include <string>
#include <vector>

namespace project {

class CaptionBases {
public:
    // The folder (ending with '/') the copies are kept in; "" refuses to keep any.
    void SetFolder(const std::string& folder) { folder_ = folder; }

    // True when a copy is kept for workFile and the picture is it, with a caption or without.
    bool StandsFor(const std::string& workFile) const;
    // The copy without a caption that stands for workFile ("" when none does), to read.
    std::string CopyFor(const std::string& workFile) const;
    // Before a caption is drawn: the working picture goes back to its copy when the copy stands
    // for it, otherwise the copy is taken anew from the picture as it is.
    base::Status Prepare(const std::string& workFile);
    // After a caption was drawn: the working picture as it is now is one drawn from the copy.
    void Remember(const std::string& workFile);
    // Puts the picture back without any caption and drops its copy; false when the copy does not
    // stand for the picture (nothing is changed then).
    base::Result<bool> Restore(const std::string& workFile);
    // Drops every copy (a new or opened show, a cleared history).
    void Clear() { kept_.clear(); }

private:
    struct Kept {
        ParkedFile Copy;
        std::vector<std::string> Drawn; // fingerprints of the pictures drawn from the copy
    };
    std::string folder_;
    std::map<std::string, Kept> kept_;
};

} // namespace project
