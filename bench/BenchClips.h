// The 4K HEVC 10-bit HLG clips the clip benches share, made by ffmpeg as a phone records HDR
// video, and the clip length they read from REELPANE_BENCH_CLIP_SECONDS.
#pragma once

#include <chrono>
#include <cstdlib>
#include <string>

namespace bench_clips {

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Runs a shell command; its wall time in seconds, or -1 when it fails.
inline double Timed(const std::string& command) {
    const auto t0 = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return SecondsSince(t0);
}

// REELPANE_BENCH_CLIP_SECONDS, or `fallback` when it is not a positive number.
inline double ClipSeconds(double fallback) {
    const char* env = std::getenv("REELPANE_BENCH_CLIP_SECONDS");
    return env != nullptr && std::atof(env) > 0 ? std::atof(env) : fallback;
}

// A 3840 x 2160 30 fps clip of `seconds` at `path`, with a tone of toneHz (0: no sound); false
// when ffmpeg fails.
inline bool MakeHlgClip(const std::string& path, double seconds, int toneHz = 0) {
    const std::string sound =
        toneHz > 0 ? " -f lavfi -i sine=f=" + std::to_string(toneHz) + ":r=48000" : "";
    const std::string make =
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=3840x2160:rate=30" + sound + " -t " +
        std::to_string(seconds) +
        " -vf format=yuv420p10le -c:v libx265 -preset ultrafast -x265-params "
        "colorprim=bt2020:transfer=arib-std-b67:colormatrix=bt2020nc:log-level=error "
        "-color_trc arib-std-b67 -color_primaries bt2020 -colorspace bt2020nc" +
        (toneHz > 0 ? std::string(" -c:a aac") : std::string()) + " '" + path + "'";
    return std::system(make.c_str()) == 0;
}

} // namespace bench_clips
