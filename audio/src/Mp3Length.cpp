#include "Mp3Length.h"

#include "Bytes.h"

#include <cstring>
#include <vector>

namespace bass {

namespace {

constexpr int kBitrates[2][3][15] = {
    // MPEG-1: layer I, II, III
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    // MPEG-2 and 2.5: layer I, II, III
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};

constexpr int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// Reads a file through one block buffer, so the walk over thousands of frame headers costs a
// few large reads.
class Cursor {
public:
    explicit Cursor(const ByteSource& source) : source_(source), buffer_(256 * 1024) {}

    // Pointer to n bytes at pos, or nullptr when the file has fewer.
    const std::uint8_t* At(std::uint64_t pos, std::size_t n) {
        if (pos >= base_ && pos - base_ + n <= length_)
            return buffer_.data() + (pos - base_);
        if (n > buffer_.size())
            return nullptr;
        base_ = pos;
        length_ = source_.ReadAt(pos, buffer_.data(), buffer_.size());
        return n <= length_ ? buffer_.data() : nullptr;
    }

private:
    const ByteSource& source_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t base_ = 0;
    std::size_t length_ = 0;
};

bool SameStream(const MpegHeader& a, const MpegHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// A header that the next frame confirms (or that ends the file), so that a stray 0xFF byte in
// a tag or in picture data is not taken for audio.
bool ConfirmedHeaderAt(Cursor& cur, std::uint64_t pos, std::uint64_t size, MpegHeader* h) {
    const std::uint8_t* p = cur.At(pos, 4);
    if (!p || !ParseMpegHeader(p, h))
        return false;
    const std::uint64_t next = pos + static_cast<std::uint64_t>(h->frameBytes);
    if (next + 4 > size)
        return next <= size;
    MpegHeader n;
    const std::uint8_t* q = cur.At(next, 4);
    return q && ParseMpegHeader(q, &n) && SameStream(*h, n);
}

bool FindFirstFrame(Cursor& cur, std::uint64_t from, std::uint64_t size, std::uint64_t* pos,
                    MpegHeader* h) {
    for (std::uint64_t p = from; p + 4 <= size; ++p) {
        const std::uint8_t* b = cur.At(p, 4);
        if (!b)
            return false;
        if (b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && ConfirmedHeaderAt(cur, p, size, h)) {
            *pos = p;
            return true;
        }
    }
    return false;
}

// Frame count from a Xing/Info or VBRI header in the first frame. Also the encoder delay and
// padding that the decoder trims when the LAME extension carries them.
bool ReadVbrHeader(Cursor& cur, std::uint64_t pos, const MpegHeader& h, std::uint64_t* frames,
                   std::uint32_t* trimmed, bool* isInfoFrame) {
    *isInfoFrame = false;
    const std::uint64_t xingAt = pos + 4 + static_cast<std::uint64_t>(h.sideInfo);
    const std::uint8_t* x = cur.At(xingAt, 8);
    if (x && (std::memcmp(x, "Xing", 4) == 0 || std::memcmp(x, "Info", 4) == 0)) {
        *isInfoFrame = true;
        const std::uint32_t flags = Be32(x + 4);
        std::uint64_t off = xingAt + 8;
        if (!(flags & 1))
            return false;
        const std::uint8_t* f = cur.At(off, 4);
        if (!f)
            return false;
        *frames = Be32(f);
        off += 4;
        if (flags & 2)
            off += 4;
        if (flags & 4)
            off += 100;
        if (flags & 8)
            off += 4;
        // The LAME extension: 9 bytes of encoder name, ..., delay and padding at 21..23.
        if (const std::uint8_t* l = cur.At(off, 24);
            l && (std::memcmp(l, "LAME", 4) == 0 || std::memcmp(l, "Lavf", 4) == 0 ||
                  std::memcmp(l, "Lavc", 4) == 0)) {
            const std::uint32_t v =
                (std::uint32_t{l[21]} << 16) | (std::uint32_t{l[22]} << 8) | l[23];
            *trimmed = (v >> 12) + (v & 0xFFF);
        }
        return true;
    }
    const std::uint8_t* v = cur.At(pos + 4 + 32, 18);
    if (v && std::memcmp(v, "VBRI", 4) == 0) {
        *isInfoFrame = true;
        *frames = Be32(v + 14);
        return true;
    }
    return false;
}

bool IsTrailerAt(Cursor& cur, std::uint64_t pos) {
    const std::uint8_t* p = cur.At(pos, 8);
    if (!p)
        return true;
    return std::memcmp(p, "TAG", 3) == 0 || std::memcmp(p, "APETAGEX", 8) == 0 ||
           std::memcmp(p, "LYRICS", 6) == 0;
}

} // namespace

bool ParseMpegHeader(const std::uint8_t* p, MpegHeader* h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return false;
    const int padding = (p[2] >> 1) & 1;
    h->version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h->layer = 4 - layerBits;
    const int rateRow = h->version == 1 ? 0 : h->version == 2 ? 1 : 2;
    h->sampleRate = kRates[rateRow][rateIndex];
    h->channels = (p[3] >> 6) == 3 ? 1 : 2;
    const int kbps = kBitrates[h->version == 1 ? 0 : 1][h->layer - 1][bitrateIndex];
    const int bps = kbps * 1000;
    if (h->layer == 1) {
        h->samples = 384;
        h->frameBytes = (12 * bps / h->sampleRate + padding) * 4;
    } else if (h->layer == 2 || h->version == 1) {
        h->samples = 1152;
        h->frameBytes = 144 * bps / h->sampleRate + padding;
    } else {
        h->samples = 576;
        h->frameBytes = 72 * bps / h->sampleRate + padding;
    }
    if (h->layer == 3)
        h->sideInfo = h->version == 1 ? (h->channels == 1 ? 17 : 32) : (h->channels == 1 ? 9 : 17);
    else
        h->sideInfo = 0;
    return h->frameBytes >= 4;
}

std::uint64_t Id3v2PrefixSize(const ByteSource& source) {
    std::uint8_t head[10];
    if (!source.ReadExact(0, head, sizeof head) || std::memcmp(head, "ID3", 3) != 0)
        return 0;
    std::uint32_t body = 0;
    if (!SyncSafe32(head + 6, &body))
        return 0;
    return 10 + std::uint64_t{body} + ((head[5] & 0x10) ? 10 : 0);
}

bool MeasureMp3(const ByteSource& source, Mp3Length* out) {
    const std::uint64_t size = source.Size();
    Cursor cur(source);
    MpegHeader first;
    std::uint64_t pos = 0;
    if (!FindFirstFrame(cur, Id3v2PrefixSize(source), size, &pos, &first))
        return false;
    out->sampleRate = first.sampleRate;
    out->channels = first.channels;

    std::uint64_t headerFrames = 0;
    std::uint32_t trimmed = 0;
    bool infoFrame = false;
    const bool haveHeader =
        ReadVbrHeader(cur, pos, first, &headerFrames, &trimmed, &infoFrame) && headerFrames > 0;

    // Walk the frames, skipping the header frame itself (it holds no audio) and resynchronising
    // over damaged stretches. The walk is what the decoder will meet: a file cut short, two
    // files joined end to end, or a header with an invented count all show up here.
    std::uint64_t frames = 0, samples = 0;
    if (infoFrame)
        pos += static_cast<std::uint64_t>(first.frameBytes);
    while (pos + 4 <= size) {
        MpegHeader h;
        const std::uint8_t* p = cur.At(pos, 4);
        if (p && ParseMpegHeader(p, &h) && SameStream(h, first)) {
            // A frame cut short by the end of the file still decodes (to its end, padded).
            ++frames;
            samples += static_cast<std::uint64_t>(h.samples);
            pos += static_cast<std::uint64_t>(h.frameBytes);
            continue;
        }
        if (IsTrailerAt(cur, pos))
            break;
        MpegHeader next;
        std::uint64_t found = 0;
        if (!FindFirstFrame(cur, pos + 1, size, &found, &next) || !SameStream(next, first))
            break;
        pos = found;
    }

    // The header's count is exact (with the encoder's delay and padding) when the walk agrees
    // with it; writers differ on whether the header frame itself is counted.
    const bool headerHolds = haveHeader && (headerFrames == frames || headerFrames == frames + 1 ||
                                            headerFrames + 1 == frames);
    if (headerHolds) {
        const std::uint64_t total = headerFrames * static_cast<std::uint64_t>(first.samples);
        out->samples = total > trimmed ? total - trimmed : 0;
        out->fromHeader = true;
        return true;
    }
    // The decoder still drops the encoder delay the header announces.
    out->samples = haveHeader && samples > trimmed ? samples - trimmed : samples;
    out->fromHeader = false;
    return samples > 0;
}

} // namespace bass
