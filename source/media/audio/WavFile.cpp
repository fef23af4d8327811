#include "media/audio/WavFile.h"

#include "base/Endian.h"

#include <cerrno>
#include <cstring>

namespace media {

using base::LoadLE;
using base::StoreLE;

namespace {

bool IsId(const std::uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

std::string Errno(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

} // namespace

base::Result<WavInfo> ParseWavHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize) {
    if (head.size() < 12 || !IsId(head.data(), "RIFF") || !IsId(head.data() + 8, "WAVE"))
        return base::Fail("not a RIFF/WAVE file");
    WavInfo info;
    bool haveFormat = false;
    std::size_t at = 12;
    while (true) {
        if (at + 8 > head.size())
            return base::Fail("no data chunk in the WAV header");
        const std::uint8_t* chunk = head.data() + at;
        const std::uint32_t size = LoadLE<std::uint32_t>(chunk + 4);
        if (IsId(chunk, "fmt ")) {
            if (size < 16 || at + 8 + 16 > head.size())
                return base::Fail("WAV format chunk too short");
            const std::uint8_t* f = chunk + 8;
            const std::uint16_t tag = LoadLE<std::uint16_t>(f);
            info.Format.Channels = LoadLE<std::uint16_t>(f + 2);
            info.Format.SampleRate = LoadLE<std::uint32_t>(f + 4);
            const std::uint16_t blockAlign = LoadLE<std::uint16_t>(f + 12);
            info.Format.Bits = LoadLE<std::uint16_t>(f + 14);
            if (tag != 1 && tag != 0xFFFE)
                return base::Fail("WAV file is not plain PCM");
            if (!info.Format.Valid())
                return base::Fail("WAV format not supported (8- or 16-bit PCM, 1 to 8 channels)");
            if (blockAlign != info.Format.BlockAlign())
                return base::Fail("WAV block align does not match its channels and bits");
            haveFormat = true;
        } else if (IsId(chunk, "data")) {
            if (!haveFormat)
                return base::Fail("WAV data chunk before its format chunk");
            info.DataOffset = at + 8;
            if (info.DataOffset > fileSize)
                return base::Fail("WAV file ends inside its header");
            const std::uint64_t available = fileSize - info.DataOffset;
            std::uint64_t data = size;
            if (data == 0 || data > available)
                data = available;
            info.DataSize = data - data % info.Format.BlockAlign();
            return info;
        }
        const std::uint64_t next = at + 8 + static_cast<std::uint64_t>(size) + (size & 1u);
        if (next > head.size())
            return base::Fail("WAV header chunk runs past the header");
        at = static_cast<std::size_t>(next);
    }
}

void BuildWavHeader(std::uint8_t* out, const PcmFormat& format, std::uint64_t dataSize) {
    const std::uint32_t data =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(dataSize, 0xFFFFFFFFu - 36));
    std::memcpy(out, "RIFF", 4);
    StoreLE<std::uint32_t>(out + 4, data + 36);
    std::memcpy(out + 8, "WAVEfmt ", 8);
    StoreLE<std::uint32_t>(out + 16, 16);
    StoreLE<std::uint16_t>(out + 20, 1);
    StoreLE<std::uint16_t>(out + 22, format.Channels);
    StoreLE<std::uint32_t>(out + 24, format.SampleRate);
    StoreLE<std::uint32_t>(out + 28, format.BytesPerSecond());
    StoreLE<std::uint16_t>(out + 32, static_cast<std::uint16_t>(format.BlockAlign()));
    StoreLE<std::uint16_t>(out + 34, format.Bits);
    std::memcpy(out + 36, "data", 4);
    StoreLE<std::uint32_t>(out + 40, data);
}

// ---- reader -------------------------------------------------------------------------------

base::Result<std::unique_ptr<WavReader>> WavReader::Open(const std::string& path) {
    std::unique_ptr<WavReader> r(new WavReader);
    r->file_ = std::fopen(path.c_str(), "rb");
    if (!r->file_)
        return base::Fail(Errno("cannot open", path));
    if (std::fseek(r->file_, 0, SEEK_END) != 0)
        return base::Fail(Errno("cannot read", path));
    const long end = std::ftell(r->file_);
    std::rewind(r->file_);
    if (end < 0)
        return base::Fail(Errno("cannot read", path));
    std::uint8_t head[4096];
    const std::size_t got = std::fread(head, 1, sizeof head, r->file_);
    auto info = ParseWavHeader({head, got}, static_cast<std::uint64_t>(end));
    if (!info)
        return base::Fail(path + ": " + info.error());
    r->info_ = *info;
    r->left_ = info->DataSize;
    if (std::fseek(r->file_, static_cast<long>(info->DataOffset), SEEK_SET) != 0)
        return base::Fail(Errno("cannot read", path));
    return r;
}

WavReader::~WavReader() {
    if (file_)
        std::fclose(file_);
}

base::Result<std::size_t> WavReader::Read(std::uint8_t* out, std::size_t size) {
    const std::size_t block = info_.Format.BlockAlign();
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, left_));
    want -= want % block;
    if (want == 0)
        return std::size_t{0};
    const std::size_t got = std::fread(out, 1, want, file_);
    if (got != want)
        return base::Fail("the WAV file ended early or could not be read");
    left_ -= got;
    return got;
}

// ---- writer -------------------------------------------------------------------------------

base::Result<std::unique_ptr<WavWriter>> WavWriter::Create(const std::string& path,
                                                           const PcmFormat& format) {
    if (!format.Valid())
        return base::Fail("unsupported PCM format for " + path);
    std::unique_ptr<WavWriter> w(new WavWriter);
    w->path_ = path;
    w->format_ = format;
    w->file_ = std::fopen(path.c_str(), "wb");
    if (!w->file_)
        return base::Fail(Errno("cannot create", path));
    std::uint8_t header[kWavHeaderSize];
    BuildWavHeader(header, format, 0);
    StoreLE<std::uint32_t>(header + 4, 0); // both sizes 0 until Close
    if (std::fwrite(header, 1, sizeof header, w->file_) != sizeof header)
        return base::Fail(Errno("cannot write", path));
    return w;
}

WavWriter::~WavWriter() {
    if (file_)
        std::fclose(file_);
}

base::Status WavWriter::Append(std::span<const std::uint8_t> samples) {
    if (!file_)
        return base::Fail("the WAV file is closed");
    if (std::fwrite(samples.data(), 1, samples.size(), file_) != samples.size())
        return base::Fail(Errno("cannot write", path_));
    dataSize_ += samples.size();
    return {};
}

base::Status WavWriter::Close() {
    if (!file_)
        return base::Fail("the WAV file is closed");
    std::uint8_t header[kWavHeaderSize];
    BuildWavHeader(header, format_, dataSize_);
    bool ok = std::fseek(file_, 0, SEEK_SET) == 0 &&
              std::fwrite(header, 1, sizeof header, file_) == sizeof header;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (!ok)
        return base::Fail(Errno("cannot write", path_));
    return {};
}

} // namespace media
