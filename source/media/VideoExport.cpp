#include "media/VideoExport.h"

#include "imaging/Colors.h"
#include "imaging/Compose.h"
#include "imaging/TransitionState.h"
#include "media/Mixdown.h"
#include "media/TrackPcmSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace media {

namespace {

bool SamePixels(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    return a.Width == b.Width && a.Height == b.Height &&
           (a.ByteSize == 0 ||
            std::memcmp(a.Bits, b.Bits, static_cast<std::size_t>(a.ByteSize)) == 0);
}

// Consecutive equal frames go to the sink as one still, so a repeated picture is neither
// composed nor encoded again (a transition that has finished early, a fill that stays).
class FrameRun {
public:
    explicit FrameRun(VideoSink& sink) : sink_(sink) {}

    base::Status Push(const imaging::Bitmap& frame, std::int64_t count) {
        if (count <= 0)
            return {};
        if (count_ > 0 && SamePixels(held_, frame)) {
            count_ += count;
            return {};
        }
        if (auto st = Flush(); !st)
            return st;
        held_ = frame;
        count_ = count;
        return {};
    }
    base::Status Flush() {
        if (count_ == 0)
            return {};
        const std::int64_t n = count_;
        count_ = 0;
        written_ += n;
        return sink_.AddFrames(held_, n);
    }
    std::int64_t Frames() const { return written_ + count_; }

private:
    VideoSink& sink_;
    imaging::Bitmap held_;
    std::int64_t count_ = 0;
    std::int64_t written_ = 0;
};

std::int64_t Seconds(std::int32_t value) {
    return std::max<std::int32_t>(value, 0);
}

// Opens the progress for the job's length and closes it on every path.
class ProgressScope {
public:
    explicit ProgressScope(base::Progress& progress) : progress_(progress) { progress_.Open(); }
    ~ProgressScope() { progress_.Close(); }
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    base::Progress& progress_;
};

constexpr int kVideoShare = 95; // percent of the bar for the frames; the rest is the music

} // namespace

std::int64_t ExportFrameCount(const project::ShowModel& show) {
    std::int64_t frames = 0;
    for (const auto& s : show.Slides)
        frames += kExportFramesPerSecond * (Seconds(s.ShowSeconds) + Seconds(s.TransitionSeconds));
    return frames;
}

std::string PartialPath(const std::string& outputPath) {
    return outputPath + ".part";
}

std::int32_t ExportColor(std::int32_t color) {
    const auto c = static_cast<std::uint32_t>(color);
    if ((c >> 24) == 0xFF)
        return static_cast<std::int32_t>(imaging::FallbackSystemColor(static_cast<int>(c & 0xFF)));
    return static_cast<std::int32_t>(c & 0x00FFFFFF);
}

std::string ExportFailureText(const std::string& format, const std::string& fileName) {
    std::string text = format;
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, fileName);
    return text;
}

