// Fuzzes every reader of MMC replies with the same bytes: none reads past the reply, and what
// they return stays inside what the reply could say.
#include "disc/mmc/MmcReplies.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const disc::Reply reply(data, size);
    (void)disc::ParseDiscInformation(reply);
    (void)disc::ParseTrackInformation(reply);
    for (bool msf : {false, true}) {
        if (const auto toc = disc::ParseToc(reply, msf)) {
            if (toc->entries.size() * 8 + 4 > size)
                std::abort();
            (void)toc->LeadOut();
        }
    }
    (void)disc::ParseSessionInformation(reply);
    (void)disc::ParseAtip(reply);
    if (const auto f = disc::ParseFormatCapacities(reply)) {
        const std::uint32_t blocks = f->SelectedBlocks();
        bool found = blocks == f->current.blocks;
        for (const auto& d : f->formattable)
            found = found || d.blocks == blocks;
        if (!found)
            std::abort();
    }
    if (const auto c = disc::ParseConfiguration(reply)) {
        if (c->profiles.size() * 4 + 12 > size && !c->profiles.empty())
            std::abort();
    }
    for (std::uint8_t page : {std::uint8_t{0x05}, std::uint8_t{0x2A}, std::uint8_t{0x30}}) {
        if (const auto at = disc::LocateModePage(reply, page)) {
            if (*at + 2 > size || *at + 2 + data[*at + 1] > size)
                std::abort();
            if (page == 0x2A)
                (void)disc::ParseCapabilitiesPage(reply.subspan(*at));
        }
    }
    (void)disc::ParseCapabilitiesPage(reply);
    if (const auto b = disc::ParseBufferCapacity(reply)) {
        if (b->free == 0xFFFFFFFFu && b->size != 0xFFFFFFFFu)
            std::abort();
    }
    (void)disc::ParseReadCapacity(reply);
    return 0;
}
