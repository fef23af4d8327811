// Measuring a track's loudness against only decoding it, on a 5-minute MP3 through the audio
// library: the measure decodes once and feeds libebur128 (integrated loudness and true peak) as
// it goes, its meters on threads of their own. The file is given by REELPANE_BENCH_MP3_5MIN or made
// here with sox + lame. bench/loudness_side_by_side.sh runs this beside ffmpeg's own meter on the
// same file.
#include "media/audio/AudioLibrary.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/LoudnessMeter.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string& File() {
    static const std::string file = [] {
        if (const char* given = std::getenv("REELPANE_BENCH_MP3_5MIN"))
            return std::string(given);
        const std::string wav = "/tmp/reelpane_bench_5min.wav";
        const std::string mp3 = "/tmp/reelpane_bench_5min.mp3";
        const std::string make = "test -f " + mp3 + " || { sox -n -r 44100 -c 2 -b 16 " + wav +
                                 " synth 300 pinknoise vol 0.3 && lame --quiet -V 4 " + wav + " " +
                                 mp3 + " && rm -f " + wav + "; }";
        return std::system(make.c_str()) == 0 ? mp3 : std::string();
    }();
    return file;
}

bool Ready(benchmark::State& state) {
    media::Audio().LoadFrom({QStringLiteral(REELPANE_BENCH_BINARY_DIR)});
    if (media::Audio().Loaded() && !File().empty())
        return true;
    state.SkipWithError("no library or no file");
    return false;
}

// The same decode the measure does, with nothing done to the samples.
void BM_DecodeMp3(benchmark::State& state) {
    if (!Ready(state))
        return;
    std::vector<std::uint8_t> buffer(65536);
    std::uint64_t total = 0;
    for (auto _ : state) {
        auto source = media::OpenTrackPcmSource(File());
        total = 0;
        while (auto got = *(*source)->Read(buffer.data(), buffer.size()))
            total += got;
    }
    state.counters["seconds"] = static_cast<double>(total) / (44100.0 * 4);
}

void BM_DecodeAndMeasureMp3(benchmark::State& state) {
    if (!Ready(state))
        return;
    media::TrackLoudness loudness;
    for (auto _ : state) {
        auto source = media::OpenTrackPcmSource(File());
        loudness = *media::MeasureLoudness(**source, nullptr);
    }
    state.counters["LUFS"] = loudness.IntegratedLufs;
    state.counters["dBTP"] = loudness.TruePeakDbtp;
}

} // namespace

// Wall time, and the CPU time of every thread of the process (the meters run on threads of their
// own beside the decoding).
BENCHMARK(BM_DecodeMp3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_DecodeAndMeasureMp3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK_MAIN();
