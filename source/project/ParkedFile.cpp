#include "project/ParkedFile.h"

#include "base/FileName.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>
#include <vector>

namespace project {

namespace fs = std::filesystem;

namespace {

// A rename, or a copy and delete where the two paths lie on different file systems.
// The failure is the system's reason alone; the caller names the file.
base::Status Relocate(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::rename(fs::path(from), fs::path(to), ec);
    if (!ec)
        return {};
    if (ec != std::errc::cross_device_link)
        return base::Fail(ec.message());
    fs::copy_file(fs::path(from), fs::path(to), fs::copy_options::overwrite_existing, ec);
    if (ec) {
        base::Error why{ec.message()};
        fs::remove(fs::path(to), ec);
        return why;
    }
    fs::remove(fs::path(from), ec);
    return {};
}

} // namespace

ParkedFile::ParkedFile(std::string folder, const std::string& name)
    : path_(std::move(folder) + name) {}

ParkedFile::ParkedFile(ParkedFile&& other) noexcept
    : path_(std::move(other.path_)), holds_(std::exchange(other.holds_, false)) {}

ParkedFile& ParkedFile::operator=(ParkedFile&& other) noexcept {
    if (this != &other) {
        Drop();
        path_ = std::move(other.path_);
        holds_ = std::exchange(other.holds_, false);
    }
    return *this;
}

ParkedFile::~ParkedFile() {
    Drop();
}

void ParkedFile::Drop() {
    if (!holds_)
        return;
    std::error_code ec;
    fs::remove(fs::path(path_), ec);
    holds_ = false;
}

std::string ParkedFile::UniqueName(const std::string& ext) {
    static std::atomic<unsigned long long> next{1};
    return "kept_" + std::to_string(next.fetch_add(1)) + ext;
}

base::Status ParkedFile::MoveIn(const std::string& path) {
    if (holds_)
        return base::Fail("a file is kept already for " + path);
    if (auto moved = Relocate(path, path_); !moved)
        return base::Fail("cannot keep " + path + " for undo: " + moved.error());
    holds_ = true;
    return {};
}

base::Status ParkedFile::CopyIn(const std::string& path) {
    if (holds_)
        return base::Fail("a file is kept already for " + path);
    std::error_code ec;
    fs::copy_file(fs::path(path), fs::path(path_), fs::copy_options::overwrite_existing, ec);
    if (ec) {
        fs::remove(fs::path(path_), ec);
        return base::Fail("cannot keep a copy of " + path + " for undo: " + ec.message());
    }
    holds_ = true;
    return {};
}

base::Status ParkedFile::MoveOut(const std::string& path) {
    if (!holds_)
        return base::Fail("no file is kept for " + path);
    if (base::EntryExists(path))
        return base::Fail("cannot put back " + path + ": another file has its name");
    if (auto moved = Relocate(path_, path); !moved)
        return base::Fail("cannot put back " + path + ": " + moved.error());
    holds_ = false;
    return {};
}

base::Status ParkedFile::SwapWith(const std::string& path) {
    if (!holds_)
        return base::Fail("no file is kept for " + path);
    const std::string aside = path_ + ".swap";
    if (auto movedAside = Relocate(path, aside); !movedAside)
        return base::Fail("cannot exchange " + path + ": " + movedAside.error());
    if (auto in = Relocate(path_, path); !in) {
        (void)Relocate(aside, path); // best effort: the working file back where it was
        return base::Fail("cannot exchange " + path + ": " + in.error());
    }
    if (auto kept = Relocate(aside, path_); !kept) {
        holds_ = false; // the other version is lost; the working file is the kept one now
        return base::Fail("cannot keep " + path + " for undo: " + kept.error());
    }
    return {};
}

bool ParkedFile::SameBytesAs(const std::string& path) const {
    if (!holds_)
        return false;
    std::ifstream a(path_, std::ios::binary);
    std::ifstream b(path, std::ios::binary);
    if (!a || !b)
        return false;
    std::vector<char> ba(1 << 16);
    std::vector<char> bb(1 << 16);
    for (;;) {
        a.read(ba.data(), static_cast<std::streamsize>(ba.size()));
        b.read(bb.data(), static_cast<std::streamsize>(bb.size()));
        const auto na = a.gcount();
        const auto nb = b.gcount();
        if (na != nb || std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(na)) != 0)
            return false;
        if (na == 0 || !a || !b)
            return !a == !b && a.eof() && b.eof();
    }
}

} // namespace project
