// Random-access bytes of one sound file: a file opened by path or a block in memory. The
// decoder, the length readers and the tag readers all read through it, so none of them ever
// hands a path to a library that might interpret it as an address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bass {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to n bytes at offset; returns the count read (0 at or past the end or on error).
    virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const = 0;

    // Reads exactly n bytes at offset, or returns false.
    bool ReadExact(std::uint64_t offset, void* buffer, std::size_t n) const {
        return ReadAt(offset, buffer, n) == n;
    }
};

// Opens a regular file for reading; nullptr when it cannot be opened or is not a regular file.
std::shared_ptr<ByteSource> OpenFileSource(const char* path);
// A copy of the given window of a memory block.
std::shared_ptr<ByteSource> MemorySource(const void* data, std::size_t size);

} // namespace bass
