// A file the undo history keeps aside in its own folder: the working copy of an item taken out of
// the show, or the other version of a picture an effect rewrote. The history owns it, and it is
// deleted with the step that holds it. Files move in and out by renaming, so bytes never change.
#pragma once

#include "base/Result.h"

#include <string>

namespace project {

class ParkedFile {
public:
    // name: the file's name inside folder (folder ends with '/').
    ParkedFile(std::string folder, const std::string& name);
    ParkedFile() = default;
    ParkedFile(ParkedFile&& other) noexcept;
    ParkedFile& operator=(ParkedFile&& other) noexcept;
    ParkedFile(const ParkedFile&) = delete;
    ParkedFile& operator=(const ParkedFile&) = delete;
    ~ParkedFile();

    // A name no other parked file of this run uses.
    static std::string UniqueName(const std::string& ext);

    // Moves the file at path in (path is gone afterwards).
    base::Status MoveIn(const std::string& path);
    // Copies the file at path in (path stays as it is).
    base::Status CopyIn(const std::string& path);
    // Moves the kept file out to path, which must not exist.
    base::Status MoveOut(const std::string& path);
    // Exchanges the kept file with the one at path.
    base::Status SwapWith(const std::string& path);
    // True when the kept file holds exactly the bytes of the file at path.
    bool SameBytesAs(const std::string& path) const;

    bool Holds() const { return holds_; }
    const std::string& Path() const { return path_; }

private:
    void Drop();
    std::string path_;
    bool holds_ = false;
};

} // namespace project
