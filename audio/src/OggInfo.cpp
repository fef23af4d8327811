#include "OggInfo.h"

#include "Bytes.h"

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

bool ReadOggStreamInfo(const ByteSource& source, OggStreamInfo* info) {
    std::vector<std::uint8_t> head;
    if (!ReadPacket(source, 0, &head))
        return false;
    info->vorbis = head.size() >= 7 && std::memcmp(head.data(), "\x01vorbis", 7) == 0;
    Page first;
    if (!ReadPage(source, 0, &first))
        return false;
    // Scan the tail of the file for the last page of the first stream. A page is at most
    // 65307 bytes, so a block of twice that holds at least one whole page start.
    const std::uint64_t size = source.Size();
    constexpr std::uint64_t kBlock = 2 * 65536;
    std::vector<std::uint8_t> buf;
    for (std::uint64_t end = size; end > 0;) {
        const std::uint64_t start = end > kBlock ? end - kBlock : 0;
        buf.resize(static_cast<std::size_t>(end - start));
        if (!source.ReadExact(start, buf.data(), buf.size()))
            return false;
        bool found = false;
        for (std::size_t i = 0; i + kPageHeader <= buf.size(); ++i) {
            if (buf[i] != 'O' || !ParsePageHeader(buf.data() + i))
                continue;
            Page page;
            if (!ReadPage(source, start + i, &page) || page.serial != first.serial ||
                page.granule == ~std::uint64_t{0})
                continue;
            info->lastGranule = page.granule;
            found = true;
        }
        if (found)
            return true;
        // Only pages that begin in this block were seen; step back with an overlap.
        end = start > 0 ? start + kPageHeader : 0;
        if (start == 0)
            break;
    }
    return false;
}

} // namespace bass
