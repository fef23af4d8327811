// Fuzzes the reading of an earlier session: the input is a disc from sector 16 on (the system
// area before it reads as zeros), imported into a builder that is then laid out and headed.
#include "disc/IsoImageBuilder.h"
#include "disc/SectorSource.h"
#include "disc/SessionImport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (8u << 20))
        return 0;
    std::vector<std::uint8_t> bytes(16 * disc::kSectorBytes, 0);
    bytes.insert(bytes.end(), data, data + size);
    disc::MemorySectorSource source(std::move(bytes), 0);
    disc::IsoImageBuilder builder;
    disc::ImportLimits limits;
    limits.MaxDirectoryBytes = 1u << 20;
    if (disc::ImportSession(builder, source, nullptr, limits)) {
        builder.ComputeLayout(1000);
        (void)builder.BuildHeader();
    }
    return 0;
}
