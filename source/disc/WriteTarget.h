// Where the write queue's blocks go: WRITE (10) to the selected recorder, with the waits a busy
// drive needs, or an image file that appears under its name only once it is complete.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "disc/ScsiDevice.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace disc {

class WriteTarget {
public:
    virtual ~WriteTarget() = default;
    // Writes whole sectors at lba.
    virtual base::Status Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                               base::Progress& progress) = 0;
};

class DriveTarget final : public WriteTarget {
public:
    DriveTarget(ScsiDevice& device, int mediaType) : device_(device), mediaType_(mediaType) {}
    // A busy or becoming-ready drive is asked again 600 ms later (for a minute at most).
    base::Status Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                       base::Progress& progress) override;

private:
    ScsiDevice& device_;
    int mediaType_;
};

class FileTarget final : public WriteTarget {
public:
    // A temporary file beside path; "CAN'T CREATE FILE ..." when that fails.
    static base::Result<std::unique_ptr<FileTarget>> Create(const std::string& path);
    ~FileTarget() override; // removes the temporary file unless committed

    // Sectors must come in order, from 0.
    base::Status Write(std::uint32_t lba, std::span<const std::uint8_t> sectors,
                       base::Progress& progress) override;
    // Flushes, closes and renames the file into place.
    base::Status Commit();

private:
    FileTarget(std::string path, std::string temp, int fd)
        : path_(std::move(path)), temp_(std::move(temp)), fd_(fd) {}
    std::string path_;
    std::string temp_;
    int fd_;
    std::uint64_t next_ = 0;
    bool committed_ = false;
};

} // namespace disc
