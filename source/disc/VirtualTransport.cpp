#include "disc/VirtualTransport.h"

#include <cctype>

namespace disc {

base::Result<std::vector<VirtualRecorderSpec>> ParseVirtualRecorderList(std::string_view text) {
    std::vector<VirtualRecorderSpec> out;
    while (!text.empty()) {
        const std::size_t semi = text.find(';');
        const std::string_view item = text.substr(0, semi);
        text = semi == std::string_view::npos ? std::string_view() : text.substr(semi + 1);
        if (item.empty())
            continue;
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos)
            return base::Fail("REELPANE_VIRTUAL_RECORDERS: \"" + std::string(item) +
                              "\" is not PROFILE=IMAGEFILE");
        const auto kind = VirtualMedium::KindFromName(item.substr(0, eq));
        if (!kind)
            return base::Fail("REELPANE_VIRTUAL_RECORDERS: unknown profile \"" +
                              std::string(item.substr(0, eq)) +
                              "\" (cd-r, cd-rw, dvd-r, dvd-rw, dvd+r, dvd+rw or dvd-ram)");
        const std::string_view path = item.substr(eq + 1);
        if (path.empty())
            return base::Fail("REELPANE_VIRTUAL_RECORDERS: no image file for \"" +
                              std::string(item.substr(0, eq)) + "\"");
        out.push_back({*kind, std::string(path)});
    }
    return out;
}

VirtualTransport::VirtualTransport(std::vector<std::shared_ptr<VirtualRecorder>> recorders)
    : recorders_(std::move(recorders)) {}

base::Result<std::unique_ptr<VirtualTransport>> VirtualTransport::FromSpec(std::string_view text) {
    auto specs = ParseVirtualRecorderList(text);
    if (!specs)
        return base::Fail(specs.error());
    std::vector<std::shared_ptr<VirtualRecorder>> recorders;
    for (const auto& s : *specs) {
        auto r = VirtualRecorder::Open(s.kind, s.imagePath);
        if (!r)
            return base::Fail(r.error());
        recorders.push_back(std::move(*r));
    }
    return std::make_unique<VirtualTransport>(std::move(recorders));
}

base::Status VirtualTransport::Init() {
    drives_.clear();
    for (std::size_t i = 0; i < recorders_.size(); ++i) {
        DriveInfo d;
        d.address = DriveAddress{0, 0, static_cast<std::uint32_t>(i), 0};
        d.device = recorders_[i]->ImagePath();
        d.inquiry = recorders_[i]->Inquiry();
        drives_.push_back(std::move(d));
    }
    return {};
}

std::uint8_t VirtualTransport::Send(RequestBlock& block) {
    block.ClearResult();
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (drives_[i].address == block.address) {
            recorders_[i]->Execute(block);
            return block.status;
        }
    }
    block.status = request_status::kNoDevice;
    return block.status;
}

base::Status VirtualTransport::SetExclusive(const DriveAddress& address, bool exclusive) {
    for (std::size_t i = 0; i < drives_.size(); ++i)
        if (drives_[i].address == address)
            return exclusive ? recorders_[i]->Hold() : (recorders_[i]->Release(), base::Status());
    return base::Fail("no drive at " + address.Text());
}

std::string VirtualTransport::Title(const DriveInfo& drive) const {
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (!(drives_[i].address == drive.address))
            continue;
        std::string kind = VirtualMedium::KindName(recorders_[i]->Medium().GetKind());
        for (char& c : kind)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string& path = recorders_[i]->ImagePath();
        const std::size_t slash = path.find_last_of('/');
        return "Virtual " + kind + " \u2014 " +
               (slash == std::string::npos ? path : path.substr(slash + 1));
    }
    return Transport::Title(drive);
}

std::shared_ptr<VirtualRecorder> VirtualTransport::Recorder(std::size_t index) const {
    return index < recorders_.size() ? recorders_[index] : nullptr;
}

} // namespace disc
