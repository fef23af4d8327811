#include "media/music/SoundtrackMixer.h"

#include "base/Endian.h"
#include "media/audio/FloatTrackReader.h"
#include "media/audio/WavFile.h"
#include "media/music/SoftLimiter.h"

#include <algorithm>

namespace media {

namespace {
constexpr std::size_t kBlockFrames = 4096;
}

struct SoundtrackMixer::Voice {
    std::string WorkFile;
    TrackEnvelope Envelope;
    double Gain = 1;
    std::unique_ptr<PcmSource> Pending; // opened early to learn the rate, not yet converted
    std::unique_ptr<FloatTrackReader> Reader;
    bool Opened = false;
    bool Ended = false;
    bool Missing = false; // did not open when the mix was planned: silence, never tried again
    bool Clip = false;    // a clip's own sound, from InMs of the clip
    std::int64_t InMs = 0;
};

SoundtrackMixer::SoundtrackMixer(const MixPlan& plan, const PcmSourceOpener& open) : open_(open) {
    const std::vector<TrackSpan> spans = LayOutTracks(plan);
    // The mix's rate: the highest of the tracks that open, so none loses its top end. Tracks are
    // opened again when they start, except the first one that opens.
    std::uint32_t rate = 0;
    std::unique_ptr<PcmSource> first;
    std::vector<bool> opens;
    for (const TrackSpan& span : spans) {
        auto source = open_(plan.Tracks[span.Track].WorkFile);
        opens.push_back(source && (*source)->Format().Valid());
        if (!opens.back())
            continue;
        rate = std::max(rate, (*source)->Format().SampleRate);
        if (!first)
            first = std::move(*source);
    }
    if (rate > 0)
        rate_ = rate;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const MixTrack& t = plan.Tracks[spans[i].Track];
        voices_.push_back(
            Voice{t.WorkFile, TrackEnvelope(spans[i], rate_), TrackGain(plan, t), {}, {}});
        if (!opens[i]) {
            voices_.back().Opened = voices_.back().Ended = voices_.back().Missing = true;
            leftOut_.push_back(t.WorkFile);
        } else if (first) {
            voices_.back().Pending = std::move(first);
        }
    }
    const std::int64_t endMs = MusicEndMs(plan, spans);
    std::int64_t soundEndMs = endMs;
    for (const MixClip& c : plan.Clips) {
        Voice v{c.File,
                TrackEnvelope(TrackSpan{0, c.StartMs, c.EndMs, c.FadeInMs, c.FadeOutMs}, rate_),
                c.Gain,
                {},
                {}};
        v.Clip = true;
        v.InMs = c.InMs;
        voices_.push_back(std::move(v));
        soundEndMs = std::max(soundEndMs, c.EndMs);
    }
    total_ = SampleAt(soundEndMs, rate_);
    endFade_ = std::make_unique<EndFade>(endMs, FadeMs(plan.EndFadeSeconds), rate_);
    duck_ = std::make_unique<ClipDuck>(plan.Clips, plan.DuckDb, rate_);
}

SoundtrackMixer::~SoundtrackMixer() = default;

void SoundtrackMixer::OpenVoice(Voice& v) {
    v.Opened = true;
    std::unique_ptr<PcmSource> source = std::move(v.Pending);
    if (!source) {
        auto opened = open_(v.WorkFile);
        if (opened)
            source = std::move(*opened);
    }
    if (source) {
        auto reader = FloatTrackReader::Open(std::move(source), rate_);
        if (reader)
            v.Reader = std::move(*reader);
    }
    if (v.Clip) {
        // A clip without sound (or with none that decodes) is silent: it is no track left out.
        // Its sound starts at the trim's in point.
        if (!v.Reader)
            v.Ended = true;
        else if (v.InMs > 0)
            SkipVoice(v, SampleAt(v.InMs, rate_), {});
        return;
    }
    if (!v.Reader) {
        v.Ended = true;
        if (std::find(leftOut_.begin(), leftOut_.end(), v.WorkFile) == leftOut_.end())
            leftOut_.push_back(v.WorkFile);
    }
}

void SoundtrackMixer::Seek(std::int64_t frame, const std::function<bool()>& abandoned) {
    position_ = std::clamp<std::int64_t>(frame, 0, total_);
    for (Voice& v : voices_) {
        if (v.Missing)
            continue;
        v.Reader.reset();
        v.Opened = false;
        v.Ended = v.Envelope.End() <= position_;
        if (v.Ended || v.Envelope.Start() >= position_)
            continue;
        OpenVoice(v);
        if (!v.Ended)
            SkipVoice(v, position_ - v.Envelope.Start(), abandoned);
    }
}

