#include "Channel.h"

#include "Bytes.h"
#include "Mp3Length.h"
#include "OggInfo.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace bass {

namespace {

constexpr std::uint64_t kMaxId3v2 = 64u << 20;

std::mutex tableMutex;
std::map<std::uint32_t, std::shared_ptr<Channel>>& Table() {
    static std::map<std::uint32_t, std::shared_ptr<Channel>> table;
    return table;
}
std::uint32_t nextHandle = 1;

std::optional<std::string> ReadId3v1(const ByteSource& s) {
    if (s.Size() < 128)
        return std::nullopt;
    std::string block(128, '\0');
    if (!s.ReadExact(s.Size() - 128, block.data(), 128) || block.compare(0, 3, "TAG") != 0)
        return std::nullopt;
    return block;
}

std::optional<std::string> ReadId3v2(const ByteSource& s) {
    const std::uint64_t size = Id3v2PrefixSize(s);
    if (size == 0 || size > s.Size() || size > kMaxId3v2)
        return std::nullopt;
    std::string block(static_cast<std::size_t>(size), '\0');
    if (!s.ReadExact(0, block.data(), block.size()))
        return std::nullopt;
    return block;
}

} // namespace

Channel::Channel(std::uint32_t h, bool decode, std::unique_ptr<Decoder> d)
    : handle(h), decodeOnly(decode), rate(d->Rate()), channels(d->Channels()),
      eightBit(d->EightBit()), decoder(std::move(d)) {
    // MP3 and Ogg lengths are measured from the file's frames and pages here, and the decoder
    // is held to them, so the reported length and the decoded stream never disagree.
    const std::uint64_t frames = MeasureFromFile();
    if (frames != kUnknown) {
        length_ = frames * static_cast<std::uint64_t>(BytesPerFrame());
        lengthTried_ = true;
        decoder->SetLength(static_cast<std::int64_t>(frames));
    }
}

Channel::Channel(std::uint32_t h, bool decode, int r, int c, bool eight, StreamProc proc)
    : handle(h), decodeOnly(decode), rate(r), channels(c), eightBit(eight), proc_(proc) {
    lengthTried_ = true; // a supplied stream has no length
}

std::size_t Channel::Read(std::uint8_t* out, std::size_t n, bool* ended) {
    if (decoder) {
        const std::size_t got = decoder->Read(out, n);
        *ended = got < n;
        return got;
    }
    const auto bpf = static_cast<std::size_t>(BytesPerFrame());
    n -= n % bpf;
    if (released || procEnded_ || n == 0) {
        *ended = released || procEnded_;
        return 0;
    }
    const std::uint32_t want = static_cast<std::uint32_t>(std::min<std::size_t>(n, 1u << 24));
    const std::uint32_t answer = proc_.proc(handle, out, want, proc_.user);
    std::size_t got = answer == ~0u ? 0 : (answer & ~BASS_STREAMPROC_END);
    got = std::min<std::size_t>(got, want);
    got -= got % bpf;
    procEnded_ = answer == ~0u || (answer & BASS_STREAMPROC_END) != 0;
    procPosition_ += got;
    *ended = procEnded_;
    return got;
}

std::uint64_t Channel::SourcePosition() const {
    return decoder ? decoder->Position() : procPosition_;
}

bool Channel::SourceSeek(std::uint64_t pos) {
    if (decoder)
        return decoder->Seek(pos);
    if (pos != 0)
        return false;
    procPosition_ = 0;
    procEnded_ = false;
    return true;
}

bool Channel::SourceAtEnd() {
    return decoder ? decoder->AtEnd() : procEnded_;
}

Channel::~Channel() {
    if (converter)
        SDL_FreeAudioStream(converter);
    if (resampler)
        SDL_FreeAudioStream(resampler);
}

