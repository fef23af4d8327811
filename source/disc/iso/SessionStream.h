// The sectors of a laid-out session as a stream: the image head, each new file's contents
// zero-padded to its last sector (exactly the sectors the layout assigned), then zeros up to the
// track's end. It checksums each file as it goes, for a read-back verify.
#pragma once

#include "disc/iso/IsoImageBuilder.h"
#include "disc/iso/SectorStream.h"

#include <mutex>
#include <string>
#include <vector>

namespace disc {

// A 64-bit FNV-1a checksum, fed piece by piece.
struct Checksum {
    std::uint64_t value = 0xCBF29CE484222325ull;
    void Add(const std::uint8_t* data, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            value = (value ^ data[i]) * 0x100000001B3ull;
    }
};

// What was handed out of one new file, for the verify pass.
struct WrittenFile {
    const FileEntry* entry = nullptr;
    std::uint64_t checksum = 0;
};

class SessionStream final : public SectorStream {
public:
    // The builder must be prepared and outlive the stream; totalBytes (a multiple of 2048, at
    // least the head) is what is handed out in all.
    SessionStream(const IsoImageBuilder& builder, std::uint64_t totalBytes);
    ~SessionStream() override;

    std::uint64_t TotalBytes() const override { return total_; }
    // Fails with "CAN'T OPEN FILE ...", "CAN'T READ FILE ...", "FILE ... CHANGED SIZE DURING THE
    // WRITE" or when the layout no longer matches the files.
    base::Result<std::size_t> Read(std::span<std::uint8_t> out) override;

    // Checksums of the files handed out completely so far, in writing order (any thread).
    std::vector<WrittenFile> Written() const;

private:
    base::Status OpenNextFile(bool& none);
    base::Status CloseFile();

    const IsoImageBuilder& builder_;
    std::uint64_t total_;
    std::uint64_t emitted_ = 0; // bytes handed out
    std::size_t nextFile_ = 0;  // index into the builder's files
    std::uint64_t nextSector_;  // where the next new file must start
    const FileEntry* file_ = nullptr;
    int fd_ = -1;
    std::uint64_t fileLeft_ = 0; // of the open file's contents
    std::uint64_t padLeft_ = 0;  // zeros after the file's last byte
    Checksum sum_;
    mutable std::mutex writtenLock_;
    std::vector<WrittenFile> written_;
};

} // namespace disc
