// The virtual recorder's commands that move data or change the disc's layout and settings:
// READ and WRITE, cache flush, close, blank, mode select, streaming and speeds.
#include "disc/SenseData.h"
#include "disc/VirtualRecorder.h"
#include "disc/VirtualRecorderCodes.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace disc {

using namespace virtual_recorder;

namespace {

bool AllZero(std::span<const std::uint8_t> data) {
    // Every byte equals the next one and the first is zero.
    return data.empty() ||
           (data[0] == 0 && std::memcmp(data.data(), data.data() + 1, data.size() - 1) == 0);
}

// Makes a range of the image read as zeros: a hole inside the file, and past its end a longer
// file whose new part holds no blocks.
bool PunchZeros(int fd, std::uint64_t offset, std::uint64_t bytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (offset + bytes > size && ::ftruncate(fd, static_cast<off_t>(offset + bytes)) != 0)
        return false;
    if (offset >= size)
        return true;
    const std::uint64_t length = std::min(bytes, size - offset);
    if (::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                    static_cast<off_t>(length)) == 0)
        return true;
    const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(length), 0);
    return ::pwrite(fd, zeros.data(), zeros.size(), static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(zeros.size());
}

} // namespace

void VirtualRecorder::Read(RequestBlock& b) {
    const std::uint32_t lba = Be32(b, 2);
    const std::uint32_t count = Be16(b, 7);
    const std::uint64_t bytes = std::uint64_t{count} * kBlock;
    if (b.direction != DataDirection::In || !b.data || b.dataLength < bytes) {
        Check(b, kInvalidField);
        return;
    }
    if (faults_.mediumErrorAt && *faults_.mediumErrorAt >= lba &&
        *faults_.mediumErrorAt < std::uint64_t{lba} + count) {
        Check(b, kReadError, *faults_.mediumErrorAt);
        return;
    }
    if (count == 0) {
        b.status = request_status::kDone;
        return;
    }
    if (!medium_.Readable(lba, count)) {
        Check(b, {0x05, 0x21, 0x00});
        return;
    }
    std::memset(b.data, 0, static_cast<std::size_t>(bytes));
    const ssize_t got = ::pread(imageFd_, b.data, static_cast<std::size_t>(bytes),
                                static_cast<off_t>(std::uint64_t{lba} * kBlock));
    if (got < 0) {
        Check(b, kReadError, lba);
        return;
    }
    b.transferred = static_cast<std::uint32_t>(bytes); // past the file's end reads as zeros
    b.status = request_status::kDone;
}

void VirtualRecorder::Write(RequestBlock& b) {
    const std::uint32_t lba = Be32(b, 2);
    const std::uint32_t count = Be16(b, 7);
    const std::uint64_t bytes = std::uint64_t{count} * kBlock;
    const auto data = Outgoing(b);
    if (data.size() != bytes) {
        Check(b, kInvalidField);
        return;
    }
    if (medium_.IsCd() && (writeType_ == 3 || (blockType_ != 8 && blockType_ != 10))) {
        Check(b, kIllegalMode);
        return;
    }
    if (faults_.mediumErrorAt && *faults_.mediumErrorAt >= lba &&
        *faults_.mediumErrorAt < std::uint64_t{lba} + count) {
        Check(b, kWriteError, *faults_.mediumErrorAt);
        return;
    }
    if (count == 0) {
        b.status = request_status::kDone;
        return;
    }
    const SenseCode c = medium_.CheckWrite(lba, count);
    if (c.Failed()) {
        Check(b, c, lba);
        return;
    }
    if (!testWrite_ && AllZero(data) && !medium_.Sequential()) {
        // Zeros on overwritable media (a full erase) leave holes in the image, which read back
        // as zeros, instead of gigabytes of written zeros.
        if (!PunchZeros(imageFd_, std::uint64_t{lba} * kBlock, bytes)) {
            Check(b, kWriteError, lba);
            return;
        }
        medium_.CommitWrite(lba, count);
    } else if (!testWrite_) {
        std::size_t done = 0;
        while (done < bytes) {
            const ssize_t put =
                ::pwrite(imageFd_, data.data() + done, static_cast<std::size_t>(bytes) - done,
                         static_cast<off_t>(std::uint64_t{lba} * kBlock + done));
            if (put <= 0) {
                Check(b, kWriteError, lba);
                return;
            }
            done += static_cast<std::size_t>(put);
        }
        medium_.CommitWrite(lba, count);
    }
    b.transferred = static_cast<std::uint32_t>(bytes);
    b.status = request_status::kDone;
}

void VirtualRecorder::SynchronizeCache(RequestBlock& b) {
    if (faults_.failSynchronizeCache) {
        Check(b, kWriteError);
        return;
    }
    if (imageFd_ >= 0)
        ::fdatasync(imageFd_);
    SaveLocked();
    if (b.cdb[1] & 0x02)
        StartOperation(0x08, kOperationPolls - 1);
    b.status = request_status::kDone;
}

