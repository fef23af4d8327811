// A whole file read at once, for tests that compare or search what a writer made: one read into
// a buffer of the file's size. A byte-by-byte stream iterator takes seconds over a few megabytes
// in the unoptimised test code, and many times that under the sanitizers.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

// The file's bytes; empty when it cannot be read.
template <typename Container = std::string> Container FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    const std::streamoff size = in.tellg();
    if (size <= 0)
        return {};
    Container bytes(static_cast<std::size_t>(size), 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

} // namespace testsupport
