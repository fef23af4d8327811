// Fuzzes the virtual recorder's state file and recorder list: a state that is accepted
// survives a round trip, and the disc rules only make states the reader accepts again.
#include "disc/virtual/VirtualMedium.h"
#include "disc/virtual/VirtualTransport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)disc::ParseVirtualRecorderList(text);
    auto medium = disc::VirtualMedium::Parse(text);
    if (!medium)
        return 0;
    const std::string saved = medium->Serialize();
    const auto again = disc::VirtualMedium::Parse(saved);
    if (!again || again->Serialize() != saved)
        std::abort();
    disc::VirtualMedium m = *medium;
    const std::uint32_t nwa = m.NextWritable();
    if (!m.CheckWrite(nwa, 16).Failed())
        m.CommitWrite(nwa, 16);
    (void)m.DiscStatus();
    (void)m.LastSessionState();
    (void)m.Readable(nwa, 16);
    (void)m.CloseTrack();
    (void)m.CloseSession(false);
    (void)m.NextTrackStart();
    (void)m.Reserve(100);
    if (!disc::VirtualMedium::Parse(m.Serialize()))
        std::abort(); // the rules only ever make states the reader accepts
    return 0;
}