void VirtualRecorder::CloseTrackSession(RequestBlock& b) {
    if (faults_.failClose) {
        Check(b, kFixationError);
        return;
    }
    const std::uint8_t function = b.cdb[2] & 0x07;
    SenseCode c;
    const auto kind = medium_.GetKind();
    const bool plusR = kind == VirtualMedium::Kind::DvdPlusR;
    switch (function) {
    case 1:
        // A drive closes only the track it is told; the number must be the open track's.
        if (const auto open = medium_.OpenTrack(); open && Be16(b, 4) != *open + 1) {
            c = kInvalidField;
            break;
        }
        c = medium_.CloseTrack();
        break;
    case 2:
        // CD and DVD-R leave room for another session only when the write parameters page
        // asks for multi-session; DVD+R closes a session and stays appendable.
        c = medium_.CloseSession(!plusR && multiSession_ != 3);
        break;
    case 3:
        // DVD+RW: the background format is finished; the disc keeps what it holds.
        c = kind == VirtualMedium::Kind::DvdPlusRw && medium_.Formatted() ? SenseCode{}
                                                                          : kInvalidField;
        break;
    case 5:
    case 6:
        if (!plusR) {
            c = kInvalidField;
            break;
        }
        c = medium_.CloseSession(true);
        break;
    default:
        c = kInvalidField;
        break;
    }
    if (c.Failed()) {
        Check(b, c);
        return;
    }
    SaveLocked();
    if (b.cdb[1] & 0x01)
        StartOperation(0x07, kOperationPolls);
    b.status = request_status::kDone;
}

void VirtualRecorder::Blank(RequestBlock& b) {
    const SenseCode c = medium_.Blank();
    if (c.Failed()) {
        Check(b, c);
        return;
    }
    if (imageFd_ >= 0 && ::ftruncate(imageFd_, 0) != 0) {
        Check(b, kWriteError);
        return;
    }
    SaveLocked();
    if (b.cdb[1] & 0x10)
        StartOperation(0x07, kOperationPolls);
    b.status = request_status::kDone;
}

void VirtualRecorder::ModeSelect(RequestBlock& b) {
    const auto list = Outgoing(b);
    if (list.size() < 8) {
        Check(b, kListLength);
        return;
    }
    const std::size_t at = 8 + std::size_t{base::LoadBE<std::uint16_t>(&list[6])};
    if (at + 2 > list.size() || at + 2 + list[at + 1] > list.size()) {
        Check(b, kListLength);
        return;
    }
    const auto page = list.subspan(at, 2 + list[at + 1]);
    if ((page[0] & 0x3F) != 0x05) {
        b.status = request_status::kDone; // other pages change nothing here
        return;
    }
    if (page.size() < 16) {
        Check(b, kListLength);
        return;
    }
    const std::uint8_t writeType = page[2] & 0x0F;
    const std::uint8_t blockType = page[4] & 0x0F;
    const bool validBlock =
        blockType <= 3 || blockType == 8 || (blockType >= 10 && blockType <= 13);
    if (writeType > 3 || !validBlock) {
        Check(b, kInvalidParameter);
        return;
    }
    const auto kind = medium_.GetKind();
    const bool minusSequential =
        (kind == VirtualMedium::Kind::DvdR || kind == VirtualMedium::Kind::DvdRw) &&
        medium_.Sequential();
    if (present_ && minusSequential && (writeType == 1 || writeType == 3)) {
        Check(b, kInvalidParameter);
        return;
    }
    if (present_ && medium_.IsCd() && writeType == 3 && (blockType < 1 || blockType > 3)) {
        Check(b, kInvalidParameter);
        return;
    }
    writeType_ = writeType;
    blockType_ = blockType;
    multiSession_ = page[3] >> 6;
    testWrite_ = page[2] & 0x10;
    b.status = request_status::kDone;
}

void VirtualRecorder::SetStreaming(RequestBlock& b) {
    const auto list = Outgoing(b);
    if (list.size() < 28 || Be16(b, 9) < 28) {
        Check(b, kListLength);
        return;
    }
    const std::uint32_t sizeKB = base::LoadBE<std::uint32_t>(&list[20]);
    const std::uint32_t timeMs = base::LoadBE<std::uint32_t>(&list[24]);
    if (timeMs == 0) {
        Check(b, kInvalidParameter);
        return;
    }
    const std::uint64_t kbps = std::uint64_t{sizeKB} * 1000 / timeMs;
    writeSpeed_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(kbps, MaxWriteSpeed()));
    b.status = request_status::kDone;
}

void VirtualRecorder::SetCdSpeed(RequestBlock& b) {
    readSpeed_ = Be16(b, 2);
    writeSpeed_ = Be16(b, 4);
    b.status = request_status::kDone;
}

void VirtualRecorder::SendDvdStructure(RequestBlock& b) {
    if (medium_.IsCd()) {
        Check(b, kIncompatibleMedium);
        return;
    }
    const std::uint16_t length = Be16(b, 8);
    if (length != 0 && (length < 4 || Outgoing(b).size() < length)) {
        Check(b, kListLength);
        return;
    }
    b.status = request_status::kDone;
}

} // namespace disc
