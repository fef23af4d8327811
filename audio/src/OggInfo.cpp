#include "OggInfo.h"

#include "Bytes.h"

#include <array>
#include <cstring>
#include <vector>

namespace bass {

namespace {

constexpr std::size_t kPageHeader = 27;
constexpr std::size_t kMaxCommentPacket = 16u << 20;

struct Page {
    std::uint64_t granule = 0;
    std::uint32_t serial = 0;
    std::uint64_t bodyAt = 0;
    std::size_t bodySize = 0;
    std::uint8_t lacing[255] = {};
    int segments = 0;
    std::uint64_t next = 0; // offset of the following page
};

bool ParsePageHeader(const std::uint8_t* h) {
    return std::memcmp(h, "OggS", 4) == 0 && h[4] == 0;
}

bool ReadPage(const ByteSource& source, std::uint64_t at, Page* page) {
    std::uint8_t h[kPageHeader];
    if (!source.ReadExact(at, h, sizeof h) || !ParsePageHeader(h))
        return false;
    page->granule = Le64(h + 6);
    page->serial = Le32(h + 14);
    page->segments = h[26];
    if (!source.ReadExact(at + kPageHeader, page->lacing, static_cast<std::size_t>(page->segments)))
        return false;
    page->bodySize = 0;
    for (int i = 0; i < page->segments; ++i)
        page->bodySize += page->lacing[i];
    page->bodyAt = at + kPageHeader + static_cast<std::uint64_t>(page->segments);
    page->next = page->bodyAt + page->bodySize;
    return page->next <= source.Size();
}

// Collects packet number `wanted` (0-based) of the first logical stream.
bool ReadPacket(const ByteSource& source, int wanted, std::vector<std::uint8_t>* packet) {
    Page page;
    if (!ReadPage(source, 0, &page))
        return false;
    const std::uint32_t serial = page.serial;
    int index = 0;
    std::uint64_t at = 0;
    std::vector<std::uint8_t> body;
    for (int pages = 0; pages < 4096; ++pages) {
        if (!ReadPage(source, at, &page))
            return false;
        at = page.next;
        if (page.serial != serial)
            continue;
        body.resize(page.bodySize);
        if (!source.ReadExact(page.bodyAt, body.data(), body.size()))
            return false;
        std::size_t off = 0;
        for (int i = 0; i < page.segments; ++i) {
            const std::size_t n = page.lacing[i];
            if (index == wanted) {
                if (packet->size() + n > kMaxCommentPacket)
                    return false;
                packet->insert(packet->end(), body.begin() + static_cast<std::ptrdiff_t>(off),
                               body.begin() + static_cast<std::ptrdiff_t>(off + n));
            }
            off += n;
            if (n < 255) {
                if (index == wanted)
                    return true;
                ++index;
            }
        }
    }
    return false;
}

} // namespace

bool ParseCommentPacket(const std::uint8_t* data, std::size_t size, std::string* block) {
    std::size_t off = 0;
    if (size >= 7 && std::memcmp(data, "\x03vorbis", 7) == 0)
        off = 7;
    else if (size >= 8 && std::memcmp(data, "OpusTags", 8) == 0)
        off = 8;
    else
        return false;
    if (size - off < 4)
        return false;
    const std::uint32_t vendor = Le32(data + off);
    off += 4;
    if (vendor > size - off || size - off - vendor < 4)
        return false;
    off += vendor;
    const std::uint32_t count = Le32(data + off);
    off += 4;
    block->clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        if (size - off < 4)
            return false;
        const std::uint32_t n = Le32(data + off);
        off += 4;
        if (n > size - off)
            return false;
        // A NUL inside a comment would end the string early for every reader; cut it there.
        const char* s = reinterpret_cast<const char*>(data + off);
        block->append(s, strnlen(s, n));
        block->push_back('\0');
        off += n;
    }
    block->push_back('\0');
    return true;
}

bool ReadOggComments(const ByteSource& source, std::string* block) {
    std::vector<std::uint8_t> packet;
    return ReadPacket(source, 1, &packet) &&
           ParseCommentPacket(packet.data(), packet.size(), block);
}

namespace {

// Ogg's page checksum: CRC-32 with polynomial 0x04C11DB7, no reflection, initial value 0, taken
// over the whole page with its checksum field counted as zero.
std::uint32_t PageCrc(const std::uint8_t* page, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = (i >= 22 && i < 26) ? 0 : page[i];
        crc = (crc << 8) ^ table[((crc >> 24) ^ b) & 0xFF];
    }
    return crc;
}

// A window over the file that is refilled in large reads; every page and every candidate page
// start is parsed from it, never read on its own.
class Window {
public:
    explicit Window(const ByteSource& source) : source_(source), buffer_(kSize) {}
    const std::uint8_t* At(std::uint64_t pos, std::size_t n) {
        if (pos >= base_ && pos - base_ + n <= length_)
            return buffer_.data() + (pos - base_);
        if (n > buffer_.size())
            return nullptr;
        base_ = pos;
        length_ = source_.ReadAt(pos, buffer_.data(), buffer_.size());
        return n <= length_ ? buffer_.data() : nullptr;
    }
    // Bytes available from pos within the current window (refilling it at pos if needed).
    std::size_t Available(std::uint64_t pos) {
        if (!(pos >= base_ && pos < base_ + length_))
            At(pos, 1);
        return pos >= base_ && pos < base_ + length_
                   ? static_cast<std::size_t>(base_ + length_ - pos)
                   : 0;
    }

private:
    static constexpr std::size_t kSize = 256 * 1024; // more than the largest page (65307)
    const ByteSource& source_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t base_ = 0;
    std::size_t length_ = 0;
};

