#include "media/audio/SoundtrackReader.h"

#include "media/audio/FfPtr.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <limits>

namespace media {

namespace {
constexpr std::size_t kInputFrames = 8192;

AVSampleFormat SampleFormatOf(const PcmFormat& f) {
    return f.Bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

// A WAV file's samples as PCM.
class WavSource final : public PcmSource {
public:
    explicit WavSource(std::unique_ptr<WavReader> reader) : reader_(std::move(reader)) {}
    PcmFormat Format() const override { return reader_->Info().Format; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        return reader_->Read(out, size);
    }

private:
    std::unique_ptr<WavReader> reader_;
};
} // namespace

SoundPiece WavPiece(const QueuedWav& wav) {
    SoundPiece piece;
    piece.Name = wav.Path;
    piece.StartMs = wav.StartMs;
    piece.Open = [path = wav.Path]() -> base::Result<std::unique_ptr<PcmSource>> {
        auto reader = WavReader::Open(path);
        if (!reader)
            return base::Fail(reader.error());
        return std::unique_ptr<PcmSource>(std::make_unique<WavSource>(std::move(*reader)));
    };
    return piece;
}

// Converts one piece's samples to the soundtrack's format (libswresample).
class SoundtrackReader::Converter {
public:
    Converter(const PcmFormat& in, const PcmFormat& out) {
        AVChannelLayout inLayout, outLayout;
        av_channel_layout_default(&inLayout, in.Channels);
        av_channel_layout_default(&outLayout, out.Channels);
        SwrContext* swr = nullptr;
        const bool made =
            swr_alloc_set_opts2(&swr, &outLayout, SampleFormatOf(out),
                                static_cast<int>(out.SampleRate), &inLayout, SampleFormatOf(in),
                                static_cast<int>(in.SampleRate), 0, nullptr) >= 0;
        swr_.reset(swr);
        if (!made || !MonoOnBothSides(in, out) || swr_init(swr) < 0)
            swr_.reset();
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
    }

