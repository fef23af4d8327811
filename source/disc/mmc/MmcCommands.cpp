#include "disc/mmc/MmcCommands.h"

#include "base/Endian.h"
#include "disc/mmc/MmcReplies.h"

#include <algorithm>
#include <vector>

namespace disc {

namespace {

std::uint16_t Allocation(std::size_t size) {
    return static_cast<std::uint16_t>(std::min<std::size_t>(size, 0xFFFF));
}

void In(RequestBlock& b, std::span<std::uint8_t> reply, std::size_t limit) {
    b.SetDataIn(reply.data(), static_cast<std::uint32_t>(std::min(reply.size(), limit)));
}

// A ten-byte command's reply: the data in, its length (at most `limit`) as the allocation length
// in bytes 7 and 8.
void InWithLengthAt7(RequestBlock& b, std::span<std::uint8_t> reply, std::size_t limit) {
    In(b, reply, limit);
    base::StoreBE<std::uint16_t>(&b.cdb[7], Allocation(b.dataLength));
}

} // namespace

ScsiReply MmcCommands::Run(RequestBlock& block, std::uint32_t timeoutMs) {
    ScsiReply done = device_.ExecCommand(block, timeoutMs);
    transferred_ = block.transferred;
    return done;
}

ScsiReply MmcCommands::TestUnitReady(std::uint32_t timeoutMs) {
    RequestBlock b = RequestBlock::Command(0x00, 6);
    return Run(b, timeoutMs);
}

ScsiReply MmcCommands::Rezero() {
    RequestBlock b = RequestBlock::Command(0x01, 6);
    return Run(b, 10000);
}

ScsiReply MmcCommands::RequestSense(std::span<std::uint8_t> reply) {
    RequestBlock b = RequestBlock::Command(0x03, 6);
    In(b, reply, 0xFF);
    b.cdb[4] = static_cast<std::uint8_t>(b.dataLength);
    return Run(b, 10000);
}

ScsiReply MmcCommands::FormatUnit(std::span<const std::uint8_t> list) {
    RequestBlock b = RequestBlock::Command(0x04, 6);
    b.cdb[1] = 0x11; // format data follows, format code 1
    b.SetDataOut(list.data(), static_cast<std::uint32_t>(list.size()));
    return Run(b, 10000);
}

ScsiReply MmcCommands::Inquiry(std::span<std::uint8_t> reply) {
    RequestBlock b = RequestBlock::Command(0x12, 6);
    In(b, reply, 0xFF);
    b.cdb[4] = static_cast<std::uint8_t>(b.dataLength);
    return Run(b, 10000);
}

ScsiReply MmcCommands::Eject() {
    RequestBlock b = RequestBlock::Command(0x1B, 6);
    b.cdb[4] = 0x02;
    b.closeAfter = true;
    return Run(b, 20000);
}

ScsiReply MmcCommands::Load() {
    RequestBlock b = RequestBlock::Command(0x1B, 6);
    b.cdb[4] = 0x03;
    b.closeAfter = true;
    return Run(b, 20000);
}

ScsiReply MmcCommands::PreventRemoval(bool prevent) {
    RequestBlock b = RequestBlock::Command(0x1E, 6);
    b.cdb[4] = prevent ? 1 : 0;
    b.closeAfter = !prevent;
    return Run(b, 10000);
}

ScsiReply MmcCommands::ReadFormatCapacities(std::span<std::uint8_t> reply) {
    RequestBlock b = RequestBlock::Command(0x23, 10);
    InWithLengthAt7(b, reply, 0xFC);
    return Run(b, 10000);
}

ScsiReply MmcCommands::ReadCapacity(std::uint32_t& lastBlock, std::uint32_t& blockLength) {
    RequestBlock b = RequestBlock::Command(0x25, 10);
    std::uint8_t reply[8] = {};
    b.SetDataIn(reply, sizeof reply);
    if (auto done = Run(b, 10000); !done)
        return done;
    const auto parsed = ParseReadCapacity(std::span(reply, transferred_));
    if (!parsed)
        return base::Fail("READ CAPACITY: the reply is too short");
    lastBlock = parsed->lastBlock;
    blockLength = parsed->blockLength;
    return {};
}

ScsiReply MmcCommands::Read10(std::uint32_t lba, std::uint16_t blocks,
                              std::span<std::uint8_t> out) {
    const std::size_t bytes = static_cast<std::size_t>(blocks) * kSectorSize;
    if (out.size() < bytes)
        return base::Fail("READ(10): the buffer is smaller than the blocks asked");
    RequestBlock b = RequestBlock::Command(0x28, 10);
    base::StoreBE<std::uint32_t>(&b.cdb[2], lba);
    base::StoreBE<std::uint16_t>(&b.cdb[7], blocks);
    b.SetDataIn(out.data(), static_cast<std::uint32_t>(bytes));
    return Run(b, 10000);
}

ScsiReply MmcCommands::Write10(std::uint32_t lba, std::uint16_t blocks,
                               std::span<const std::uint8_t> data) {
    if (data.size() != static_cast<std::size_t>(blocks) * kSectorSize)
        return base::Fail("WRITE(10): the data is not the blocks' size");
    RequestBlock b = RequestBlock::Command(0x2A, 10);
    base::StoreBE<std::uint32_t>(&b.cdb[2], lba);
    base::StoreBE<std::uint16_t>(&b.cdb[7], blocks);
    b.SetDataOut(data.data(), static_cast<std::uint32_t>(data.size()));
    // Only a completed command counts: a block that never reached the drive is no success.
    return Run(b, 120000);
}

ScsiReply MmcCommands::SynchronizeCache(bool immediate, std::uint32_t timeoutMs) {
    RequestBlock b = RequestBlock::Command(0x35, 10);
    b.cdb[1] = immediate ? 0x02 : 0x00;
    return Run(b, timeoutMs);
}

ScsiReply MmcCommands::ReadToc(std::uint8_t format, bool msf, std::uint8_t trackOrSession,
                               std::span<std::uint8_t> reply) {
    RequestBlock b = RequestBlock::Command(0x43, 10);
    b.cdb[1] = msf ? 0x02 : 0x00;
    b.cdb[2] = format & 0x0F;
    b.cdb[6] = trackOrSession;
    InWithLengthAt7(b, reply, 0xFFFF);
    return Run(b, 10000);
}

ScsiReply MmcCommands::GetConfiguration(std::uint16_t feature, std::span<std::uint8_t> reply) {
    RequestBlock b = RequestBlock::Command(0x46, 10);
    b.cdb[1] = 0x02;
    base::StoreBE<std::uint16_t>(&b.cdb[2], feature);
    InWithLengthAt7(b, reply, 0xFFFF);
    return Run(b, 30000);
}

ScsiReply MmcCommands::ReadDiscInformation(std::span<std::uint8_t> reply) {
    RequestBlock b = RequestBlock::Command(0x51, 10);
    InWithLengthAt7(b, reply, 0xFFFF);
    return Run(b, 10000);
}

ScsiReply MmcCommands::ReadTrackInformation(std::uint32_t track, std::span<std::uint8_t> reply) {
    RequestBlock b = RequestBlock::Command(0x52, 10);
    b.cdb[1] = 0x01;
    base::StoreBE<std::uint32_t>(&b.cdb[2], track);
    InWithLengthAt7(b, reply, 0xFFFF);
    return Run(b, 60000);
}

ScsiReply MmcCommands::ReserveTrack(std::uint32_t blocks) {
    RequestBlock b = RequestBlock::Command(0x53, 12);
    base::StoreBE<std::uint32_t>(&b.cdb[5], blocks);
    return Run(b, 10000);
}

ScsiReply MmcCommands::SendOpcInformation() {
    RequestBlock b = RequestBlock::Command(0x54, 10);
    b.cdb[1] = 0x01;
    return Run(b, 150000);
}

ScsiReply MmcCommands::ModeSelect10(std::span<const std::uint8_t> list) {
    RequestBlock b = RequestBlock::Command(0x55, 10);
    b.cdb[1] = 0x10;
    base::StoreBE<std::uint16_t>(&b.cdb[7], Allocation(list.size()));
    b.SetDataOut(list.data(), Allocation(list.size()));
    return Run(b, 10000);
}

ScsiReply MmcCommands::ModeSense10(std::uint8_t page, bool defaults,
                                   std::span<std::uint8_t> reply) {
    std::vector<std::uint8_t> buffer(std::min<std::size_t>(reply.size(), 0xFFFF));
    RequestBlock b = RequestBlock::Command(0x5A, 10);
    b.cdb[2] = static_cast<std::uint8_t>((page & 0x3F) | (defaults ? 0x80 : 0x00));
    b.SetDataIn(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    base::StoreBE<std::uint16_t>(&b.cdb[7], Allocation(buffer.size()));
    if (auto done = Run(b, 20000); !done)
        return done;
    std::copy(buffer.begin(), buffer.end(), reply.begin());
    return {};
}

ScsiReply MmcCommands::CloseTrackSession(bool immediate, std::uint8_t function,
                                         std::uint16_t track) {
    RequestBlock b = RequestBlock::Command(0x5B, 10);
    b.cdb[1] = immediate ? 0x01 : 0x00;
    b.cdb[2] = function & 0x07;
    base::StoreBE<std::uint16_t>(&b.cdb[4], track);
    return Run(b, 180000);
}

ScsiReply MmcCommands::ReadBufferCapacity() {
    RequestBlock b = RequestBlock::Command(0x5C, 10);
    std::uint8_t reply[32] = {};
    b.SetDataIn(reply, sizeof reply);
    base::StoreBE<std::uint16_t>(&b.cdb[7], sizeof reply);
    auto& caps = device_.Capabilities();
    if (auto done = Run(b, 10000); !done) {
        caps.freeBufferSize = 0;
        return done;
    }
    const auto parsed = ParseBufferCapacity(std::span(reply, transferred_));
    if (!parsed) {
        caps.freeBufferSize = 0;
        return base::Fail("READ BUFFER CAPACITY: the reply is too short");
    }
    caps.bufferSize = parsed->size;
    caps.freeBufferSize = parsed->free;
    return {};
}

ScsiReply MmcCommands::Blank(std::uint8_t type, bool immediate) {
    RequestBlock b = RequestBlock::Command(0xA1, 12);
    b.cdb[1] = static_cast<std::uint8_t>((type & 0x07) | (immediate ? 0x10 : 0x00));
    return Run(b, 4800000);
}

ScsiReply MmcCommands::SetStreaming(std::span<const std::uint8_t> descriptor) {
    RequestBlock b = RequestBlock::Command(0xB6, 12);
    base::StoreBE<std::uint16_t>(&b.cdb[9], Allocation(descriptor.size()));
    b.SetDataOut(descriptor.data(), Allocation(descriptor.size()));
    return Run(b, 10000);
}

ScsiReply MmcCommands::SetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps) {
    RequestBlock b = RequestBlock::Command(0xBB, 12);
    base::StoreBE<std::uint16_t>(&b.cdb[2], readKBps ? readKBps : 0xFFFF);
    base::StoreBE<std::uint16_t>(&b.cdb[4], writeKBps ? writeKBps : 0xFFFF);
    return Run(b, 10000);
}

ScsiReply MmcCommands::SendDvdStructure(std::uint8_t format, std::span<const std::uint8_t> data) {
    RequestBlock b = RequestBlock::Command(0xBF, 12);
    b.cdb[7] = format;
    base::StoreBE<std::uint16_t>(&b.cdb[8], Allocation(data.size()));
    b.SetDataOut(data.data(), Allocation(data.size()));
    return Run(b, 10000);
}

} // namespace disc