// Caps on the walk: a 3-hour file has some tens of thousands of pages; a file of nothing but
// page headers or garbage between pages is given up on rather than searched for seconds.
constexpr std::uint64_t kMaxPages = 1u << 20;
constexpr std::uint64_t kMaxSkippedBytes = 16u << 20;
// No granule position in a real file comes near this (2^40 samples is 290 days at 44.1 kHz),
// which also keeps granule x bytes-per-frame far from overflowing.
constexpr std::uint64_t kMaxGranule = std::uint64_t{1} << 40;
// A Vorbis packet of one byte still decodes to at most half of the largest block.
constexpr std::uint64_t kMaxSamplesPerByte = 4096;

struct Link {
    std::uint32_t serial = 0;
    std::uint64_t lastGranule = 0;
    bool haveGranule = false;
    std::uint32_t rate = 0;
    int channels = 0;
};

// The page at pos when it is whole and its checksum holds; its size in *pageSize.
const std::uint8_t* CheckedPage(Window& w, std::uint64_t pos, std::uint64_t fileSize,
                                std::size_t* pageSize) {
    const std::uint8_t* h = w.At(pos, kPageHeader);
    if (!h || !ParsePageHeader(h))
        return nullptr;
    const std::size_t segments = h[26];
    const std::uint8_t* lacing = w.At(pos, kPageHeader + segments);
    if (!lacing)
        return nullptr;
    std::size_t body = 0;
    for (std::size_t i = 0; i < segments; ++i)
        body += lacing[kPageHeader + i];
    const std::size_t size = kPageHeader + segments + body;
    if (size > fileSize - pos)
        return nullptr;
    const std::uint8_t* page = w.At(pos, size);
    if (!page || PageCrc(page, size) != Le32(page + 22))
        return nullptr;
    *pageSize = size;
    return page;
}

} // namespace

bool ReadOggStreamInfo(const ByteSource& source, OggStreamInfo* info) {
    const std::uint64_t fileSize = source.Size();
    Window w(source);
    std::vector<Link> links;
    bool inHeaders = false; // the last page seen began a logical stream
    std::uint64_t pos = 0, pages = 0, skipped = 0;
    while (pos < fileSize && fileSize - pos >= kPageHeader) {
        std::size_t size = 0;
        const std::uint8_t* page = CheckedPage(w, pos, fileSize, &size);
        if (!page) {
            // Damaged or cut: look for the next page start in what is already read.
            if (links.empty())
                return false; // not an Ogg file, or its first page is damaged
            std::uint64_t next = pos + 1;
            for (;;) {
                const std::size_t avail = w.Available(next);
                if (avail < 4 || skipped > kMaxSkippedBytes)
                    break;
                const std::uint8_t* b = w.At(next, avail);
                const void* hit = memmem(b, avail, "OggS", 4);
                if (hit) {
                    next += static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - b);
                    break;
                }
                next += avail - 3;
                skipped += avail - 3;
            }
            skipped += next - pos;
            if (skipped > kMaxSkippedBytes || w.Available(next) < 4 ||
                std::memcmp(w.At(next, 4), "OggS", 4) != 0)
                break;
            pos = next;
            continue;
        }
        if (++pages > kMaxPages)
            return false;
        const bool bos = (page[5] & 0x02) != 0;
        const std::uint32_t serial = Le32(page + 14);
        const std::uint64_t granule = Le64(page + 6);
        const std::size_t segments = page[26];
        if (bos && !inHeaders) {
            // A new link of a chained file (or the first one): its first stream is the one
            // that is decoded. Its identification packet gives rate and channels.
            Link link;
            link.serial = serial;
            const std::uint8_t* body = page + kPageHeader + segments;
            const std::size_t bodySize = size - kPageHeader - segments;
            if (bodySize >= 16 && std::memcmp(body, "\x01vorbis", 7) == 0) {
                link.channels = body[11];
                link.rate = Le32(body + 12);
            }
            if (links.empty())
                info->vorbis = link.rate != 0;
            links.push_back(link);
        }
        inHeaders = bos;
        Link& link = links.back();
        if (serial == link.serial && granule != ~std::uint64_t{0}) {
            if (granule > kMaxGranule)
                return false;
            link.lastGranule = granule;
            link.haveGranule = true;
        }
        pos += size;
    }
    if (links.empty())
        return false;
    std::uint64_t total = 0;
    for (const Link& link : links) {
        // Links of another rate or channel count would not make one stream of one format.
        if (link.rate != links.front().rate || link.channels != links.front().channels)
            return false;
        if (link.haveGranule)
            total += link.lastGranule;
    }
    if (!links.front().haveGranule || total / kMaxSamplesPerByte > fileSize)
        return false;
    info->lastGranule = total;
    info->links = static_cast<int>(links.size());
    return true;
}

} // namespace bass
