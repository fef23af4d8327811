// A file written under a temporary name beside its target and put in place only when complete,
// so a failed or cancelled write leaves the previous file as it was. A link is followed (the file
// it names is replaced, the link stays); a target that exists and is not a regular file (a
// device, a FIFO, a folder) is refused. Paths are the file system's bytes.
#pragma once

#include "base/Result.h"

#include <cstddef>
#include <string>

namespace base {

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    // The temporary file under a known name, the target's + `tempSuffix` (".part"), for writers
    // whose file others watch while it grows. A file left there by an earlier write that never
    // finished is written over; a link or anything but a regular file there is refused.
    AtomicFile(std::string path, std::string tempSuffix);
    ~AtomicFile(); // discards the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside the target (the target of a link).
    Status Open();
    // The temporary file's descriptor, for writing; -1 when not open.
    int Handle() const { return fd_; }
    // The temporary file's name, for writers that open a file by its name (a picture or video
    // library); "" when not open. What they write there is what Commit puts in place.
    const std::string& TempPath() const { return temp_; }
    Status Write(const void* data, std::size_t size);
    // How Commit makes the bytes last: flushed to the disk before the rename (the default), or
    // left to the system's write-back, for large files that can be made again (a disc image),
    // where the flush would cost more than the whole write.
    enum class Durability { Flushed, WriteBack };
    // Renames the file over its target, after flushing it to the disk unless told otherwise.
    Status Commit(Durability durability = Durability::Flushed);
    // Removes the temporary file; the target stays as it was.
    void Discard();

private:
    std::string path_;   // as given
    std::string target_; // path_ with its links followed
    std::string temp_;
    std::string suffix_; // "" for a random name
    int fd_ = -1;
};

} // namespace base
