// The preview's music before its first sound: a plan of 60 minutes of music (twelve 5-minute
// MP3 tracks made here with sox + lame, cross-faded, faded in and out, with the end fade) through
// the audio library. MixStream plans the mix and reads ahead as it plays: the time from its
// making (what the preview's Prepare does) to the first mixed buffer, from the start and from the
// middle of the show (a preview taken up again there). Beside it, what the preview did before:
// the whole mix rendered into a WAV file before the first picture.
#include "base/Job.h"
#include "media/audio/AudioLibrary.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/MixStream.h"
#include "media/music/SoundtrackMixer.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kTracks = 12;
constexpr std::int64_t kTrackMs = 5 * 60 * 1000;
constexpr std::size_t kBufferFrames = 2048; // one callback of the sound output

const std::string& File() {
    static const std::string file = [] {
        const std::string wav = "/tmp/reelpane_bench_5min.wav";
        const std::string mp3 = "/tmp/reelpane_bench_5min.mp3";
        const std::string make = "test -f " + mp3 + " || { sox -n -r 44100 -c 2 -b 16 " + wav +
                                 " synth 300 pinknoise vol 0.3 && lame --quiet -V 4 " + wav + " " +
                                 mp3 + " && rm -f " + wav + "; }";
        return std::system(make.c_str()) == 0 ? mp3 : std::string();
    }();
    return file;
}

media::MixPlan HourPlan() {
    media::MixPlan plan;
    plan.CrossfadeSeconds = 2;
    plan.EndFadeSeconds = 3;
    plan.VideoMs = kTracks * kTrackMs;
    for (int i = 0; i < kTracks; ++i) {
        media::MixTrack t;
        t.WorkFile = File();
        t.PlayMs = kTrackMs;
        t.Volume = 90;
        t.FadeInSeconds = 1;
        t.FadeOutSeconds = 1;
        plan.Tracks.push_back(t);
    }
    return plan;
}

bool Ready(benchmark::State& state) {
    media::Audio().LoadFrom({QStringLiteral(REELPANE_BENCH_BINARY_DIR)});
    if (media::Audio().Loaded() && !File().empty())
        return true;
    state.SkipWithError("no library or no file");
    return false;
}

// Making the stream at a frame, then waiting for its first buffer and taking it.
void FirstBuffer(benchmark::State& state, double startMinutes) {
    if (!Ready(state))
        return;
    const media::MixPlan plan = HourPlan();
    std::vector<std::uint8_t> buffer(4 * kBufferFrames);
    std::int64_t underrun = 0;
    for (auto _ : state) {
        media::MixStream stream(plan, media::OpenTrackPcmSource,
                                static_cast<std::int64_t>(startMinutes * 60 * 44100));
        if (!stream.WaitAhead(kBufferFrames, std::chrono::seconds(60))) {
            state.SkipWithError("no buffer within a minute");
            break;
        }
        bool ended = false;
        benchmark::DoNotOptimize(stream.Read(buffer.data(), buffer.size(), &ended));
        underrun += stream.UnderrunFrames();
        state.PauseTiming(); // the reader's stop is not part of the start
        stream.Stop();
        state.ResumeTiming();
    }
    state.counters["music_minutes"] = kTracks * kTrackMs / 60000.0;
    state.counters["underrun_frames"] = static_cast<double>(underrun);
}

void BM_MixStreamFirstBufferFromStart(benchmark::State& state) {
    FirstBuffer(state, 0);
}

void BM_MixStreamFirstBufferFromMinute32(benchmark::State& state) {
    FirstBuffer(state, 32.5); // two minutes into the seventh track
}

// The preview's wait before: the whole hour mixed into a WAV file.
void BM_WholeMixdownToWav(benchmark::State& state) {
    if (!Ready(state))
        return;
    const media::MixPlan plan = HourPlan();
    const std::string wav = "/tmp/reelpane_bench_preview_mix.wav";
    base::NoProgress progress;
    for (auto _ : state) {
        auto mixed = media::RenderMixToWav(plan, media::OpenTrackPcmSource, wav, progress);
        if (!mixed) {
            state.SkipWithError(mixed.error().c_str());
            break;
        }
    }
    std::remove(wav.c_str());
}

} // namespace

BENCHMARK(BM_MixStreamFirstBufferFromStart)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MixStreamFirstBufferFromMinute32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WholeMixdownToWav)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
