// The transport of virtual recorders, chosen with REELPANE_VIRTUAL_RECORDERS
// ("PROFILE=IMAGEFILE;PROFILE=IMAGEFILE..." with the profiles cd-r, cd-rw, dvd-r, dvd-rw, dvd+r,
// dvd+rw and dvd-ram). Recorder n sits at address 0:0:n:0 and its device name is its image path.
#pragma once

#include "disc/Transport.h"
#include "disc/VirtualRecorder.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace disc {

struct VirtualRecorderSpec {
    VirtualMedium::Kind kind;
    std::string imagePath;
};

// Reads the variable's value; empty items are skipped, anything else malformed is an error.
base::Result<std::vector<VirtualRecorderSpec>> ParseVirtualRecorderList(std::string_view text);

class VirtualTransport final : public Transport {
public:
    explicit VirtualTransport(std::vector<std::shared_ptr<VirtualRecorder>> recorders);
    // Opens the recorders a variable value names.
    static base::Result<std::unique_ptr<VirtualTransport>> FromSpec(std::string_view text);

    std::string Name() const override { return "VIRTUAL"; }
    base::Status Init() override;
    const std::vector<DriveInfo>& Drives() const override { return drives_; }
    std::uint8_t Send(RequestBlock& block) override;
    base::Status Reset() override { return Init(); }
    // "recorder busy" while another job (of any process) holds the recorder's image.
    base::Status SetExclusive(const DriveAddress& address, bool exclusive) override;
    // "Virtual DVD+RW — dvd.img": the disc kind and the image's file name.
    std::string Title(const DriveInfo& drive) const override;

    std::shared_ptr<VirtualRecorder> Recorder(std::size_t index) const;

private:
    std::vector<std::shared_ptr<VirtualRecorder>> recorders_;
    std::vector<DriveInfo> drives_;
};

} // namespace disc
