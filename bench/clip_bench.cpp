// Decoding a 4K HEVC 10-bit HLG clip to 1080p SDR pictures (ClipFrames: decode, tone-map in a
// libavfilter graph, scale, BGR), beside the ffmpeg command line doing the same work: the same
// filter chain, and the usual chain that tone-maps at full size before scaling. The clip is made
// by ffmpeg at the start (REELPANE_BENCH_CLIP_SECONDS long, default 3; 30 fps). Prints frames per
// second of each and the peak resident memory of our decoding; the figures are for the report,
// not a pass/fail gate.
#include "BenchClips.h"
#include "media/video/ClipFilter.h"
#include "media/video/ClipFrames.h"

#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

namespace {

using bench_clips::Clock;
using bench_clips::SecondsSince;
using bench_clips::Timed;

} // namespace

int main() {
    const double seconds = bench_clips::ClipSeconds(3);
    QTemporaryDir dir;
    const std::string clip = dir.filePath("hlg4k.mp4").toStdString();
    std::printf("making a %.1f s 3840x2160 HEVC 10-bit HLG clip...\n", seconds);
    std::fflush(stdout);
    if (!bench_clips::MakeHlgClip(clip, seconds)) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }

    media::ClipFramesOptions options;
    options.Width = 1920;
    options.Height = 1080;
    options.Threads = 2;
    const auto t0 = Clock::now();
    auto frames = media::ClipFrames::OpenFile(clip, options);
    if (!frames) {
        std::fprintf(stderr, "%s\n", frames.error().c_str());
        return 1;
    }
    const media::ClipInfo info = (*frames)->Info();
    int pictures = 0;
    std::int64_t last = -1;
    for (int i = 0;; ++i) {
        const auto t = static_cast<std::int64_t>(std::ceil(i * 1000.0 / info.FrameRate));
        if (t >= info.DurationMs)
            break;
        auto picture = (*frames)->FrameAt(t);
        if (!picture) {
            std::fprintf(stderr, "%s\n", picture.error().c_str());
            return 1;
        }
        if ((*frames)->PictureMs() != last) {
            last = (*frames)->PictureMs();
            ++pictures;
        }
    }
    const double ours = SecondsSince(t0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    const std::string same = media::ClipFilter::Chain(info, 1920, 1080);
    const std::string usual =
        "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
        "zscale=t=bt709:m=bt709:r=tv,format=yuv420p,scale=1920:1080,format=bgr24";
    const std::string head = "ffmpeg -nostdin -v error -threads 2 -i '" + clip + "' -vf '";
    const std::string tail = "' -filter_threads 2 -f null -";
    const double ffSame = Timed(head + same + tail);
    const double ffUsual = Timed(head + usual + tail);

    std::printf("%-52s %8s %8s\n", "4K HEVC 10-bit HLG -> 1080p SDR BGR", "seconds", "fps");
    std::printf("%-52s %8.2f %8.1f   (%d pictures, peak %ld MB)\n", "ClipFrames (2 threads)", ours,
                pictures / ours, pictures, usage.ru_maxrss / 1024);
    std::printf("%-52s %8.2f %8.1f\n", "ffmpeg, the same filter chain", ffSame, pictures / ffSame);
    std::printf("%-52s %8.2f %8.1f\n", "ffmpeg, tone-mapped at 4K then scaled", ffUsual,
                pictures / ffUsual);
    std::printf("ratio ours / ffmpeg same chain: %.2f\n", ours / ffSame);
    return 0;
}
