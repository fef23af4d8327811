#include "project/ExtensionBlock.h"

#include "project/ChunkTable.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace project {

namespace {

constexpr std::array<char, 4> kMagic{'R', 'P', 'X', 'B'};

std::uint32_t Crc(const std::uint8_t* data, std::size_t size) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    while (size > 0) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        crc = ::crc32(crc, data, n);
        data += n;
        size -= n;
    }
    return static_cast<std::uint32_t>(crc);
}

} // namespace

WrittenExtension WriteExtension(const std::vector<Slide>& slides, const std::vector<Track>& tracks,
                                const ShowOptions& options, const std::string& photoSize,
                                const KeptFileBytes& keptBytes) {
    BlockWriter writer(slides, tracks, options, photoSize, keptBytes);
    for (const ChunkKind* row : ChunkTable()) {
        writer.Row = row->Tag;
        row->Write(writer);
    }
    if (writer.Chunks.empty())
        return {};
    WrittenExtension written;
    std::vector<std::uint8_t>& block = written.Block;
    block.reserve(sizeof(ExtensionHeader) + writer.Chunks.size() + 4);
    ExtensionHeader h{};
    h.Magic = kMagic;
    h.Version = kExtensionVersion;
    h.Flags = 0;
    h.ChunkBytes = static_cast<std::uint32_t>(writer.Chunks.size());
    AppendRecord(block, h);
    block.insert(block.end(), writer.Chunks.begin(), writer.Chunks.end());
    AppendRecord(block, base::le_u32(Crc(block.data(), block.size())));
    written.FilesAfter = std::move(writer.Laid);
    return written;
}

std::vector<std::uint8_t> WriteExtensionBlock(const std::vector<Slide>& slides,
                                              const std::vector<Track>& tracks,
                                              const ShowOptions& options,
                                              const std::string& photoSize,
                                              const KeptFileBytes& keptBytes) {
    return WriteExtension(slides, tracks, options, photoSize, keptBytes).Block;
}

std::size_t MaxExtensionBytes(std::size_t slideCount, std::size_t trackCount) {
    // Every row's chunks at their largest, and room for later chunk types.
    std::size_t bytes = 64 * 1024 + (slideCount + trackCount) * 1024;
    for (const ChunkKind* row : ChunkTable())
        bytes += row->Bound.PerShow + slideCount * row->Bound.PerSlide +
                 trackCount * row->Bound.PerTrack;
    return bytes;
}

std::uint64_t ExtensionBlockLength(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(ExtensionHeader))
        return 0;
    ExtensionHeader h;
    std::memcpy(&h, data, sizeof h);
    if (h.Magic != kMagic)
        return 0;
    return sizeof(ExtensionHeader) + std::uint64_t{h.ChunkBytes.get()} + 4;
}

base::Result<ShowExtension> ReadExtensionBlock(const std::uint8_t* data, std::size_t size,
                                               std::size_t slideCount, std::size_t trackCount) {
    if (size < sizeof(ExtensionHeader) + 4)
        return base::Fail("the extension block is truncated");
    if (size > MaxExtensionBytes(slideCount, trackCount))
        return base::Fail("the extension block is larger than the show can need");
    ExtensionHeader h;
    std::memcpy(&h, data, sizeof h);
    if (h.Magic != kMagic)
        return base::Fail("the data after the last track is not an extension block");
    if (h.Version.get() > kExtensionVersion)
        return base::Fail("the extension block was written by a later version (" +
                          std::to_string(h.Version.get()) + ")");
    const std::size_t chunkBytes = h.ChunkBytes;
    if (chunkBytes != size - sizeof(ExtensionHeader) - 4)
        return base::Fail("the extension block's length does not match the file");
    base::le_u32 stored;
    std::memcpy(&stored, data + size - 4, 4);
    if (stored.get() != Crc(data, size - 4))
        return base::Fail("the extension block fails its checksum");

    ShowExtension ext;
    const std::uint8_t* p = data + sizeof(ExtensionHeader);
    std::size_t left = chunkBytes;
    while (left > 0) {
        if (left < sizeof(ExtensionChunkHeader))
            return base::Fail("the extension block ends inside a chunk header");
        ExtensionChunkHeader ch;
        std::memcpy(&ch, p, sizeof ch);
        p += sizeof ch;
        left -= sizeof ch;
        const std::uint32_t length = ch.Length;
        if (length > left)
            return base::Fail("an extension chunk runs past the block");
        bool fits = true;
        if (const ChunkKind* row = ChunkKindOf(ch.Type))
            fits = row->Read(ChunkReader{p, length, slideCount, trackCount, ext});
        if (!fits)
            return base::Fail("an extension chunk is shorter than its type needs");
        p += length;
        left -= length;
    }
    return ext;
}

} // namespace project
