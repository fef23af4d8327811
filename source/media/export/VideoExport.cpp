#include "media/export/VideoExport.h"

#include "base/AtomicFile.h"
#include "imaging/Colors.h"
#include "imaging/Compose.h"
#include "imaging/TransitionState.h"
#include "media/audio/LibraryLog.h"
#include "media/audio/SystemError.h"
#include "media/audio/TrackPcmSource.h"
#include "media/export/VideoSinkFrames.h"
#include "media/music/Mixdown.h"
#include "media/music/ShowMix.h"
#include "media/video/ClipPictureSource.h"
#include "media/video/ClipSound.h"
#include "media/video/SharpFit.h"
#include "media/video/VideoOutput.h"
#include "render/FrameRenderer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace media {

namespace {

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

std::int64_t ExportFrameCount(const project::ShowContent& show, int fps) {
    return render::ShowTimeline::Of(show).FrameCount(render::FrameRate::Fps(fps));
}

bool IsMp4Options(const VideoExportOptions& options) {
    return LowerExtension(options.OutputPath) == ".mp4";
}

FrameSize ExportVideoSize(const VideoExportOptions& options) {
    if (!IsMp4Options(options))
        return ExportFrameSize(options.Codec, options.Resolution, options.ScreenHeight);
    return ShapedFrameSize(options.Resolution, options.Shape, options.Codec, options.ScreenHeight);
}

int ExportFrameRate(const VideoExportOptions& options) {
    return IsMp4Options(options) && IsOfferedFrameRate(options.Fps) ? options.Fps
                                                                    : kExportFramesPerSecond;
}

std::string PartialPath(const std::string& outputPath) {
    return outputPath + ".part";
}

std::string ExportFailureText(const std::string& format, const std::string& fileName) {
    std::string text = format;
    if (const auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, fileName);
    return text;
}

VideoExportResult ExportVideo(const project::ShowContent& show, const VideoExportOptions& options,
                              base::Progress& progress) {
    VideoExportReport result;
    if (auto checked = CheckVideoOutput(options.OutputPath, options.ShowPath); !checked)
        return base::Fail(checked.error());
    IgnoreFileSizeSignal();
    RouteLibraryLog();
    result.Size = ExportVideoSize(options);
    const int fps = ExportFrameRate(options);
    const render::FrameRate rate = render::FrameRate::Fps(fps);
    const std::int64_t total = ExportFrameCount(show, fps);
    if (total == 0)
        return base::Fail("The show has no frame to write: no photo is shown for a second or more");
    ProgressScope scope(progress);
    // Written under its ".part" name and put in place only when complete, so a failed or
    // cancelled export leaves an older video of that name as it was.
    base::AtomicFile output(options.OutputPath, ".part");
    if (auto opened = output.Open(); !opened)
        return base::Fail(opened.error());
    const std::string part = output.TempPath();
    VideoSinkSettings settings;
    settings.Path = part;
    settings.OutputPath = options.OutputPath;
    settings.Width = result.Size.Width;
    settings.Height = result.Size.Height;
    settings.Codec = options.Codec.substr(0, 4);
    settings.FrameTime = kExportFrameTime;
    settings.Fps = fps;
    settings.Hevc = options.Coding == Mp4Coding::H265;
    settings.Quality = options.Quality;
    settings.Speed = options.Speed;
    settings.Crf = options.Crf;

    // The music a sink reads on a thread of its own watches the job's cancel and pumps nothing;
    // it outlives the sink, which holds the pieces.
    base::FollowingProgress aheadProgress(progress);
    std::unique_ptr<VideoSink> sink;
    auto fail = [&](std::string message) -> VideoExportResult {
        sink.reset(); // a sink that has started removes its own file
        output.Discard();
        // The user knows the file by the name they chose, not by its temporary one.
        for (auto at = message.find(part); at != std::string::npos; at = message.find(part, at))
            message.replace(at, part.size(), options.OutputPath);
        return base::Fail(std::move(message));
    };

    auto made = options.MakeSink ? options.MakeSink(settings) : MakeVideoSink(settings);
    if (!made)
        return fail(made.error());
    sink = std::move(*made);

    // The music on the video's time line, as PCM pieces the sink decodes as it writes them.
    std::shared_ptr<SoundtrackState> sound;
    const bool soundAhead = sink->CarriesSound() && sink->SoundAhead();
    auto queueSound = [&](std::int64_t videoMs) -> base::Status {
        // The plan of a show without fades, cross-fades or even loudness is the plain one: its
        // pieces are cut and queued exactly as older shows' always were.
        const MixPlan plan = MixPlanOf(show, videoMs);
        const PcmSourceOpener open =
            options.OpenTrack ? options.OpenTrack : OpenTrackOrClipPcmSource;
        SoundtrackStream stream = SoundtrackOf(
            plan, open, soundAhead ? static_cast<base::Progress&>(aheadProgress) : progress);
        sound = stream.State;
        result.SoundPieces = stream.Pieces.size();
        for (SoundPiece& piece : stream.Pieces)
            if (auto st = sink->AddSound(std::move(piece)); !st)
                return st;
        return {};
    };
    // Tracks left out are known once queued; a cancel during the music is known once written.
    auto noteSound = [&] {
        if (!sound)
            return;
        result.LeftOut = sound->LeftOut;
        result.SilentTracks.clear();
        for (std::size_t t = 0; t < show.Sounds.size(); ++t)
            if (std::find(result.LeftOut.begin(), result.LeftOut.end(), show.Sounds[t].WorkFile) !=
                result.LeftOut.end())
                result.SilentTracks.push_back(t);
    };
    const bool soundFirst = sink->CarriesSound() && (sink->SoundBeforeFrames() || soundAhead);
    if (soundFirst) {
        const std::int64_t showMs = render::ShowTimeline::MsOfFrame(total, rate);
        if (auto st = queueSound(showMs); !st)
            return fail(st.error());
    }

    // One renderer draws every frame. The sizes of today's players fill the frame with each
    // photo, sharply scaled.
    render::RenderOptions drawing;
    drawing.Rate = rate;
    if (ShortSideOf(options.Resolution) > 0)
        drawing.Fit = ComposeSharp;
    drawing.Scale = ScaleSharp;
    drawing.ScratchPath = part + ".incoming.bmp";
    drawing.Clips = ClipOpenerForRendering();
    render::FrameRenderer renderer(show.Slides, drawing);
    // Every boundary is placed by its time in milliseconds (ShowTimeline::FrameAt), so slides,
    // transitions and the music stay within half a frame of their times at any rate.
    VideoSinkFrames frames(*sink, progress, options.OnFrames, total, kVideoShare);
    if (auto st = renderer.Play(frames, settings.Width, settings.Height); !st)
        return fail(st.error());
    result.UnreadablePhotos = frames.UnreadableSlides();
    const bool cancelled = frames.Cancelled(); // the video as far as it got, without sound
    const std::int64_t videoMs = render::ShowTimeline::MsOfFrame(total, rate);
    if (auto st = frames.Flush(); !st)
        return fail(st.error());
    result.Frames = frames.Frames();
    if (cancelled && soundAhead) {
        sink->DropSound();
        sound.reset(); // no music was written
        result.SoundPieces = 0;
    }

    if (!cancelled && !soundFirst && sink->CarriesSound())
        if (auto st = queueSound(videoMs); !st)
            return fail(st.error());

    if (auto st = sink->Finish(); !st)
        return fail(st.error());
    noteSound();
    // The music written so far stays.
    const bool stopped = cancelled || (sound && sound->Cancelled);
    result.EncodedFrames = sink->EncodedFrames();
    sink.reset();
    if (auto st = output.Commit(base::AtomicFile::Durability::WriteBack); !st)
        return fail("Cannot rename the finished video to " + options.OutputPath + ": " +
                    st.error());
    progress.SetPosition(100);
    result.Outcome = stopped ? ExportOutcome::Cancelled : ExportOutcome::Written;
    return result;
}

std::string ExportWarning(const project::ShowContent& show, const VideoExportReport& result) {
    std::vector<std::string> named;
    for (std::size_t t : result.SilentTracks) {
        std::string text = "track " + std::to_string(t + 1);
        if (t < show.Sounds.size()) {
            const std::string title = show.Sounds[t].Title;
            if (!title.empty())
                text += " (" + title + ")";
            text += " plays as " + std::to_string(Seconds(show.Sounds[t].PlaySeconds)) +
                    " s of silence";
        }
        named.push_back(text);
    }
    for (std::size_t p : result.UnreadablePhotos)
        named.push_back("photo " + std::to_string(p + 1) + " shows the picture before it");
    if (named.empty())
        return {};
    std::string text =
        named.size() == 1 ? "A file of the show could not be read: "
                          : std::to_string(named.size()) + " files of the show could not be read: ";
    for (std::size_t i = 0; i < named.size(); ++i)
        text += (i ? "; " : "") + named[i];
    return text;
}

} // namespace media
