// Where an earlier session is read from: 2048-byte sectors by address, where the last session
// starts and how large the disc is. A recorder answers from the drive; an image file answers
// from the file, so session import is the same code for both.
#pragma once

#include "base/Result.h"

#include <memory>

#include <cstdint>
#include <string>
#include <vector>

namespace disc {

constexpr std::uint32_t kSectorBytes = 2048;

class SectorSource {
public:
    SectorSource() = default;
    SectorSource(const SectorSource&) = delete;
    SectorSource& operator=(const SectorSource&) = delete;
    virtual ~SectorSource() = default;

    // Reads count sectors from lba into out (count * 2048 bytes).
    virtual base::Status Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) = 0;
    // The first sector of the last (newest) session.
    virtual base::Result<std::uint32_t> LastSessionStart() = 0;
    // Sectors on the disc that can be read (addresses from 0 to SectorCount() - 1).
    virtual std::uint32_t SectorCount() const = 0;
};

// A disc image file whose newest session starts at a known sector (0 for a one-session image).
class ImageFileSectorSource final : public SectorSource {
public:
    static base::Result<std::unique_ptr<ImageFileSectorSource>> Open(const std::string& path,
                                                                     std::uint32_t lastSession);
    ~ImageFileSectorSource() override;

    base::Status Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) override;
    base::Result<std::uint32_t> LastSessionStart() override { return lastSession_; }
    std::uint32_t SectorCount() const override { return sectors_; }

private:
    ImageFileSectorSource(int fd, std::uint32_t sectors, std::uint32_t lastSession)
        : fd_(fd), sectors_(sectors), lastSession_(lastSession) {}
    int fd_;
    std::uint32_t sectors_;
    std::uint32_t lastSession_;
};

// Sectors held in memory; a last sector cut short reads as if padded with zeros.
class MemorySectorSource final : public SectorSource {
public:
    MemorySectorSource(std::vector<std::uint8_t> bytes, std::uint32_t lastSession);

    base::Status Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) override;
    base::Result<std::uint32_t> LastSessionStart() override { return lastSession_; }
    std::uint32_t SectorCount() const override { return sectors_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t sectors_;
    std::uint32_t lastSession_;
};

} // namespace disc
