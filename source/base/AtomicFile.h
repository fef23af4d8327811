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
    ~AtomicFile(); // discards the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside the target (the target of a link).
    Status Open();
    // The temporary file's descriptor, for writing; -1 when not open.
    int Handle() const { return fd_; }
    Status Write(const void* data, std::size_t size);
    // Flushes the bytes to the disk and renames the file over its target.
    Status Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

private:
    std::string path_;   // as given
    std::string target_; // path_ with its links followed
    std::string temp_;
    int fd_ = -1;
};

} // namespace base
