// The working copies of one open show: the folders they live in, the names new ones get and the
// removal of those the show no longer needs. Owned by the session; the document only names its
// files and never deletes one.
#pragma once

#include "project/ShowContent.h"

#include <cstdint>
#include <map>
#include <string>

namespace project {

// Working names per prefix and folder: NNNN runs from 0001 to 9999.
constexpr int kMaxWorkNames = 9999;

class WorkFiles {
public:
    WorkFiles() = default;
    WorkFiles(std::string picturesDir, std::string musicDir, std::uint32_t prefix);

    // Both end with '/'; "" while the session has no folders.
    const std::string& PicturesDir() const { return pictures_; }
    const std::string& MusicDir() const { return music_; }
    std::uint32_t Prefix() const { return prefix_; }
    void SetPrefix(std::uint32_t prefix);

    // The first free name folder + prefix + "_" + NNNN + ext (NNNN = 0001..9999), or "" when all
    // are taken. The search remembers where the free names begin, so a batch of imports does not
    // test every taken name again; names freed by Remove or Purge are used again, a file removed
    // behind the store's back only after its next Remove or Purge.
    std::string MakeWorkName(const std::string& folder, const std::string& ext) const;
    std::string MakePictureName(const std::string& ext) const {
        return MakeWorkName(pictures_, ext);
    }
    std::string MakeMusicName(const std::string& ext) const { return MakeWorkName(music_, ext); }

    // Deletes one working copy the show no longer names (quietly: "" or a missing file is fine).
    void Remove(const std::string& path) const;
    // Deletes the plain files of both folders (sub-folders are left alone).
    void Purge() const;

private:
    std::string pictures_;
    std::string music_;
    std::uint32_t prefix_ = 0;
    // Below this number every working name of a folder, prefix and extension was taken.
    mutable std::map<std::string, int> firstFreeName_;
};

// Empties content and removes the working copies it names (a load that did not complete).
void DiscardShow(ShowContent& content, const WorkFiles& files);

} // namespace project
