#include "disc/scsi/SenseData.h"

#include "base/Endian.h"

#include <algorithm>
#include <cstring>

namespace disc {

namespace {

void DecodeFixed(std::span<const std::uint8_t> b, SenseData& s) {
    // Byte 7 says how many bytes follow it; never read past what the drive sent.
    std::size_t n = b.size();
    if (n >= 8)
        n = std::min<std::size_t>(n, 8u + b[7]);
    if (n > 2) {
        s.key = b[2] & 0x0F;
        s.filemark = b[2] & 0x80;
        s.endOfMedium = b[2] & 0x40;
        s.illegalLength = b[2] & 0x20;
    }
    if ((b[0] & 0x80) && n >= 7)
        s.information = base::LoadBE<std::uint32_t>(&b[3]);
    if (n > 12)
        s.asc = b[12];
    if (n > 13)
        s.ascq = b[13];
    if (n > 17 && (b[15] & 0x80) && (s.key == 0x00 || s.key == 0x02))
        s.progress = base::LoadBE<std::uint16_t>(&b[16]);
}

void DecodeDescriptors(std::span<const std::uint8_t> b, SenseData& s) {
    if (b.size() > 1)
        s.key = b[1] & 0x0F;
    if (b.size() > 2)
        s.asc = b[2];
    if (b.size() > 3)
        s.ascq = b[3];
    if (b.size() < 8)
        return;
    const std::size_t end = std::min<std::size_t>(b.size(), 8u + b[7]);
    std::size_t at = 8;
    while (at + 2 <= end) {
        const std::uint8_t type = b[at];
        const std::size_t len = b[at + 1];
        if (at + 2 + len > end)
            break; // a descriptor cut short is ignored
        const std::uint8_t* d = &b[at];
        switch (type) {
        case 0x00: // information
            if (len >= 0x0A && (d[2] & 0x80))
                s.information = base::LoadBE<std::uint64_t>(d + 4);
            break;
        case 0x02: // sense-key specific
            if (len >= 6 && (d[4] & 0x80) && (s.key == 0x00 || s.key == 0x02))
                s.progress = base::LoadBE<std::uint16_t>(d + 5);
            break;
        case 0x04: // stream commands
            if (len >= 2) {
                s.filemark = d[3] & 0x80;
                s.endOfMedium = d[3] & 0x40;
                s.illegalLength = d[3] & 0x20;
            }
            break;
        case 0x05: // block commands
            if (len >= 2)
                s.illegalLength = d[3] & 0x20;
            break;
        default:
            break;
        }
        at += 2 + len;
    }
}

} // namespace

SenseData DecodeSense(std::span<const std::uint8_t> bytes) {
    SenseData s;
    if (bytes.empty())
        return s;
    s.responseCode = bytes[0] & 0x7F;
    if (!s.Known())
        return s;
    s.deferred = s.responseCode == 0x71 || s.responseCode == 0x73;
    s.descriptorFormat = s.responseCode >= 0x72;
    if (s.descriptorFormat)
        DecodeDescriptors(bytes, s);
    else
        DecodeFixed(bytes, s);
    return s;
}

std::size_t EncodeSense(std::span<std::uint8_t> out, bool descriptorFormat, bool deferred,
                        std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                        std::optional<std::uint64_t> information,
                        std::optional<std::uint16_t> progress) {
    std::uint8_t b[40] = {};
    std::size_t n = 0;
    if (descriptorFormat) {
        b[0] = deferred ? 0x73 : 0x72;
        b[1] = key & 0x0F;
        b[2] = asc;
        b[3] = ascq;
        n = 8;
        if (information) {
            b[n] = 0x00;
            b[n + 1] = 0x0A;
            b[n + 2] = 0x80;
            base::StoreBE<std::uint64_t>(&b[n + 4], *information);
            n += 12;
        }
        if (progress) {
            b[n] = 0x02;
            b[n + 1] = 0x06;
            b[n + 4] = 0x80;
            base::StoreBE<std::uint16_t>(&b[n + 5], *progress);
            n += 8;
        }
        b[7] = static_cast<std::uint8_t>(n - 8);
    } else {
        b[0] = static_cast<std::uint8_t>((deferred ? 0x71 : 0x70) | (information ? 0x80 : 0));
        b[2] = key & 0x0F;
        if (information)
            base::StoreBE<std::uint32_t>(&b[3], static_cast<std::uint32_t>(*information));
        b[7] = 10;
        b[12] = asc;
        b[13] = ascq;
        if (progress) {
            b[15] = 0x80;
            base::StoreBE<std::uint16_t>(&b[16], *progress);
        }
        n = 18;
    }
    n = std::min(n, out.size());
    std::memcpy(out.data(), b, n);
    return n;
}

} // namespace disc
