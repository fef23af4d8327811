#include "cli/ExportCommands.h"
#include "cli/Failure.h"
#include "cli/Interrupt.h"
#include "cli/ShowJobs.h"

#include "base/FileName.h"
#include "base/JobRunner.h"

#include "media/audio/LibraryLog.h"
#include "media/export/OutputChoice.h"
#include "media/export/VideoExport.h"
#include "media/music/TrackImport.h"
#include "media/video/CodecChoice.h"
#include "media/video/Mp4Format.h"
#include "media/video/VideoCodecs.h"
#include "media/video/VideoOutput.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>
#include <unistd.h>

namespace cli {

namespace {

// The export's progress on standard error: percent, frames, speed and time left, drawn only on
// a terminal.
class ExportProgress final : public base::Progress {
public:
    ExportProgress() : terminal_(::isatty(STDERR_FILENO) != 0) {}

    void Frames(std::int64_t done, std::int64_t total) {
        done_ = done;
        total_ = total;
        Draw();
    }
    void SetPosition(int percent) override {
        percent_ = percent;
        Draw();
    }
    void Close() override {
        if (terminal_ && drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

protected:
    void Show() override {
        // A signal that came while the show loaded still stops the export.
        if (InterruptScope::Raised())
            RequestCancel();
        start_ = Clock::now();
        Draw();
    }

private:
    using Clock = std::chrono::steady_clock;

    void Draw() {
        if (!terminal_)
            return;
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        const double fps = seconds > 0 ? static_cast<double>(done_) / seconds : 0;
        const int filled = percent_ * 30 / 100;
        std::fprintf(stderr, "\rexporting [");
        for (int i = 0; i < 30; ++i)
            std::fputc(i < filled ? '#' : '.', stderr);
        std::fprintf(stderr, "] %3d%%  %lld/%lld frames  %.1f fps", percent_,
                     static_cast<long long>(done_), static_cast<long long>(total_), fps);
        if (fps > 0 && total_ > done_) {
            const auto left = static_cast<long long>(static_cast<double>(total_ - done_) / fps);
            std::fprintf(stderr, "  %lld:%02lld left ", left / 60, left % 60);
        } else {
            std::fputs("           ", stderr);
        }
        std::fflush(stderr);
        drawn_ = true;
    }

    bool terminal_;
    bool drawn_ = false;
    int percent_ = 0;
    std::int64_t done_ = 0;
    std::int64_t total_ = 0;
    Clock::time_point start_ = Clock::now();
};

// FFmpeg's lines reach standard error only when REELPANE_LIBRARY_LOG is set (for diagnosis).
void ShowLibraryLines() {
    if (qEnvironmentVariableIsEmpty("REELPANE_LIBRARY_LOG"))
        return;
    media::SetLibraryLogHandler([](int, const std::string& line) {
        std::fprintf(stderr, "reelpane-cli: library: %s\n", line.c_str());
    });
}

} // namespace

namespace {

// The show loaded for an export: a photo or track that cannot be read keeps its place.
project::OpenImport ExportImport() {
    project::OpenImport hooks;
    hooks.AddPhoto = [](project::ShowContent& into, const project::WorkFiles& files,
                        const project::PhotoSettings& photos,
                        const std::string& p) -> project::ImportStatus {
        auto added = project::AddPhoto(into, files, photos, p);
        if (!added || added->Added)
            return project::StatusOf(added);
        into.Slides.push_back(project::Slide::MakeDefault()); // no working file
        return project::ImportNote{};
    };
    hooks.AddTrack = [](project::ShowContent& into, const project::WorkFiles& files,
                        const std::string& p) -> project::ImportStatus {
        return project::StatusOf(media::LoadTrack(into, files, p));
    };
    return hooks;
}

} // namespace

base::Status OpenShowForExport(project::ShowSession& session, const QString& show) {
    if (auto opened = session.Open(); !opened)
        return opened;
    base::NoProgress quiet;
    const auto loaded = LoadShowJob(session, base::EncodeFileName(show), quiet, ExportImport());
    if (!loaded)
        return base::Fail("cannot load " + base::EncodeFileName(show) + ": " + loaded.error());
    return {};
}

namespace {

// What the export used becomes the show's output settings, saved with the show as `edit` saves
// it. A show loaded with a blank slide for a photo that could not be read is not saved (it would
// lose that photo): it keeps its earlier choices. A save that fails says so in one warning.
void StoreUsedSettings(project::ShowSession& session, const media::VideoExportOptions& used,
                       const QString& showPath) {
    const project::ShowModel& show = session.Show();
    for (const project::Slide& s : show.Slides())
        if (s.WorkFile.empty())
            return;
    project::ShowOptions options = show.Options();
    options.Output = media::UsedOutputSettings(options.Output, used);
    if (options == show.Options())
        return;
    base::Status stored =
        session.History().Apply({project::edit::SetOptions{options}}, QStringLiteral("output"));
    base::NoProgress quiet;
    const auto saved = stored ? SaveShowJob(show, base::EncodeFileName(showPath), quiet)
                              : project::SaveResult(base::Fail(stored.error()));
    if (!saved || *saved != project::SaveOutcome::Saved)
        std::fprintf(stderr,
                     "reelpane-cli: warning: the show keeps its earlier output settings: %s\n",
                     (saved ? "nothing was saved" : saved.error().c_str()));
}

} // namespace

int RunCodecs(const QStringList& args) {
    if (args.size() != 2)
        return Fail("usage: codecs");
    const auto lines = media::ListCodecs();
    for (const auto& line : lines)
        std::printf("%s\n", line.c_str());
    const auto offered = media::OfferedCodecLines(lines);
    const auto proposal = media::ProposeCodec(offered);
    std::printf("\noffered:\n");
    for (std::size_t i = 0; i < offered.size(); ++i)
        std::printf("%s%s\n", offered[i].c_str(),
                    static_cast<int>(i) != proposal.Line            ? ""
                    : proposal.Resolution == media::kResolutionHigh ? "  (proposed, high)"
                                                                    : "  (proposed, standard)");
    if (offered.empty())
        std::printf("(none: a DivX or XviD compressor is needed; --codec none still works)\n");
    return 0;
}

// The MP4 choices of the command line, each -1 (or empty) when not given.
struct Mp4Options {
    int Resolution = -1;
    std::optional<media::VideoShape> Shape;
    int Fps = -1;
    std::optional<media::Mp4Coding> Coding;
    const media::Mp4Preset* Preset = nullptr;
};

int RunExport(const QStringList& args) {
    QString show;
    QString out;
    QString codec;
    bool codecGiven = false;
    int quality = -1;
    QString speed;
    int crf = -1;
    int screenHeight = 768;
    Mp4Options chosen;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--codec") {
            if (!hasValue)
                return Fail("--codec needs a compressor code or none (AVI), h264 or h265 (MP4)");
            codec = args[++i];
            codecGiven = true;
        } else if (a == "--size") {
            const QString v = hasValue ? args[++i] : QString();
            if (v == "high")
                chosen.Resolution = media::kResolutionHigh;
            else if (v == "standard")
                chosen.Resolution = media::kResolutionStandard;
            else if (v.endsWith('p') && media::ResolutionOfShortSide(v.chopped(1).toInt()) >= 0)
                chosen.Resolution = media::ResolutionOfShortSide(v.chopped(1).toInt());
            else
                return Fail("--size needs high, standard, 720p, 1080p, 1440p or 2160p");
        } else if (a == "--aspect") {
            const QString v = hasValue ? args[++i] : QString();
            chosen.Shape = media::ParseShape(v.toStdString());
            if (!chosen.Shape)
                return Fail("--aspect needs 16:9, 9:16, 1:1 or 4:3");
        } else if (a == "--fps") {
            bool ok = false;
            chosen.Fps = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || !media::IsOfferedFrameRate(chosen.Fps))
                return Fail("--fps needs 24, 25, 30, 50 or 60");
        } else if (a == "--preset") {
            const QString v = hasValue ? args[++i] : QString();
            chosen.Preset = media::FindMp4Preset(v.toStdString());
            if (!chosen.Preset)
                return Fail("--preset needs youtube, 4k, phone or square");
        } else if (a == "--quality") {
            const QString v = hasValue ? args[++i] : QString();
            if (v == "good")
                quality = media::kQualityGood;
            else if (v == "best")
                quality = media::kQualityBest;
            else
                return Fail("--quality needs good or best");
        } else if (a == "--speed") {
            speed = hasValue ? args[++i] : QString();
            if (!project::EncoderSpeedIndex(speed.toStdString()))
                return Fail("--speed needs ultrafast, superfast, veryfast, faster, fast, medium, "
                            "slow, slower or veryslow");
        } else if (a == "--crf") {
            bool ok = false;
            crf = hasValue ? args[++i].toInt(&ok) : -1;
            if (!ok || crf < 0 || crf > project::kMaxCrf)
                return Fail("--crf needs a number from 0 (the quality's own) to 51");
        } else if (a == "--screen-height") {
            bool ok = false;
            screenHeight = hasValue ? args[++i].toInt(&ok) : 0;
            if (!ok || screenHeight < 1 || screenHeight > 100000)
                return Fail("--screen-height needs a number of rows");
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a);
        } else if (show.isEmpty()) {
            show = a;
        } else if (out.isEmpty()) {
            out = a;
        } else {
            return Fail("usage: export SHOW.qvs OUT.avi|OUT.mp4 [options]");
        }
    }
    if (show.isEmpty() || out.isEmpty())
        return Fail("usage: export SHOW.qvs OUT.avi [--codec CODE|none] [--size high|standard] "
                    "[--screen-height N] | export SHOW.qvs OUT.mp4 [--size 720p|1080p|1440p|2160p] "
                    "[--aspect 16:9|9:16|1:1|4:3] [--fps 24|25|30|50|60] [--codec h264|h265] "
                    "[--quality good|best] [--preset youtube|4k|phone|square] "
                    "[--speed ultrafast...veryslow] [--crf N]");

    // The container, then the choices that belong to it. An AVI file takes a compressor the
    // export offers (matched in any case) or none, at the AVI sizes and 25 frames per second;
    // an MP4 file is H.264 or H.265 with AAC sound, at the show's last choices (720p 16:9 at 25
    // frames per second at first) unless the options or a preset say otherwise (the options win
    // over the preset, both over the last choices).
    const auto container =
        media::CheckVideoOutput(base::EncodeFileName(out), base::EncodeFileName(show));
    if (!container)
        return Fail(QString::fromLocal8Bit(container.error().c_str()));
    const bool mp4 = *container == media::VideoContainer::Mp4;
    const bool playerSize = media::ShortSideOf(chosen.Resolution) > 0;
    if (!mp4 && playerSize)
        return Fail("--size 720p, 1080p, 1440p and 2160p are for MP4 files (OUT.mp4)");
    if (!mp4 && quality >= 0)
        return Fail(
            "--quality is for MP4 files (OUT.mp4); an AVI file's quality is its compressor's");
    if (!mp4 && (!speed.isEmpty() || crf >= 0))
        return Fail("--speed and --crf are for MP4 files (OUT.mp4); an AVI file's quality is its "
                    "compressor's");
    if (!mp4 && (chosen.Shape || chosen.Fps >= 0 || chosen.Preset))
        return Fail("--aspect, --fps and --preset are for MP4 files (OUT.mp4); an AVI file is "
                    "4:3 at 25 frames per second");
    if (mp4 && codecGiven) {
        if (codec.compare("h264", Qt::CaseInsensitive) == 0)
            chosen.Coding = media::Mp4Coding::H264;
        else if (codec.compare("h265", Qt::CaseInsensitive) == 0)
            chosen.Coding = media::Mp4Coding::H265;
        else
            return Fail("--codec for an MP4 file is h264 or h265; '" + codec +
                        "' is an AVI compressor");
    }
    if (mp4 && chosen.Shape && chosen.Resolution >= 0 && !playerSize)
        return Fail("--aspect needs one of the sizes 720p, 1080p, 1440p or 2160p");

    project::ShowSession session;
    if (const auto opened = OpenShowForExport(session, show); !opened)
        return Fail(QString::fromLocal8Bit(opened.error().c_str()));
    auto& model = session.Show();
    // What the show used last is the start; the options given win over it.
    const project::OutputSettings stored = model.Options().Output;

    ExportProgress progress;
    media::VideoExportOptions options;
    options.OutputPath = base::EncodeFileName(out);
    options.ShowPath = base::EncodeFileName(show);
    if (mp4) {
        media::ApplyMp4Settings(stored, options);
        if (const media::Mp4Preset* p = chosen.Preset) {
            options.Resolution = p->Resolution;
            options.Shape = p->Shape;
            options.Fps = p->Fps;
            options.Coding = p->Codec;
        }
        if (chosen.Resolution >= 0)
            options.Resolution = chosen.Resolution;
        if (chosen.Shape)
            options.Shape = *chosen.Shape;
        if (chosen.Fps > 0)
            options.Fps = chosen.Fps;
        if (chosen.Coding)
            options.Coding = *chosen.Coding;
        if (quality >= 0) {
            options.Quality = quality;
            options.Crf = 0; // a quality chosen anew brings its own constant quality
        }
        if (!speed.isEmpty())
            options.Speed = speed.toStdString();
        if (crf >= 0)
            options.Crf = crf;
    } else {
        const auto offered = media::OfferedCodecLines(media::ListCodecs());
        int proposedResolution =
            stored.AviResolution == 1 ? media::kResolutionStandard : media::kResolutionHigh;
        if (codecGiven && codec.compare("none", Qt::CaseInsensitive) == 0) {
            options.Codec.clear();
        } else if (codecGiven) {
            for (const auto& line : offered)
                if (codec.size() == 4 && QString::fromStdString(media::CodecCodeOfLine(line))
                                                 .compare(codec, Qt::CaseInsensitive) == 0)
                    options.Codec = media::CodecCodeOfLine(line);
            if (options.Codec.empty())
                return Fail("no offered compressor '" + codec + "' (see reelpane-cli codecs)");
        } else if (const auto kept = media::StoredAviCodec(stored, offered)) {
            options.Codec = *kept;
        } else {
            const auto proposal = media::ProposeCodec(offered);
            if (proposal.Line < 0)
                return Fail("no DivX or XviD compressor is available; use --codec none");
            options.Codec =
                media::CodecCodeOfLine(offered[static_cast<std::size_t>(proposal.Line)]);
            proposedResolution = proposal.Resolution;
        }
        options.Resolution = chosen.Resolution >= 0 ? chosen.Resolution : proposedResolution;
    }
    // Once, before the work: a video larger than the show's photos is softer than it could be.
    {
        int photoWidth = 0, photoHeight = 0;
        model.ResolutionSize(photoWidth, photoHeight);
        const std::string softer =
            media::SofterVideoWarning(media::ExportVideoSize(options), photoWidth, photoHeight);
        if (!softer.empty())
            std::fprintf(stderr, "reelpane-cli: warning: %s\n", softer.c_str());
    }
    options.ScreenHeight = screenHeight;
    options.OnFrames = [&progress](std::int64_t done, std::int64_t total) {
        progress.Frames(done, total);
    };
    ShowLibraryLines();
    media::VideoExportResult result = base::Fail(std::string());
    int signal = 0;
    {
        // Ctrl-C, a hang-up or a termination request asks the export to stop; it finishes the
        // file as far as it got.
        InterruptScope interrupt(&progress);
        // The export runs on the job runner's worker, as in the window; this thread waits.
        base::JobRunner runner;
        runner.Run(progress, [&] { result = media::ExportVideo(model, options, progress); });
        if (const std::string failure = runner.Failure(); !failure.empty())
            result = base::Fail(failure);
        signal = InterruptScope::Signal();
    }
    if (!result)
        return Fail(QString::fromLocal8Bit(result.error().c_str()));
    if (const std::string warning = media::ExportWarning(model, *result); !warning.empty())
        std::fprintf(stderr, "reelpane-cli: warning: %s\n", warning.c_str());
    switch (result->Outcome) {
    case media::ExportOutcome::Cancelled:
        std::fprintf(stderr, "reelpane-cli: interrupted; %s holds the first %lld frames\n",
                     out.toLocal8Bit().constData(), static_cast<long long>(result->Frames));
        return 128 + (signal ? signal : SIGINT);
    case media::ExportOutcome::Written:
        break;
    }
    const std::string coding =
        mp4 ? std::string(options.Coding == media::Mp4Coding::H265 ? "H.265" : "H.264") + " CRF " +
                  std::to_string(media::ExportCrf(options)) + " " +
                  (options.Speed.empty() ? std::string(project::kDefaultEncoderSpeed)
                                         : options.Speed)
        : options.Codec.empty() ? std::string("uncompressed")
                                : options.Codec;
    std::fprintf(stderr,
                 "reelpane-cli: wrote %s (%d x %d, %lld frames, %s, %d fps, %zu sound pieces)\n",
                 out.toLocal8Bit().constData(), result->Size.Width, result->Size.Height,
                 static_cast<long long>(result->Frames), coding.c_str(),
                 media::ExportFrameRate(options), result->SoundPieces);
    StoreUsedSettings(session, options, show);
    return 0;
}

} // namespace cli
