#include "media/music/Mixdown.h"

#include "base/Endian.h"
#include "media/music/LoudnessMeter.h"
#include "media/music/MixEnvelope.h"
#include "media/music/SoundtrackMixer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace media {

TemporaryFiles::~TemporaryFiles() {
    RemoveAll();
}

void TemporaryFiles::RemoveAll() {
    for (const std::string& p : paths_)
        std::remove(p.c_str());
    paths_.clear();
}

void ApplyVolume(std::uint8_t* samples, std::size_t bytes, const PcmFormat& format, int volume) {
    volume = std::clamp(volume, 0, 100);
    if (volume == 100)
        return;
    if (format.Bits == 8) {
        for (std::size_t i = 0; i < bytes; ++i)
            samples[i] = static_cast<std::uint8_t>((samples[i] - 128) * volume / 100 + 128);
        return;
    }
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const auto s = base::LoadLE<std::int16_t>(samples + i);
        base::StoreLE<std::int16_t>(samples + i, static_cast<std::int16_t>(s * volume / 100));
    }
}

base::Status DecodeTrackToWav(PcmSource& source, const std::string& wavPath,
                              std::int64_t limitSeconds, int volume, base::Progress* progress) {
    return DecodeTrackFramesToWav(
        source, wavPath, std::max<std::int64_t>(limitSeconds, 0) * source.Format().SampleRate,
        volume, progress);
}

base::Status DecodeTrackFramesToWav(PcmSource& source, const std::string& wavPath,
                                    std::int64_t limitFrames, int volume,
                                    base::Progress* progress) {
    const PcmFormat format = source.Format();
    auto writer = WavWriter::Create(wavPath, format);
    if (!writer)
        return base::Fail(writer.error());
    const std::size_t block = format.BlockAlign();
    std::uint64_t left = static_cast<std::uint64_t>(std::max<std::int64_t>(limitFrames, 0)) * block;
    std::vector<std::uint8_t> buffer(10240 - 10240 % block);
    while (left > 0) {
        auto got = source.Read(
            buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), left)));
        if (!got || *got == 0)
            break; // a decoder that fails midway ends the track where it got to
        const std::size_t n = std::min<std::size_t>(*got, static_cast<std::size_t>(left));
        ApplyVolume(buffer.data(), n, format, volume);
        if (auto st = (*writer)->Append({buffer.data(), n}); !st)
            return st;
        left -= n;
        if (progress)
            progress->Pump();
    }
    return (*writer)->Close();
}

MixPlan PlainMixPlan(const std::vector<SoundtrackTrack>& tracks, std::int64_t videoSeconds) {
    MixPlan plan;
    plan.VideoMs = std::max<std::int64_t>(videoSeconds, 0) * 1000;
    for (const SoundtrackTrack& t : tracks) {
        MixTrack m;
        m.WorkFile = t.WorkFile;
        m.PlayMs = std::int64_t{std::max<std::int32_t>(t.PlaySeconds, 0)} * 1000;
        m.Volume = t.Volume;
        plan.Tracks.push_back(m);
    }
    return plan;
}

namespace {

std::int32_t QueueMs(std::int64_t ms) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(ms, 0x7FFFFFFF));
}

// A track's PCM cut to the sample frames it plays, with its volume; a decoder that fails midway
// ends the track where it got to. The progress is pumped after every block.
class CutTrack final : public PcmSource {
public:
    CutTrack(std::unique_ptr<PcmSource> source, std::int64_t frames, int volume,
             base::Progress& progress)
        : source_(std::move(source)), format_(source_->Format()),
          left_(static_cast<std::uint64_t>(std::max<std::int64_t>(frames, 0)) *
                format_.BlockAlign()),
          volume_(volume), progress_(progress) {}

    PcmFormat Format() const override { return format_; }

    // Whole frames: a decoder's block that ends within a frame is completed by the next.
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const std::size_t block = format_.BlockAlign();
        size -= size % block;
        std::size_t done = 0;
        while (!ended_ && done < size && (done == 0 || done % block != 0)) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, left_));
            if (want == 0) {
                ended_ = true;
                break;
            }
            auto got = source_->Read(out + done, want);
            if (!got || *got == 0) {
                ended_ = true;
                break;
            }
            const std::size_t n = std::min(*got, want);
            ApplyVolume(out + done, n, format_, volume_);
            done += n;
            left_ -= n;
            progress_.Pump();
        }
        return done - done % block;
    }

private:
    std::unique_ptr<PcmSource> source_;
    PcmFormat format_;
    std::uint64_t left_; // bytes still to play
    int volume_;
    base::Progress& progress_;
    bool ended_ = false;
};

// The plan's mix, stopped at once by a cancel; the progress is pumped after every block.
class MixPieceSource final : public PcmSource {
public:
    MixPieceSource(const MixPlan& plan, const PcmSourceOpener& open, base::Progress& progress,
                   std::shared_ptr<SoundtrackState> state)
        : mixer_(plan, open), progress_(progress), state_(std::move(state)) {}

    PcmFormat Format() const override { return mixer_.Format(); }

    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        if (progress_.Cancelled()) {
            state_->Cancelled = true;
            return std::size_t{0};
        }
        auto got = mixer_.Read(out, size);
        if (!got)
            return std::size_t{0}; // the mix ends where it got to
        progress_.Pump();
        return got;
    }

private:
    SoundtrackMixer mixer_;
    base::Progress& progress_;
    std::shared_ptr<SoundtrackState> state_;
};

using OpenedSource = base::Result<std::unique_ptr<PcmSource>>;

