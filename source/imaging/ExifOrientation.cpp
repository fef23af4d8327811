#include "imaging/ExifOrientation.h"

#include "base/Endian.h"

#include <cstring>

namespace imaging {

namespace {

// A TIFF structure in either byte order; every read is checked against the segment's end.
class TiffReader {
public:
    TiffReader(const std::uint8_t* data, std::size_t size, bool bigEndian)
        : data_(data), size_(size), big_(bigEndian) {}

    bool U16(std::size_t offset, std::uint16_t& out) const {
        if (offset > size_ || size_ - offset < 2)
            return false;
        out = big_ ? base::LoadBE<std::uint16_t>(data_ + offset)
                   : base::LoadLE<std::uint16_t>(data_ + offset);
        return true;
    }
    bool U32(std::size_t offset, std::uint32_t& out) const {
        if (offset > size_ || size_ - offset < 4)
            return false;
        out = big_ ? base::LoadBE<std::uint32_t>(data_ + offset)
                   : base::LoadLE<std::uint32_t>(data_ + offset);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    bool big_;
};

constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kIfdEntrySize = 12;

constexpr std::uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};

bool HasExifPrefix(const std::uint8_t* data, std::size_t size) {
    return data != nullptr && size >= sizeof(kExif) && std::memcmp(data, kExif, sizeof(kExif)) == 0;
}

} // namespace

int ExifOrientation(const std::uint8_t* data, std::size_t size) {
    if (!HasExifPrefix(data, size))
        return 1;
    return TiffOrientation(data + sizeof(kExif), size - sizeof(kExif));
}

int TiffOrientation(const std::uint8_t* data, std::size_t size) {
    if (HasExifPrefix(data, size)) {
        data += sizeof(kExif);
        size -= sizeof(kExif);
    }
    if (data == nullptr || size < 8)
        return 1;
    const std::uint8_t* tiff = data;
    const std::size_t tiffSize = size;
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 1;
    const TiffReader r(tiff, tiffSize, big);
    std::uint16_t magic = 0;
    std::uint32_t ifd0 = 0;
    if (!r.U16(2, magic) || magic != 42 || !r.U32(4, ifd0))
        return 1;
    std::uint16_t count = 0;
    if (!r.U16(ifd0, count))
        return 1;
    // The orientation lives in IFD0; each entry is tag, type, count, value (inline for a short).
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = static_cast<std::size_t>(ifd0) + 2 + i * kIfdEntrySize;
        std::uint16_t tag = 0, type = 0, value = 0;
        std::uint32_t n = 0;
        if (!r.U16(entry, tag) || !r.U16(entry + 2, type) || !r.U32(entry + 4, n) ||
            !r.U16(entry + 8, value))
            return 1;
        if (tag != kTagOrientation)
            continue;
        if (type != kTypeShort || n != 1 || value < 1 || value > 8)
            return 1;
        return value;
    }
    return 1;
}

} // namespace imaging
