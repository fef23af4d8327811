// Shared pieces of the disc tests: a clock whose sleeps only move time, a transport answering
// from a script, and a temporary folder for disc images.
#pragma once

#include "disc/scsi/ScsiDevice.h"
#include "disc/scsi/Transport.h"
#include "disc/scsi/WaitClock.h"
#include "disc/virtual/VirtualTransport.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace disctest {

class FakeClock final : public disc::WaitClock {
public:
    std::int64_t NowMs() override { return now; }
    void SleepMs(std::int64_t ms) override {
        now += ms;
        slept += ms;
    }
    std::int64_t now = 1000000;
    std::int64_t slept = 0;
};

// Answers every command through `answer`; records each block it saw.
class ScriptedTransport final : public disc::Transport {
public:
    using Answer = std::function<void(disc::RequestBlock&)>;
    explicit ScriptedTransport(std::vector<disc::DriveInfo> drives, Answer answer)
        : drives_(std::move(drives)), answer_(std::move(answer)) {}
    std::string Name() const override { return "SCRIPT"; }
    base::Status Init() override { return {}; }
    const std::vector<disc::DriveInfo>& Drives() const override { return drives_; }
    std::uint8_t Send(disc::RequestBlock& block) override {
        block.ClearResult();
        sent.push_back(block);
        answer_(block);
        return block.status;
    }
    base::Status Reset() override { return {}; }
    std::vector<disc::RequestBlock> sent;

private:
    std::vector<disc::DriveInfo> drives_;
    Answer answer_;
};

inline disc::DriveInfo Drive(disc::DriveAddress address, std::string device,
                             std::string product = "DVDRAM GH24NSD1", std::uint8_t type = 5) {
    disc::DriveInfo d;
    d.address = address;
    d.device = std::move(device);
    d.inquiry = disc::DriveInfo::MakeInquiry(type, "HL-DT-ST", product, "LG00");
    return d;
}

// Copies a reply into the block's buffer as a drive would.
inline void Reply(disc::RequestBlock& b, const std::vector<std::uint8_t>& data) {
    const std::size_t n = std::min<std::size_t>(data.size(), b.dataLength);
    std::copy_n(data.begin(), n, b.data);
    b.transferred = static_cast<std::uint32_t>(n);
    b.status = disc::request_status::kDone;
}

// A device over one virtual recorder of the given kind, with a fake clock, selected.
struct VirtualRig {
    explicit VirtualRig(const std::string& profile, const QString& folder,
                        const std::string& name = "disc.img") {
        const std::string image = folder.toStdString() + "/" + name;
        auto transport = disc::VirtualTransport::FromSpec(profile + "=" + image);
        if (!transport)
            throw std::runtime_error(transport.error());
        recorder = (*transport)->Recorder(0);
        clock = std::make_shared<FakeClock>();
        device = std::make_unique<disc::ScsiDevice>(std::move(*transport), clock);
        if (!device->OpenTransport())
            throw std::runtime_error("no virtual recorder");
        if (auto selected = device->SelectDevice(device->DeviceList().at(0)); !selected)
            throw std::runtime_error(selected.error());
    }
    std::shared_ptr<disc::VirtualRecorder> recorder;
    std::shared_ptr<FakeClock> clock;
    std::unique_ptr<disc::ScsiDevice> device;
};

} // namespace disctest