VideoExportResult ExportVideo(const project::ShowModel& show, const VideoExportOptions& options,
                              base::Progress& progress) {
    VideoExportResult result;
    result.Size = ExportFrameSize(options.Codec, options.Resolution, options.ScreenHeight);
    const std::int64_t total = ExportFrameCount(show);
    if (total == 0) {
        result.Error = "The show has no frame to write: no photo is shown for a second or more";
        return result;
    }
    ProgressScope scope(progress);
    const std::string part = PartialPath(options.OutputPath);
    VideoSinkSettings settings;
    settings.Path = part;
    settings.OutputPath = options.OutputPath;
    settings.Width = result.Size.Width;
    settings.Height = result.Size.Height;
    settings.Codec = options.Codec.substr(0, 4);
    settings.FrameTime = kExportFrameTime;
    settings.Quality = options.Quality;

    // The WAV pieces are deleted when this goes, after the sink has read them (or failed).
    TemporaryFiles wavFiles;
    std::unique_ptr<VideoSink> sink;
    auto fail = [&](const std::string& message) {
        sink.reset(); // a sink that has started removes its own file
        std::remove(part.c_str());
        result.Outcome = ExportOutcome::Failed;
        result.Error = message;
        return result;
    };

    auto made = options.MakeSink ? options.MakeSink(settings) : MakeVideoSink(settings);
    if (!made)
        return fail(made.error());
    sink = std::move(*made);

    FrameRun run(*sink);
    imaging::Bitmap frame = imaging::Bitmap::CreateSized(settings.Width, settings.Height);
    imaging::TransitionState transition;
    std::int64_t videoSeconds = 0;
    bool cancelled = false;
    auto report = [&] {
        const std::int64_t done = run.Frames();
        progress.SetPosition(static_cast<int>(done * kVideoShare / total));
        if (options.OnFrames)
            options.OnFrames(done, total);
        progress.Pump();
    };

    const auto& slides = show.Slides;
    for (std::size_t i = 0; i < slides.size(); ++i) {
        const auto& s = slides[i];
        const std::int64_t still = Seconds(s.ShowSeconds);
        const std::int64_t fade = Seconds(s.TransitionSeconds);
        videoSeconds += still + fade;
        const imaging::SlideSource source{s.WorkFile, ExportColor(s.BackColor)};
        // A working file that cannot be read leaves the frame showing what it showed.
        imaging::RenderSlideToFrame(frame, &source);
        if (i == 0) {
            if (auto st = sink->Start(frame); !st)
                return fail(st.error());
        }
        if (auto st = run.Push(frame, kExportFramesPerSecond * still); !st)
            return fail(st.error());
        report();

        if (fade > 0) {
            std::optional<imaging::SlideSource> incoming;
            if (i + 1 < slides.size())
                incoming = imaging::SlideSource{slides[i + 1].WorkFile,
                                                ExportColor(slides[i + 1].BackColor)};
            imaging::TransitionParams params;
            params.Kind = s.TransitionKind;
            params.Seconds = static_cast<std::int32_t>(fade);
            params.BackColor = ExportColor(s.BackColor);
            transition.Start(static_cast<std::int32_t>(i), params, incoming);
            // Frame f of the transition shows it at 40·f ms: 0 … 1000·d − 40.
            for (std::int64_t f = 0; f < kExportFramesPerSecond * fade; ++f) {
                transition.SetElapsed(f * kExportFrameTime);
                transition.Step(frame);
                if (auto st = run.Push(frame, 1); !st)
                    return fail(st.error());
                if (f % kExportFramesPerSecond == kExportFramesPerSecond - 1)
                    report();
            }
            transition.Stop();
        }
        report();
        if (progress.Cancelled()) {
            cancelled = true; // the video as far as it got, without sound
            break;
        }
    }
    if (auto st = run.Flush(); !st)
        return fail(st.error());
    result.Frames = run.Frames();

    if (!cancelled && sink->CarriesSound()) {
        std::vector<SoundtrackTrack> tracks;
        for (const auto& t : show.Sounds)
            tracks.push_back(SoundtrackTrack{t.WorkFile, t.PlaySeconds, t.Volume});
        const PcmSourceOpener open = options.OpenTrack ? options.OpenTrack : OpenTrackPcmSource;
        auto pieces = DecodeSoundtrack(tracks, videoSeconds, open, wavFiles, progress);
        if (!pieces)
            return fail(pieces.error());
        for (const QueuedWav& piece : pieces->Queue)
            if (auto st = sink->AddSound(piece); !st)
                return fail(st.error());
        result.SoundPieces = pieces->Queue.size();
        result.LeftOut = pieces->LeftOut;
        cancelled = pieces->Cancelled; // the music queued so far stays
    }

    if (auto st = sink->Finish(); !st)
        return fail(st.error());
    result.EncodedFrames = sink->EncodedFrames();
    sink.reset();
    if (std::rename(part.c_str(), options.OutputPath.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        return fail("Cannot rename " + part + " to " + options.OutputPath + ": " + why);
    }
    progress.SetPosition(100);
    result.Outcome = cancelled ? ExportOutcome::Cancelled : ExportOutcome::Written;
    return result;
}

} // namespace media