// Each track a piece of its own, as soundtracks were written before plans had fades: end to end
// by the planned lengths, a track of no length giving an empty piece.
SoundtrackStream PlainPieces(const MixPlan& plan, const PcmSourceOpener& open,
                             base::Progress& progress) {
    SoundtrackStream out;
    std::int64_t end = 0; // where the running sum of play lengths has got to
    for (const MixTrack& t : plan.Tracks) {
        if (progress.Cancelled()) {
            out.State->Cancelled = true;
            break;
        }
        const std::int64_t start = end;
        end += std::max<std::int64_t>(t.PlayMs, 0);
        if (start >= plan.VideoMs)
            break; // this track and the ones after it start after the video ends
        auto source = open(t.WorkFile);
        if (!source) {
            out.State->LeftOut.push_back(t.WorkFile);
            continue;
        }
        const std::uint32_t rate = (*source)->Format().SampleRate;
        const std::int64_t limit =
            SampleAt(std::min(end, plan.VideoMs), rate) - SampleAt(start, rate);
        // The source opened now is the one read first; read again, the track is opened anew.
        auto held = std::make_shared<std::unique_ptr<PcmSource>>(std::move(*source));
        SoundPiece piece;
        piece.Name = t.WorkFile;
        piece.StartMs = QueueMs(start);
        piece.Open = [held, open, path = t.WorkFile, limit, volume = t.Volume, &progress,
                      state = out.State]() -> OpenedSource {
            if (progress.Cancelled()) {
                state->Cancelled = true;
                return std::unique_ptr<PcmSource>();
            }
            std::unique_ptr<PcmSource> source = std::move(*held);
            if (!source) {
                auto again = open(path);
                if (!again)
                    return base::Fail(again.error());
                source = std::move(*again);
            }
            return std::unique_ptr<PcmSource>(
                std::make_unique<CutTrack>(std::move(source), limit, volume, progress));
        };
        out.Pieces.push_back(std::move(piece));
    }
    return out;
}

// Measures the tracks that even loudness needs and that were not measured at import.
void MeasureMissing(MixPlan& plan, const PcmSourceOpener& open, base::Progress& progress) {
    for (const TrackSpan& span : LayOutTracks(plan)) {
        MixTrack& t = plan.Tracks[span.Track];
        if (t.LoudnessLufs || progress.Cancelled())
            continue;
        auto source = open(t.WorkFile);
        if (!source)
            continue; // left out by the mix too
        if (auto measured = MeasureLoudness(**source, &progress)) {
            t.LoudnessLufs = measured->IntegratedLufs;
            t.TruePeakDbtp = measured->TruePeakDbtp;
        }
    }
}

} // namespace

SoundtrackStream SoundtrackOf(const MixPlan& given, const PcmSourceOpener& open,
                              base::Progress& progress) {
    if (IsPlainPlan(given))
        return PlainPieces(given, open, progress);
    SoundtrackStream out;
    const std::vector<TrackSpan> spans = LayOutTracks(given);
    if (spans.empty() && given.Clips.empty())
        return out;
    MixPlan plan = given;
    if (plan.EvenLoudness)
        MeasureMissing(plan, open, progress);
    if (progress.Cancelled()) {
        out.State->Cancelled = true;
        return out;
    }
    // The tracks the mix will leave out, known now (a mix of none is no soundtrack at all).
    for (const TrackSpan& span : spans)
        if (!open(plan.Tracks[span.Track].WorkFile))
            out.State->LeftOut.push_back(plan.Tracks[span.Track].WorkFile);
    if (out.State->LeftOut.size() == spans.size() && plan.Clips.empty())
        return out;
    SoundPiece piece;
    piece.Name =
        (spans.empty() ? plan.Clips.front().File : plan.Tracks[spans.front().Track].WorkFile) +
        ".mix";
    piece.StartMs = 0;
    piece.Open = [plan, open, &progress, state = out.State]() -> OpenedSource {
        return std::unique_ptr<PcmSource>(
            std::make_unique<MixPieceSource>(plan, open, progress, state));
    };
    out.Pieces.push_back(std::move(piece));
    return out;
}

base::Result<SoundtrackPieces> DecodeSoundtrack(const MixPlan& plan, const PcmSourceOpener& open,
                                                TemporaryFiles& files, base::Progress& progress) {
    SoundtrackStream stream = SoundtrackOf(plan, open, progress);
    SoundtrackPieces out;
    for (const SoundPiece& piece : stream.Pieces) {
        auto source = piece.Open();
        if (!source) {
            stream.State->LeftOut.push_back(piece.Name);
            continue;
        }
        if (!*source)
            break; // cancelled
        const std::string wav = piece.Name + ".wav";
        files.Add(wav);
        const PcmFormat format = (*source)->Format();
        auto writer = WavWriter::Create(wav, format);
        if (!writer)
            return base::Fail(writer.error());
        std::vector<std::uint8_t> buffer(10240 - 10240 % format.BlockAlign());
        for (;;) {
            auto got = (*source)->Read(buffer.data(), buffer.size());
            if (!got || *got == 0)
                break;
            if (auto st = (*writer)->Append({buffer.data(), *got}); !st)
                return base::Fail(st.error());
        }
        if (auto st = (*writer)->Close(); !st)
            return base::Fail(st.error());
        out.Queue.push_back(QueuedWav{wav, piece.StartMs});
    }
    out.LeftOut = stream.State->LeftOut;
    out.Cancelled = stream.State->Cancelled;
    return out;
}

base::Result<SoundtrackPieces> DecodeSoundtrack(const std::vector<SoundtrackTrack>& tracks,
                                                std::int64_t videoSeconds,
                                                const PcmSourceOpener& open, TemporaryFiles& files,
                                                base::Progress& progress) {
    return DecodeSoundtrack(PlainMixPlan(tracks, videoSeconds), open, files, progress);
}

} // namespace media
