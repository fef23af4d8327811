// Helpers of the disc tests: files made on the spot, the output of the real ISO readers, and
// images built through the same builder and writer as the program.
#pragma once

#include "base/Job.h"
#include "disc/iso/IsoImageBuilder.h"
#include "disc/iso/IsoImageFile.h"
#include "disc/iso/SessionImport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/FileBytes.h"
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace disctest {

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
    return testsupport::FileBytes(path);
}

// Standard output (and error) of a shell command; status in *status when given.
inline std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr)
        return out;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int rc = ::pclose(p);
    if (status != nullptr)
        *status = rc;
    return out;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// Bytes that differ from file to file, so a misplaced extent cannot go unnoticed.
inline std::string Pattern(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

// Lays out, heads and writes the builder's session (starting at `start`) into path.
inline base::Status WriteSession(disc::IsoImageBuilder& builder, std::uint32_t start,
                                 const std::string& path) {
    builder.ComputeLayout(start);
    if (auto h = builder.BuildHeader(); !h)
        return h;
    base::NoProgress progress;
    return disc::WriteImageFile(builder, path, progress);
}

// Appends a session file to a multi-session image; returns the session's start sector.
inline std::uint32_t AppendSession(const std::string& image, const std::string& session) {
    const std::string before = ReadBytes(image);
    std::ofstream f(image, std::ios::binary | std::ios::app);
    const std::string add = ReadBytes(session);
    f.write(add.data(), static_cast<std::streamsize>(add.size()));
    return static_cast<std::uint32_t>(before.size() / 2048);
}

} // namespace disctest
