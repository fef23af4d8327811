// Plain sentences for failed file operations: the file and the system's reason ("No space left
// on device"), never a bare code. Writes that the kernel takes in part are continued, so the
// reason given is the one of the call that failed, not an errno left over from an earlier call.
#pragma once

#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace media {

// The system's text for an errno value, given as is or negated (the AVI file's return codes).
std::string SystemReason(int code);

// "Cannot create PATH: reason" and "Cannot write PATH: reason".
std::string CannotCreate(const std::string& path, int code);
std::string CannotWrite(const std::string& path, int code);

// A failure of a writer's temporary video file told as a failure of the file it is for: "the
// temporary video file" in the message becomes that file's name.
base::Status AsFailureOf(base::Status status, const std::string& file);

// Writes all `size` bytes at `offset`, going on after partial writes and interruptions.
// Returns 0, or the negative errno of the call that failed.
int WriteAllAt(int fd, const void* data, std::size_t size, std::uint64_t offset);

// Sets the file-size signal to ignored for the whole program, so a write past the user's
// file-size limit fails with "File too large" and the export cleans up, instead of the process
// being killed in the middle of a write.
void IgnoreFileSizeSignal();

} // namespace media