    // A mono piece plays at full level on both sides of a stereo soundtrack, as playback does
    // (the library's own mix would lower it by 3 dB).
    bool MonoOnBothSides(const PcmFormat& in, const PcmFormat& out) {
        if (in.Channels != 1 || out.Channels != 2)
            return true;
        const double matrix[2] = {1.0, 1.0};
        return swr_set_matrix(swr_.get(), matrix, 1) >= 0;
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Ok() const { return swr_ != nullptr; }

    // Converts `inFrames` frames (none: drain) into out, at most outFrames; frames written.
    // in null drains the converter at the end of the piece.
    int Convert(const std::uint8_t* in, int inFrames, std::uint8_t* out, int outFrames) {
        const std::uint8_t* inPlanes[1] = {in};
        std::uint8_t* outPlanes[1] = {out};
        return swr_convert(swr_.get(), outPlanes, outFrames, in ? inPlanes : nullptr, inFrames);
    }

private:
    FfPtr<SwrContext> swr_;
};

SoundtrackReader::~SoundtrackReader() = default;

std::unique_ptr<SoundtrackReader> SoundtrackReader::Open(const std::vector<QueuedWav>& queue) {
    std::vector<SoundPiece> pieces;
    for (const QueuedWav& q : queue)
        pieces.push_back(WavPiece(q));
    return OpenPieces(std::move(pieces));
}

std::unique_ptr<SoundtrackReader> SoundtrackReader::OpenPieces(std::vector<SoundPiece> queue) {
    std::unique_ptr<SoundtrackReader> r(new SoundtrackReader);
    std::stable_sort(queue.begin(), queue.end(), [](const SoundPiece& a, const SoundPiece& b) {
        return a.StartMs < b.StartMs;
    });
    // The soundtrack's format: that of the first piece that can be read (kept open for reading).
    std::size_t first = 0;
    std::size_t end = queue.size();
    for (; first < queue.size(); ++first) {
        auto source = queue[first].Open();
        if (source && !*source) {
            end = first; // nothing from here on
            break;
        }
        if (source) {
            r->format_ = (*source)->Format();
            r->first_ = std::move(*source);
            break;
        }
        r->skipped_.push_back(queue[first].Name);
    }
    queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(end), queue.end());
    queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(std::min(first, end)));
    r->queue_ = std::move(queue);
    for (const SoundPiece& q : r->queue_)
        r->starts_.push_back(std::max<std::int64_t>(0, q.StartMs) * r->format_.SampleRate / 1000);
    return r;
}

bool SoundtrackReader::OpenPiece(std::size_t index) {
    converter_.reset();
    reader_.reset();
    inputEnded_ = false;
    if (first_) {
        reader_ = std::move(first_);
    } else {
        auto reader = queue_[index].Open();
        if (!reader) {
            skipped_.push_back(queue_[index].Name);
            return true; // silence until the next piece
        }
        if (!*reader) {
            queue_.resize(index); // cancelled: the soundtrack ends before this piece
            return false;
        }
        reader_ = std::move(*reader);
    }
    const PcmFormat in = reader_->Format();
    if (!(in == format_)) {
        converter_ = std::make_unique<Converter>(in, format_);
        if (!converter_->Ok()) {
            skipped_.push_back(queue_[index].Name);
            converter_.reset();
            reader_.reset();
        }
    }
    return true;
}

base::Result<std::size_t> SoundtrackReader::ReadPiece(std::uint8_t* out, std::size_t frames) {
    const std::size_t inBlock = reader_->Format().BlockAlign();
    if (!converter_) {
        auto got = reader_->Read(out, frames * inBlock);
        if (!got)
            return base::Fail(got.error());
        return *got / inBlock;
    }
    // Converted: what the converter holds first, then more input, then its tail at the end.
    static const std::uint8_t none = 0;
    while (true) {
        const int made =
            converter_->Convert(inputEnded_ ? nullptr : &none, 0, out, static_cast<int>(frames));
        if (made < 0)
            return base::Fail("StreamRead failed: the sample conversion failed");
        if (made > 0 || inputEnded_)
            return static_cast<std::size_t>(made);
        input_.resize(kInputFrames * inBlock);
        auto got = reader_->Read(input_.data(), input_.size());
        if (!got)
            return base::Fail(got.error());
        if (*got == 0) {
            inputEnded_ = true;
            continue;
        }
        const int fed = converter_->Convert(input_.data(), static_cast<int>(*got / inBlock), out,
                                            static_cast<int>(frames));
        if (fed < 0)
            return base::Fail("StreamRead failed: the sample conversion failed");
        if (fed > 0)
            return static_cast<std::size_t>(fed);
    }
}

base::Result<std::size_t> SoundtrackReader::Read(std::uint8_t* out, std::size_t frames) {
    if (!format_.Valid())
        return std::size_t{0};
    const std::size_t block = format_.BlockAlign();
    std::size_t produced = 0;
    while (produced < frames && current_ < queue_.size()) {
        // A piece is opened before the silence ahead of it: one given up (cancelled) ends the
        // soundtrack where the last one did; one that cannot be read keeps its place as silence.
        if (!pieceOpen_) {
            pieceOpen_ = true;
            if (!OpenPiece(current_)) {
                pieceOpen_ = false;
                break;
            }
        }
        std::uint8_t* at = out + produced * block;
        const std::size_t want = frames - produced;
        const std::int64_t start = starts_[current_];
        if (written_ < start) {
            // A gap: silence in the soundtrack's own format.
            const auto n = static_cast<std::size_t>(
                std::min<std::int64_t>(start - written_, static_cast<std::int64_t>(want)));
            std::memset(at, format_.Bits == 8 ? 0x80 : 0, n * block);
            produced += n;
            written_ += n;
            continue;
        }
        const std::int64_t limit = current_ + 1 < queue_.size()
                                       ? starts_[current_ + 1]
                                       : std::numeric_limits<std::int64_t>::max();
        const std::int64_t room = limit - written_;
        std::size_t got = 0;
        if (room > 0 && reader_) {
            auto r = ReadPiece(at, static_cast<std::size_t>(std::min<std::int64_t>(
                                       room, static_cast<std::int64_t>(want))));
            if (!r)
                return base::Fail(r.error());
            got = *r;
        }
        if (got == 0) {
            // The piece ended, or reached the next one's start.
            reader_.reset();
            converter_.reset();
            pieceOpen_ = false;
            ++current_;
            continue;
        }
        produced += got;
        written_ += static_cast<std::int64_t>(got);
    }
    return produced;
}

} // namespace media
