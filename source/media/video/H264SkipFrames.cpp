#include "media/video/H264SkipFrames.h"

#include <algorithm>
#include <string>

namespace media {

namespace {

constexpr int kNalSlice = 1;
constexpr int kNalIdr = 5;
constexpr int kNalSps = 7;
constexpr int kNalPps = 8;
constexpr std::uint32_t kSliceTypeP = 5; // P, and every slice of the picture is P

// The NAL units of an Annex B stream, each without its start code.
std::vector<std::span<const std::uint8_t>> SplitNals(std::span<const std::uint8_t> stream) {
    std::vector<std::span<const std::uint8_t>> nals;
    const std::size_t n = stream.size();
    std::size_t start = std::string::npos;
    std::size_t i = 0;
    while (i + 2 < n) {
        if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1) {
            if (start != std::string::npos) {
                std::size_t end = i;
                while (end > start && stream[end - 1] == 0) // trailing zeros belong to the code
                    --end;
                nals.push_back(stream.subspan(start, end - start));
            }
            i += 3;
            start = i;
        } else {
            ++i;
        }
    }
    if (start != std::string::npos && start < n)
        nals.push_back(stream.subspan(start));
    return nals;
}

// The payload of a NAL unit after its header byte, with emulation prevention bytes removed; at
// most `limit` bytes (the fields read here sit at the start).
std::vector<std::uint8_t> Unescape(std::span<const std::uint8_t> nal, std::size_t limit) {
    std::vector<std::uint8_t> out;
    int zeros = 0;
    for (std::size_t i = 1; i < nal.size() && out.size() < limit; ++i) {
        const std::uint8_t b = nal[i];
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        out.push_back(b);
    }
    return out;
}

// Reads the bit fields of a parameter set or slice header; reading past the end fails.
class BitReader {
public:
    explicit BitReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool Ok() const { return ok_; }
    std::uint32_t Bits(int count) {
        std::uint32_t v = 0;
        for (int k = 0; k < count; ++k) {
            if (pos_ >= bytes_.size() * 8) {
                ok_ = false;
                return 0;
            }
            v = (v << 1) | ((bytes_[pos_ / 8] >> (7 - pos_ % 8)) & 1u);
            ++pos_;
        }
        return v;
    }
    std::uint32_t Ue() {
        int zeros = 0;
        while (ok_ && Bits(1) == 0) {
            if (++zeros > 31) {
                ok_ = false;
                return 0;
            }
        }
        if (!ok_)
            return 0;
        return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + Bits(zeros));
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Writes bit fields and closes them into an escaped NAL unit with its start code.
class BitWriter {
public:
    void Bits(std::uint32_t value, int count) {
        for (int k = count - 1; k >= 0; --k) {
            current_ = static_cast<std::uint8_t>((current_ << 1) | ((value >> k) & 1u));
            if (++filled_ == 8) {
                bytes_.push_back(current_);
                current_ = 0;
                filled_ = 0;
            }
        }
    }
    void Ue(std::uint32_t value) {
        const std::uint64_t code = std::uint64_t{value} + 1;
        int length = 0;
        while ((code >> length) > 1)
            ++length;
        Bits(0, length);
        Bits(1, 1);
        Bits(static_cast<std::uint32_t>(code & ((std::uint64_t{1} << length) - 1)), length);
    }
    void Se(std::int32_t value) {
        Ue(value > 0 ? static_cast<std::uint32_t>(2 * value - 1)
                     : static_cast<std::uint32_t>(-2 * static_cast<std::int64_t>(value)));
    }
    // rbsp_trailing_bits, then the NAL header and emulation prevention.
    std::vector<std::uint8_t> Finish(std::uint8_t header) {
        Bits(1, 1);
        while (filled_ != 0)
            Bits(0, 1);
        std::vector<std::uint8_t> out{0, 0, 0, 1, header};
        int zeros = 0;
        for (std::uint8_t b : bytes_) {
            if (zeros >= 2 && b <= 3) {
                out.push_back(3);
                zeros = 0;
            }
            out.push_back(b);
            zeros = b == 0 ? zeros + 1 : 0;
        }
        return out;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint8_t current_ = 0;
    int filled_ = 0;
};

bool HasChromaFields(std::uint32_t profile) {
    switch (profile) {
    case 100:
    case 110:
    case 122:
    case 244:
    case 44:
    case 83:
    case 86:
    case 118:
    case 128:
    case 138:
    case 139:
    case 134:
    case 135:
        return true;
    default:
        return false;
    }
}

} // namespace

base::Result<H264SkipFrames> H264SkipFrames::Create(std::span<const std::uint8_t> parameterSets) {
    H264SkipFrames s;
    bool haveSps = false;
    std::uint32_t usedPps = 0; // bit mask of the encoder's parameter set ids below 32
    for (auto nal : SplitNals(parameterSets)) {
        if (nal.empty())
            continue;
        const int type = nal[0] & 0x1F;
        const auto rbsp = Unescape(nal, 64);
        BitReader r(rbsp);
        if (type == kNalPps) {
            const std::uint32_t id = r.Ue();
            if (r.Ok() && id < 32)
                usedPps |= 1u << id;
            continue;
        }
        if (type != kNalSps || haveSps)
            continue;
        const std::uint32_t profile = r.Bits(8);
        r.Bits(16); // constraint flags, level
        s.spsId_ = r.Ue();
        if (HasChromaFields(profile)) {
            const std::uint32_t chroma = r.Ue();
            if (chroma == 3)
                r.Bits(1);
            r.Ue(); // luma bit depth
            r.Ue(); // chroma bit depth
            r.Bits(1);
            if (r.Bits(1))
                return base::Fail("H.264 stream with a scaling matrix");
        }
        s.frameNumBits_ = r.Ue() + 4;
        s.pocType_ = r.Ue();
        if (s.pocType_ == 0)
            s.pocLsbBits_ = r.Ue() + 4;
        else if (s.pocType_ != 2)
            return base::Fail("H.264 stream with picture order type 1");
        r.Ue();    // reference frames
        r.Bits(1); // gaps in frame numbers allowed
        const std::uint32_t widthMbs = r.Ue() + 1;
        const std::uint32_t heightMbs = r.Ue() + 1;
        if (r.Bits(1) != 1)
            return base::Fail("Interlaced H.264 stream");
        if (!r.Ok() || s.frameNumBits_ > 16 || s.pocLsbBits_ > 16 || widthMbs > 1024 ||
            heightMbs > 1024)
            return base::Fail("Unreadable H.264 sequence parameter set");
        s.macroblocks_ = widthMbs * heightMbs;
        haveSps = true;
    }
    if (!haveSps)
        return base::Fail("No H.264 sequence parameter set");
    s.ppsId_ = 0;
    while (s.ppsId_ < 32 && (usedPps & (1u << s.ppsId_)))
        ++s.ppsId_;

    BitWriter w;
    w.Ue(s.ppsId_);
    w.Ue(s.spsId_);
    w.Bits(0, 1); // CAVLC
    w.Bits(0, 1); // no field picture order
    w.Ue(0);      // one slice group
    w.Ue(0);      // one reference in list 0
    w.Ue(0);      // one reference in list 1
    w.Bits(0, 1); // no weighted prediction
    w.Bits(0, 2); // no weighted bi-prediction
    w.Se(0);      // initial quantiser 26
    w.Se(0);
    w.Se(0);      // chroma quantiser offset
    w.Bits(1, 1); // the slice says how to deblock
    w.Bits(0, 1); // intra prediction not constrained
    w.Bits(0, 1); // no redundant pictures
    s.pps_ = w.Finish(static_cast<std::uint8_t>(0x60 | kNalPps));
    return s;
}

base::Result<H264SliceInfo> H264SkipFrames::ReadSlice(std::span<const std::uint8_t> frame) const {
    for (auto nal : SplitNals(frame)) {
        if (nal.empty())
            continue;
        const int type = nal[0] & 0x1F;
        if (type != kNalSlice && type != kNalIdr)
            continue;
        H264SliceInfo info;
        info.Reference = (nal[0] & 0x60) != 0;
        info.Idr = type == kNalIdr;
        const auto rbsp = Unescape(nal, 32);
        BitReader r(rbsp);
        r.Ue(); // first macroblock
        r.Ue(); // slice type
        r.Ue(); // picture parameter set
        info.FrameNum = r.Bits(static_cast<int>(frameNumBits_));
        if (info.Idr)
            r.Ue();
        if (pocType_ == 0)
            info.PocLsb = r.Bits(static_cast<int>(pocLsbBits_));
        if (!r.Ok())
            break;
        return info;
    }
    return base::Fail("Encoded H.264 frame without a readable slice");
}

std::vector<std::uint8_t> H264SkipFrames::Repeat(H264SliceInfo& last) const {
    last.FrameNum = (last.FrameNum + 1) & ((1u << frameNumBits_) - 1);
    last.PocLsb = (last.PocLsb + 2) & ((1u << pocLsbBits_) - 1);
    last.Idr = false;
    last.Reference = true;

    BitWriter w;
    w.Ue(0); // first macroblock
    w.Ue(kSliceTypeP);
    w.Ue(ppsId_);
    w.Bits(last.FrameNum, static_cast<int>(frameNumBits_));
    if (pocType_ == 0)
        w.Bits(last.PocLsb, static_cast<int>(pocLsbBits_));
    w.Bits(0, 1); // the parameter set's reference count
    w.Bits(0, 1); // reference list as it is
    w.Bits(0, 1); // sliding-window reference marking
    w.Se(0);      // quantiser unchanged (nothing is coded)
    w.Ue(1);      // no deblocking: nothing changes at any edge
    w.Ue(macroblocks_);
    return w.Finish(static_cast<std::uint8_t>(0x40 | kNalSlice));
}

} // namespace media
