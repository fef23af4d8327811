// StdioFile: a C stdio file closed when its owner goes, for the decoders whose libraries read
// from a FILE* (libjpeg, libpng).
#pragma once

#include <cstdio>
#include <memory>

namespace imaging {

struct StdioFileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using StdioFile = std::unique_ptr<std::FILE, StdioFileClose>;

} // namespace imaging
