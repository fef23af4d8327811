#include "cli/ExportCommands.h"
#include "cli/Interrupt.h"

#include "base/FileName.h"
#include "cli/CoreImport.h"

#include "media/CodecChoice.h"
#include "media/Mp4VideoSink.h"
#include "media/TrackImport.h"
#include "media/VideoCodecs.h"
#include "media/VideoExport.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace cli {

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "reelpane-cli: %s\n", message.toLocal8Bit().constData());
    return 1;
}

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

int RunExport(const QStringList& args) {
    QString show;
    QString out;
    QString codec;
    bool codecGiven = false;
    int resolution = -1;
    int quality = -1;
    int screenHeight = 768;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--codec") {
            if (!hasValue)
                return Fail("--codec needs a compressor code or none");
            codec = args[++i];
            codecGiven = true;
        } else if (a == "--size") {
            const QString v = hasValue ? args[++i] : QString();
            if (v == "high")
                resolution = media::kResolutionHigh;
            else if (v == "standard")
                resolution = media::kResolutionStandard;
            else if (v == "720p")
                resolution = media::kResolution720p;
            else if (v == "1080p")
                resolution = media::kResolution1080p;
            else
                return Fail("--size needs high, standard, 720p or 1080p");
        } else if (a == "--quality") {
            const QString v = hasValue ? args[++i] : QString();
            if (v == "good")
                quality = media::kQualityGood;
            else if (v == "best")
                quality = media::kQualityBest;
            else
                return Fail("--quality needs good or best");
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
            return Fail("usage: export SHOW.qvs OUT.avi [options]");
        }
    }
    if (show.isEmpty() || out.isEmpty())
        return Fail("usage: export SHOW.qvs OUT.avi|OUT.mp4 [--codec CODE|none] "
                    "[--size high|standard|720p|1080p] [--quality good|best] [--screen-height N]");

    // The compressor: a line the export offers (matched in any case), or none. An MP4 file is
    // always H.264 and AAC, 720p unless --size says otherwise; 720p, 1080p and the quality are
    // choices of MP4 files only.
    const bool mp4 = media::IsMp4Output(base::EncodeFileName(out));
    if (mp4 && codecGiven)
        return Fail("--codec is for AVI files; an MP4 file is always H.264 with AAC sound");
    if (!mp4 && (resolution == media::kResolution720p || resolution == media::kResolution1080p))
        return Fail("--size 720p and 1080p are for MP4 files (OUT.mp4)");
    if (!mp4 && quality >= 0)
        return Fail(
            "--quality is for MP4 files (OUT.mp4); an AVI file's quality is its compressor's");
    const auto offered = media::OfferedCodecLines(media::ListCodecs());
    std::string code;
    int proposedResolution = media::kResolutionHigh;
    if (mp4) {
        code.clear();
        proposedResolution = media::kResolution720p;
    } else if (codecGiven && codec.compare("none", Qt::CaseInsensitive) == 0) {
        code.clear();
    } else if (codecGiven) {
        for (const auto& line : offered)
            if (codec.size() == 4 && QString::fromStdString(media::CodecCodeOfLine(line))
                                             .compare(codec, Qt::CaseInsensitive) == 0)
                code = media::CodecCodeOfLine(line);
        if (code.empty())
            return Fail("no offered compressor '" + codec + "' (see reelpane-cli codecs)");
    } else {
        const auto proposal = media::ProposeCodec(offered);
        if (proposal.Line < 0)
            return Fail("no DivX or XviD compressor is available; use --codec none");
        code = media::CodecCodeOfLine(offered[static_cast<std::size_t>(proposal.Line)]);
        proposedResolution = proposal.Resolution;
    }

    project::ShowSession session;
    if (const auto opened = session.Open(); !opened)
        return Fail(QString::fromLocal8Bit(opened.error().c_str()));
    auto& model = session.Show();
    {
        base::NoProgress quiet;
        const auto loaded =
            project::LoadProject(model, base::EncodeFileName(show), quiet, CoreImport(model));
        if (loaded.Failed())
            return Fail("cannot load " + show + ": " +
                        QString::fromLocal8Bit(loaded.Error.c_str()));
    }

    ExportProgress progress;
    media::VideoExportOptions options;
    options.OutputPath = base::EncodeFileName(out);
    options.Codec = code;
    options.Resolution = resolution >= 0 ? resolution : proposedResolution;
    options.Quality = quality >= 0 ? quality : media::kQualityGood;
    options.ScreenHeight = screenHeight;
    options.OnFrames = [&progress](std::int64_t done, std::int64_t total) {
        progress.Frames(done, total);
    };
    media::VideoExportResult result;
    {
        // Ctrl-C asks the export to stop; it finishes the file as far as it got.
        InterruptScope interrupt(&progress);
        result = media::ExportVideo(model, options, progress);
    }
    for (const auto& track : result.LeftOut)
        std::fprintf(stderr, "reelpane-cli: %s could not be decoded; silence instead\n",
                     track.c_str());
    switch (result.Outcome) {
    case media::ExportOutcome::Failed:
        return Fail("cannot write " + out + ": " + QString::fromLocal8Bit(result.Error.c_str()));
    case media::ExportOutcome::Cancelled:
        std::fprintf(stderr, "reelpane-cli: interrupted; %s holds the first %lld frames\n",
                     out.toLocal8Bit().constData(), static_cast<long long>(result.Frames));
        return 130;
    case media::ExportOutcome::Written:
        break;
    }
    const std::string coding =
        mp4            ? "H.264 CRF " + std::to_string(media::QualityCrf(options.Quality))
        : code.empty() ? std::string("uncompressed")
                       : code;
    std::fprintf(stderr, "reelpane-cli: wrote %s (%d x %d, %lld frames, %s, %zu sound pieces)\n",
                 out.toLocal8Bit().constData(), result.Size.Width, result.Size.Height,
                 static_cast<long long>(result.Frames), coding.c_str(), result.SoundPieces);
    return 0;
}

} // namespace cli