std::optional<std::uint64_t> Channel::Length() {
    if (!lengthTried_) {
        lengthTried_ = true;
        const std::uint64_t n = MeasureLength();
        if (n != ~std::uint64_t{0})
            length_ = n;
    }
    return length_;
}

std::uint64_t Channel::MeasureFromFile() const {
    const std::string format = decoder->FormatName();
    const ByteSource& source = decoder->Source();
    if (format == "mp3") {
        Mp3Length m;
        if (MeasureMp3(source, &m) && m.sampleRate == rate)
            return m.samples;
    } else if (format == "ogg") {
        OggStreamInfo info;
        if (ReadOggStreamInfo(source, &info) && info.vorbis)
            return info.lastGranule;
    }
    return kUnknown;
}

std::uint64_t Channel::MeasureLength() {
    const auto bpf = static_cast<std::uint64_t>(BytesPerFrame());
    // WAV headers are checked by the container against the bytes present; an MP3 or Ogg file
    // that the walks above could not measure has no header worth believing either.
    if (decoder->FormatName() == "wav") {
        const std::int64_t frames = decoder->ContainerFrames();
        if (frames >= 0)
            return static_cast<std::uint64_t>(frames) * bpf;
    }
    // Nothing says how long it is: count by decoding with a second, private decoder.
    std::int32_t error = 0;
    auto counter = Decoder::Open(decoder->SharedSource(), &error);
    if (!counter)
        return ~std::uint64_t{0};
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::uint64_t total = 0;
    while (const std::size_t n = counter->Read(buffer.data(), buffer.size()))
        total += n;
    return total;
}

const char* Channel::Tags(std::uint32_t kind) {
    if (kind > 2 || !decoder)
        return nullptr;
    if (!tags_[kind]) {
        const ByteSource& s = decoder->Source();
        std::optional<std::string> block;
        if (kind == BASS_TAG_ID3)
            block = ReadId3v1(s);
        else if (kind == BASS_TAG_ID3V2)
            block = ReadId3v2(s);
        else if (std::string c; ReadOggComments(s, &c))
            block = std::move(c);
        tags_[kind] = block ? std::move(*block) : std::string();
    }
    return tags_[kind]->empty() ? nullptr : tags_[kind]->data();
}

namespace {

// Enters a channel made by make(handle) under the next free handle.
template <typename Make> std::uint32_t Register(Make make) {
    std::lock_guard lock(tableMutex);
    auto& table = Table();
    while (nextHandle == 0 || table.count(nextHandle))
        ++nextHandle;
    const std::uint32_t h = nextHandle++;
    table[h] = make(h);
    return h;
}

} // namespace

std::uint32_t RegisterChannel(bool decodeOnly, std::unique_ptr<Decoder> decoder) {
    return Register([&](std::uint32_t h) {
        return std::make_shared<Channel>(h, decodeOnly, std::move(decoder));
    });
}

std::uint32_t RegisterProcChannel(bool decodeOnly, int rate, int channels, bool eightBit,
                                  StreamProc proc) {
    return Register([&](std::uint32_t h) {
        return std::make_shared<Channel>(h, decodeOnly, rate, channels, eightBit, proc);
    });
}

std::shared_ptr<Channel> FindChannel(std::uint32_t handle) {
    std::lock_guard lock(tableMutex);
    auto it = Table().find(handle);
    return it == Table().end() ? nullptr : it->second;
}

std::shared_ptr<Channel> RemoveChannel(std::uint32_t handle) {
    std::lock_guard lock(tableMutex);
    auto it = Table().find(handle);
    if (it == Table().end())
        return nullptr;
    auto ch = std::move(it->second);
    Table().erase(it);
    return ch;
}

std::vector<std::shared_ptr<Channel>> AllChannels() {
    std::lock_guard lock(tableMutex);
    std::vector<std::shared_ptr<Channel>> all;
    for (auto& [h, ch] : Table())
        all.push_back(ch);
    return all;
}

} // namespace bass
