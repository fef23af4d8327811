// File names carried through a QString: any bytes must come back as they were.
#include "base/FileName.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (base::EncodeFileName(base::DecodeFileName(bytes)) != bytes)
        std::abort();
    return 0;
}
