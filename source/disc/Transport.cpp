#include "disc/Transport.h"

#include <algorithm>

namespace disc {

namespace {

std::string Field(const std::array<std::uint8_t, kInquiryCacheSize>& data, std::size_t at,
                  std::size_t width) {
    std::string s(width, ' ');
    for (std::size_t i = 0; i < width; ++i) {
        const std::uint8_t c = data[at + i];
        s[i] = (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : ' ';
    }
    return s;
}

void PutField(std::array<std::uint8_t, kInquiryCacheSize>& data, std::size_t at, std::size_t width,
              std::string_view text) {
    for (std::size_t i = 0; i < width; ++i)
        data[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

} // namespace

std::string DriveInfo::Vendor() const {
    return Field(inquiry, 8, 8);
}
std::string DriveInfo::Product() const {
    return Field(inquiry, 16, 16);
}
std::string DriveInfo::Revision() const {
    return Field(inquiry, 32, 4);
}

std::array<std::uint8_t, kInquiryCacheSize> DriveInfo::MakeInquiry(std::uint8_t type,
                                                                   std::string_view vendor,
                                                                   std::string_view product,
                                                                   std::string_view revision) {
    std::array<std::uint8_t, kInquiryCacheSize> data{};
    data[0] = type & 0x1F;
    data[1] = 0x80; // removable medium
    data[2] = 0x05; // the command set version modern recorders report
    data[3] = 0x02;
    data[4] = kInquiryCacheSize - 5;
    PutField(data, 8, 8, vendor);
    PutField(data, 16, 16, product);
    PutField(data, 32, 4, revision);
    return data;
}

std::uint16_t Transport::SupportInfo() const {
    const auto& drives = Drives();
    if (drives.empty())
        return 0xE800;
    std::uint32_t highest = 0;
    for (const auto& d : drives)
        highest = std::max(highest, d.address.host);
    const std::uint32_t count = std::min<std::uint32_t>(highest + 1, 0xFF);
    return static_cast<std::uint16_t>(0x0100 | count);
}

const DriveInfo* Transport::Find(const DriveAddress& address) const {
    for (const auto& d : Drives())
        if (d.address == address)
            return &d;
    return nullptr;
}

} // namespace disc

namespace disc {

namespace {

std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    std::size_t start = 0;
    while (start < s.size() && s[start] == ' ')
        ++start;
    return s.substr(start);
}

} // namespace

std::string Transport::Title(const DriveInfo& drive) const {
    const std::string vendor = Trimmed(drive.Vendor());
    const std::string product = Trimmed(drive.Product());
    if (vendor.empty())
        return product.empty() ? drive.device : product;
    return product.empty() ? vendor : vendor + " " + product;
}

} // namespace disc