void SoundtrackMixer::SkipVoice(Voice& v, std::int64_t frames,
                                const std::function<bool()>& abandoned) {
    while (frames > 0) {
        if (abandoned && abandoned())
            return;
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(frames, std::int64_t{kBlockFrames}));
        scratch_.resize(2 * want);
        const std::size_t got = v.Reader->Read(scratch_.data(), want);
        frames -= static_cast<std::int64_t>(got);
        if (got < want) {
            v.Ended = true; // the track ends before the frame sought
            v.Reader.reset();
            return;
        }
    }
}

void SoundtrackMixer::MixVoice(Voice& v, float* out, std::int64_t from, std::int64_t to,
                               bool ducked) {
    const std::int64_t start = std::max(from, v.Envelope.Start());
    const std::int64_t end = std::min(to, v.Envelope.End());
    if (v.Ended || start >= end)
        return;
    if (!v.Opened)
        OpenVoice(v);
    if (v.Ended)
        return;
    const auto want = static_cast<std::size_t>(end - start);
    scratch_.resize(2 * want);
    const std::size_t got = v.Reader->Read(scratch_.data(), want);
    float* at = out + 2 * (start - from);
    for (std::size_t i = 0; i < got; ++i) {
        const std::int64_t sample = start + static_cast<std::int64_t>(i);
        double gain = v.Gain * v.Envelope.GainAt(sample);
        if (ducked)
            gain *= duck_->GainAt(sample);
        const auto g = static_cast<float>(gain);
        at[2 * i] += g * scratch_[2 * i];
        at[2 * i + 1] += g * scratch_[2 * i + 1];
    }
    if (got < want || end == v.Envelope.End()) {
        v.Ended = true; // the track ended early, or at its planned end
        v.Reader.reset();
    }
}

std::size_t SoundtrackMixer::ReadFloat(float* out, std::size_t frames) {
    const auto n = static_cast<std::size_t>(
        std::clamp<std::int64_t>(total_ - position_, 0, static_cast<std::int64_t>(frames)));
    std::fill(out, out + 2 * n, 0.0f);
    const std::int64_t from = position_, to = position_ + static_cast<std::int64_t>(n);
    // The music, ducked under the clips and faded at its end; then the clips' own sound.
    for (Voice& v : voices_)
        if (!v.Clip)
            MixVoice(v, out, from, to, !duck_->Empty());
    for (std::size_t i = 0; i < n; ++i) {
        const auto g = static_cast<float>(endFade_->GainAt(from + static_cast<std::int64_t>(i)));
        out[2 * i] *= g;
        out[2 * i + 1] *= g;
    }
    for (Voice& v : voices_)
        if (v.Clip)
            MixVoice(v, out, from, to, false);
    position_ = to;
    return n;
}

base::Result<std::size_t> SoundtrackMixer::Read(std::uint8_t* out, std::size_t size) {
    std::size_t frames = size / 4;
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t want = std::min(frames - done, kBlockFrames);
        mix_.resize(2 * want);
        const std::size_t got = ReadFloat(mix_.data(), want);
        if (got == 0)
            break;
        std::uint8_t* at = out + 4 * done;
        for (std::size_t i = 0; i < 2 * got; ++i)
            base::StoreLE<std::int16_t>(at + 2 * i, LimitToPcm16(mix_[i]));
        done += got;
    }
    return done * 4;
}

base::Result<RenderedMix> RenderMixToWav(const MixPlan& plan, const PcmSourceOpener& open,
                                         const std::string& wavPath, base::Progress& progress) {
    SoundtrackMixer mixer(plan, open);
    auto writer = WavWriter::Create(wavPath, mixer.Format());
    if (!writer)
        return base::Fail(writer.error());
    RenderedMix out;
    std::vector<std::uint8_t> buffer(kBlockFrames * 4);
    while (true) {
        if (progress.Cancelled()) {
            out.Cancelled = true;
            break;
        }
        auto got = mixer.Read(buffer.data(), buffer.size());
        if (!got || *got == 0)
            break;
        if (auto st = (*writer)->Append({buffer.data(), *got}); !st)
            return base::Fail(st.error());
        out.Frames += static_cast<std::int64_t>(*got / 4);
        progress.Pump();
    }
    out.LeftOut = mixer.LeftOut();
    if (auto st = (*writer)->Close(); !st)
        return base::Fail(st.error());
    return out;
}

} // namespace media
