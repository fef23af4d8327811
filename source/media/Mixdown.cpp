#include "media/Mixdown.h"

#include "base/Endian.h"
#include "media/LoudnessMeter.h"
#include "media/MixEnvelope.h"
#include "media/SoundtrackMixer.h"

#include <algorithm>
#include <cstdio>

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

// Each track into a piece of its own, as soundtracks were written before plans had fades: end
// to end by the planned lengths, a track of no length giving an empty piece.
base::Result<SoundtrackPieces> DecodePieces(const MixPlan& plan, const PcmSourceOpener& open,
                                            TemporaryFiles& files, base::Progress& progress) {
    SoundtrackPieces out;
    std::int64_t end = 0; // where the running sum of play lengths has got to
    for (const MixTrack& t : plan.Tracks) {
        if (progress.Cancelled()) {
            out.Cancelled = true;
            break;
        }
        const std::int64_t start = end;
        end += std::max<std::int64_t>(t.PlayMs, 0);
        if (start >= plan.VideoMs)
            break; // this track and the ones after it start after the video ends
        const std::string wav = t.WorkFile + ".wav";
        auto source = open(t.WorkFile);
        if (!source) {
            out.LeftOut.push_back(t.WorkFile);
            continue;
        }
        const std::uint32_t rate = (*source)->Format().SampleRate;
        const std::int64_t limit =
            SampleAt(std::min(end, plan.VideoMs), rate) - SampleAt(start, rate);
        files.Add(wav);
        if (auto st = DecodeTrackFramesToWav(**source, wav, limit, t.Volume, &progress); !st)
            return base::Fail(st.error());
        out.Queue.push_back(QueuedWav{wav, QueueMs(start)});
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

base::Result<SoundtrackPieces> DecodeSoundtrack(const MixPlan& given, const PcmSourceOpener& open,
                                                TemporaryFiles& files, base::Progress& progress) {
    if (IsPlainPlan(given))
        return DecodePieces(given, open, files, progress);
    SoundtrackPieces out;
    const std::vector<TrackSpan> spans = LayOutTracks(given);
    if (spans.empty())
        return out;
    MixPlan plan = given;
    if (plan.EvenLoudness)
        MeasureMissing(plan, open, progress);
    if (progress.Cancelled()) {
        out.Cancelled = true;
        return out;
    }
    const std::string wav = plan.Tracks[spans.front().Track].WorkFile + ".mix.wav";
    files.Add(wav);
    auto mixed = RenderMixToWav(plan, open, wav, progress);
    if (!mixed)
        return base::Fail(mixed.error());
    out.LeftOut = mixed->LeftOut;
    out.Cancelled = mixed->Cancelled;
    if (mixed->LeftOut.size() < spans.size())
        out.Queue.push_back(QueuedWav{wav, 0});
    return out;
}

base::Result<SoundtrackPieces> DecodeSoundtrack(const std::vector<SoundtrackTrack>& tracks,
                                                std::int64_t videoSeconds,
                                                const PcmSourceOpener& open, TemporaryFiles& files,
                                                base::Progress& progress) {
    return DecodeSoundtrack(PlainMixPlan(tracks, videoSeconds), open, files, progress);
}

} // namespace media
