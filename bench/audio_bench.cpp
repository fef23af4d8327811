// The audio library on a 10-minute MP3: measuring its length (open, length, free) and decoding
// it whole to 16-bit PCM. The file is given by REELPANE_BENCH_MP3 or made here with sox + lame.
// bench/audio_side_by_side.sh runs this beside ffprobe and ffmpeg on the same file.
#include "media/audio/AudioLibrary.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string MakeFile(const char* name, const char* lameOptions) {
    const std::string wav = std::string("/tmp/reelpane_bench_10min.wav");
    const std::string mp3 = std::string("/tmp/") + name;
    const std::string make = "test -f " + mp3 + " || { sox -n -r 44100 -c 2 -b 16 " + wav +
                             " synth 600 pinknoise vol 0.3 && lame --quiet " + lameOptions + " " +
                             wav + " " + mp3 + " && rm -f " + wav + "; }";
    if (std::system(make.c_str()) != 0)
        return std::string();
    return mp3;
}

const std::string& File() {
    static const std::string file = [] {
        const char* given = std::getenv("REELPANE_BENCH_MP3");
        return given ? std::string(given) : MakeFile("reelpane_bench_10min.mp3", "-V 4");
    }();
    return file;
}

const std::string& BareFile() {
    static const std::string file = MakeFile("reelpane_bench_10min_bare.mp3", "-t -b 192");
    return file;
}

bool Loaded() {
    media::Audio().LoadFrom({QStringLiteral(REELPANE_BENCH_BINARY_DIR)});
    return media::Audio().Loaded();
}

void Measure(benchmark::State& state, const std::string& path) {
    if (!Loaded() || path.empty()) {
        state.SkipWithError("no library or no file");
        return;
    }
    std::uint64_t length = 0;
    for (auto _ : state) {
        const media::Stream stream = media::Audio().OpenFile(path, 0);
        length = stream.LengthBytes();
        benchmark::DoNotOptimize(length);
    }
    state.counters["seconds"] = static_cast<double>(length) / (44100.0 * 4);
}

void BM_MeasureMp3WithHeader(benchmark::State& state) {
    Measure(state, File());
}
void BM_MeasureMp3ByFrameWalk(benchmark::State& state) {
    Measure(state, BareFile());
}

void BM_DecodeMp3(benchmark::State& state) {
    if (!Loaded() || File().empty()) {
        state.SkipWithError("no library or no file");
        return;
    }
    std::vector<char> buffer(64 * 1024);
    std::uint64_t total = 0;
    for (auto _ : state) {
        const media::Stream stream = media::Audio().OpenFile(File(), BASS_STREAM_DECODE);
        total = 0;
        for (;;) {
            const std::uint32_t n =
                stream.Read(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
            if (n == 0 || n == ~0u)
                break;
            total += n;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(total) * state.iterations());
}

} // namespace

BENCHMARK(BM_MeasureMp3WithHeader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MeasureMp3ByFrameWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeMp3)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_MAIN();
