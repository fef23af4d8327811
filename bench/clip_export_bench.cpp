// A show of four 4K HEVC 10-bit HLG clips (phone-style HDR, with sound) exported to 1080p25
// H.264, beside the ffmpeg command line doing the same work alone: decode, tone-map, scale (the
// clip reader's own filter chain), join and encode with the same x264 settings (CRF 20,
// veryfast, 4:2:0) and AAC sound; and once with ffmpeg's usual chain that tone-maps at 4K. The two
// run in alternating pairs. Then the show is exported again with clips twice as long, to show that
// the export's memory does not grow with the clips' length. Clip length:
// REELPANE_BENCH_CLIP_SECONDS (default 3; the figure uses 30). The figures are for the
// report, not a pass/fail gate.
#include "BenchClips.h"
#include "base/Job.h"
#include "media/export/VideoExport.h"
#include "media/video/ClipFilter.h"
#include "media/video/ClipImport.h"
#include "media/video/ClipProbe.h"

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using bench_clips::Clock;
using bench_clips::SecondsSince;

long PeakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

std::vector<std::string> MakeClips(const QTemporaryDir& dir, const std::string& tag,
                                   double seconds) {
    std::vector<std::string> clips;
    for (int i = 0; i < 4; ++i) {
        const std::string clip =
            dir.filePath(QString::fromStdString(tag + std::to_string(i) + ".mp4")).toStdString();
        if (!bench_clips::MakeHlgClip(clip, seconds, 300 + 100 * i))
            return {};
        clips.push_back(clip);
    }
    return clips;
}

// Our export of the clips as a show, in seconds (negative on failure).
double Export(const QTemporaryDir& dir, const std::vector<std::string>& clips,
              const std::string& out) {
    const std::string root = dir.path().toStdString() + "/";
    QDir().mkpath(dir.filePath("pictures"));
    QDir().mkpath(dir.filePath("music"));
    project::WorkFiles files(root + "pictures/", root + "music/", 9);
    project::PhotoSettings photos;
    photos.Resolution = "1920x1080";
    photos.BackColor = 0;
    project::ShowContent show;
    for (const std::string& clip : clips)
        if (!project::Added(media::AddClip(show, files, photos, clip)))
            return -1;
    media::VideoExportOptions options;
    options.OutputPath = out;
    options.Resolution = media::kResolution1080p;
    options.Fps = 25;
    options.Speed = "veryfast";
    base::NoProgress quiet;
    const auto t0 = Clock::now();
    const media::VideoExportResult result = media::ExportVideo(show, options, quiet);
    const double seconds = SecondsSince(t0);
    for (const project::Slide& s : show.Slides) {
        files.Remove(s.WorkFile);
        files.Remove(s.Clip()->File);
    }
    if (!result || result->Outcome != media::ExportOutcome::Written) {
        std::fprintf(stderr, "export: %s\n", result ? "cancelled" : result.error().c_str());
        return -1;
    }
    return seconds;
}

// ffmpeg alone: the same clips through `chain` (tone-mapped and scaled), joined and encoded with
// the same settings.
double FfmpegAlone(const std::vector<std::string>& clips, const std::string& chain,
                   const std::string& out) {
    std::string inputs, chains, joined;
    for (std::size_t i = 0; i < clips.size(); ++i) {
        const std::string k = std::to_string(i);
        inputs += " -i '" + clips[i] + "'";
        chains += "[" + k + ":v]" + chain + ",fps=25[v" + k + "];";
        joined += "[v" + k + "][" + k + ":a]";
    }
    const std::string command = "ffmpeg -nostdin -v error -y" + inputs + " -filter_complex '" +
                                chains + joined + "concat=n=" + std::to_string(clips.size()) +
                                ":v=1:a=1[v][a]' -map '[v]' -map '[a]' -c:v libx264 -preset "
                                "veryfast -crf 20 -pix_fmt yuv420p -c:a aac -ar 44100 '" +
                                out + "'";
    return bench_clips::Timed(command);
}

} // namespace

int main() {
    const double seconds = bench_clips::ClipSeconds(3);
    QTemporaryDir dir;
    std::printf("making four %.1f s 3840x2160 HEVC 10-bit HLG clips with sound...\n", seconds);
    std::fflush(stdout);
    const std::vector<std::string> clips = MakeClips(dir, "hlg", seconds);
    if (clips.empty()) {
        std::fprintf(stderr, "ffmpeg could not make the clips\n");
        return 1;
    }
    const std::string ours = dir.filePath("ours.mp4").toStdString();
    const std::string theirs = dir.filePath("ffmpeg.mp4").toStdString();
    // ffmpeg's filters: the chain the clip reader runs (the size changed in linear light before
    // the tone mapping, ending in the encoder's 4:2:0), and the usual chain that tone-maps at 4K.
    const auto info = media::ProbeClipFile(clips.front());
    if (!info)
        return 1;
    std::string same = media::ClipFilter::Chain(*info, 1920, 1080);
    same = same.substr(0, same.rfind("format=bgr24")) + "format=yuv420p";
    const std::string usual =
        "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
        "zscale=t=bt709:m=bt709:r=tv,format=yuv420p,scale=1920:1080";
    double sumOurs = 0, sumTheirs = 0;
    for (int pair = 0; pair < 2; ++pair) {
        // Alternating: ours first in the first pair, ffmpeg first in the second.
        double a = 0, b = 0;
        if (pair == 0) {
            a = Export(dir, clips, ours);
            b = FfmpegAlone(clips, same, theirs);
        } else {
            b = FfmpegAlone(clips, same, theirs);
            a = Export(dir, clips, ours);
        }
        if (a < 0 || b < 0)
            return 1;
        std::printf("pair %d: Reelpane %.2f s, ffmpeg alone %.2f s, ratio %.2f\n", pair + 1, a, b,
                    a / b);
        sumOurs += a;
        sumTheirs += b;
    }
    std::printf("4 x %.0f s 4K HEVC HLG -> 1080p25 H.264: Reelpane %.2f s, ffmpeg (same chain) "
                "%.2f s, ratio %.2f (target <= 1.3)\n",
                seconds, sumOurs / 2, sumTheirs / 2, sumOurs / sumTheirs);
    const double usualSeconds = FfmpegAlone(clips, usual, theirs);
    std::printf("ffmpeg with the usual chain (tone-mapped at 4K, then scaled): %.2f s\n",
                usualSeconds);
    const long peakShort = PeakMb();

    // The same show with clips twice as long: the export's peak memory stays where it was.
    const std::vector<std::string> longer = MakeClips(dir, "long", 2 * seconds);
    if (longer.empty() || Export(dir, longer, ours) < 0)
        return 1;
    std::printf("peak memory: %ld MB with %.0f s clips, %ld MB with %.0f s clips\n", peakShort,
                seconds, PeakMb(), 2 * seconds);
    return 0;
}
