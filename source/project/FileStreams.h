// The byte streams of a project file: media copied between files through one buffer (the kernel
// copying where it can), a project file opened for reading only when it is a regular file, and
// the bytes stored after the extension block copied out into new working copies.
#pragma once

#include "base/AtomicFile.h"
#include "base/Job.h"
#include "base/Result.h"
#include "project/WorkFiles.h"

#include <QFile>

#include <cstdint>
#include <string>
#include <vector>

namespace project {

// Copies the whole of a working copy (expected bytes) into the project file.
base::Status CopyFileInto(const std::string& source, std::int64_t expected, base::AtomicFile& out,
                          std::vector<char>& buffer, base::Progress& progress);

// Copies the next size bytes of the project file (opened unbuffered, so its position is the
// descriptor's) into a new file at target.
base::Status CopyOut(QFile& in, std::int64_t size, const std::string& target,
                     std::vector<char>& buffer, base::Progress& progress);

// Opens a project file for reading. What is not a regular file (a FIFO, a device, a folder) is
// refused before anything is read from it: the open does not wait for a writer, and the check
// is made on the opened file itself.
base::Status OpenProjectForReading(const std::string& path, QFile& in);

// The system's reason for the last failed call (errno's text).
std::string Why();

// Deletes a file quietly.
void RemoveFile(const std::string& path);

// Copies bytes stored after the extension block (a clip's, an original's) at area + offset into a
// new working copy named with the stored name's extension, leaving the file's position where it
// was; the copy's path.
base::Result<std::string> CopyStoredOut(QFile& in, std::int64_t area, std::uint64_t offset,
                                        std::uint64_t bytes, const std::string& name, bool clip,
                                        const WorkFiles& files, std::vector<char>& buffer,
                                        base::Progress& progress);

} // namespace project
