#include "cli/MusicEditCommands.h"
#include "cli/Failure.h"

#include "base/FileName.h"
#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "cli/ShowJobs.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/BeatCuts.h"
#include "media/music/MixPlan.h"
#include "media/music/ShowFitting.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace cli {

namespace {

const char kMusicEditUsage[] =
    "usage: edit SHOW.qvs --track N|--all-tracks [--volume V] [--fade-in SEC] [--fade-out SEC]"
    " | edit SHOW.qvs --show [--crossfade-tracks SEC] [--end-fade SEC] [--even-loudness on|off]"
    " [--fit-music] [--beat-cuts]";

// Seconds with decimals within 0..kMaxFadeSeconds.
bool ParseFadeSeconds(const QString& text, double& out) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0 || v > media::kMaxFadeSeconds)
        return false;
    out = v;
    return true;
}

struct MusicEdits {
    QString ShowPath;
    int Track = 0; // 1-based; 0 = not given
    bool AllTracks = false;
    bool Show = false;
    std::optional<int> Volume;
    std::optional<double> FadeIn, FadeOut, Crossfade, EndFade;
    std::optional<bool> EvenLoudness;
    bool FitMusic = false;
    bool BeatCuts = false;

    bool TrackEdits() const { return Volume || FadeIn || FadeOut; }
    bool ShowEdits() const { return Crossfade || EndFade || EvenLoudness || FitMusic || BeatCuts; }
};

// A refusal of the arguments, its text in the bytes the console prints.
base::Error Refuse(const QString& message) {
    return base::Fail(base::EncodeFileName(message));
}

// The arguments, or the message of the first one that does not fit.
base::Status Parse(const QStringList& args, MusicEdits& e) {
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        const auto value = [&] { return NextValue(args, i, v); };
        const auto seconds = [&](std::optional<double>& target) -> base::Status {
            double s = 0;
            if (!value() || !ParseFadeSeconds(v, s))
                return Refuse(a + " needs seconds from 0 to 10 (decimals allowed, e.g. 1.5)");
            target = s;
            return {};
        };
        base::Status problem;
        if (a == "--track") {
            if (!value() || !ParseInt(v, 1, 1000000, e.Track))
                return Refuse(QString("--track needs a track number from 1"));
        } else if (a == "--all-tracks") {
            e.AllTracks = true;
        } else if (a == "--show") {
            e.Show = true;
        } else if (a == "--volume") {
            int volume = 0;
            if (!value() || !ParseInt(v, 0, 100, volume))
                return Refuse(QString("--volume needs a whole number from 0 to 100"));
            e.Volume = volume;
        } else if (a == "--fade-in") {
            problem = seconds(e.FadeIn);
        } else if (a == "--fade-out") {
            problem = seconds(e.FadeOut);
        } else if (a == "--crossfade-tracks") {
            problem = seconds(e.Crossfade);
        } else if (a == "--end-fade") {
            problem = seconds(e.EndFade);
        } else if (a == "--even-loudness") {
            if (!value() || (v != "on" && v != "off"))
                return Refuse(QString("--even-loudness needs on or off"));
            e.EvenLoudness = v == "on";
        } else if (a == "--fit-music") {
            e.FitMusic = true;
        } else if (a == "--beat-cuts") {
            e.BeatCuts = true;
        } else if (a.startsWith("--")) {
            return Refuse("unknown option " + a + " for a track or show edit");
        } else if (e.ShowPath.isEmpty()) {
            e.ShowPath = a;
        } else {
            return Refuse("unexpected argument " + a);
        }
        if (!problem)
            return problem;
    }
    const int targets = (e.Track > 0 ? 1 : 0) + (e.AllTracks ? 1 : 0) + (e.Show ? 1 : 0);
    if (e.ShowPath.isEmpty() || targets != 1)
        return Refuse(QString(kMusicEditUsage));
    if (e.Show && e.TrackEdits())
        return Refuse(
            QString("--volume, --fade-in and --fade-out go with --track or --all-tracks"));
    if (!e.Show && e.ShowEdits())
        return Refuse(QString("--crossfade-tracks, --end-fade, --even-loudness, --fit-music and "
                              "--beat-cuts go with --show"));
    if (!e.TrackEdits() && !e.ShowEdits())
        return Refuse(QString("no edit given"));
    return {};
}

} // namespace

bool IsMusicEdit(const QStringList& args) {
    return args.contains("--track") || args.contains("--all-tracks") || args.contains("--show");
}

int RunMusicEdit(const QStringList& args) {
    MusicEdits e;
    if (const auto parsed = Parse(args, e); !parsed)
        return Fail(parsed.error());

    project::ShowSession session;
    if (const auto done = OpenShowToEdit(session, e.ShowPath); !done)
        return Fail(done.error());
    const std::string path = base::EncodeFileName(e.ShowPath);
    // The edits are worked out on a draft and go into the show as one step of its history.
    auto change = session.History().BeginChange();
    if (!change)
        return Fail(QString::fromLocal8Bit(change.error().c_str()));
    project::ShowContent& show = change->Draft;
    if (e.Track > static_cast<int>(show.Sounds.size()))
        return Fail(QString("no track %1: the show has %2").arg(e.Track).arg(show.Sounds.size()));

    QString done;
    if (e.Show) {
        // The options first: the cross-fade changes how long the music lasts.
        project::ShowOptions options = show.Options;
        if (e.Crossfade)
            options.TrackCrossfadeSeconds = *e.Crossfade;
        if (e.EndFade)
            options.EndFadeSeconds = *e.EndFade;
        if (e.EvenLoudness)
            options.EvenLoudness = *e.EvenLoudness;
        show.Options = options;
        media::Retiming retimed;
        if (e.FitMusic) {
            const auto fitted = media::FitPhotosToMusic(show);
            if (!fitted)
                return Fail(QString::fromStdString("--fit-music: " + fitted.error()));
            retimed = *fitted;
        }
        if (e.BeatCuts) {
            ConsoleProgress beats("finding beats");
            const auto before = render::ShowTimeline::TimesOf(show.Slides);
            const auto moved = media::ChangePhotosOnBeat(show, media::OpenTrackPcmSource, &beats);
            if (!moved)
                return Fail(QString::fromStdString("--beat-cuts: " + moved.error()));
            retimed.Retimed = std::max(retimed.Retimed, moved->Retimed);
            retimed.ClipsKept = moved->ClipsKept;
            const media::CutsMoved cuts =
                media::CompareCuts(before, render::ShowTimeline::TimesOf(show.Slides));
            std::fprintf(stderr,
                         "reelpane-cli: %zu cuts moved onto the beat, the largest by %.2f s\n",
                         cuts.Cuts, static_cast<double>(cuts.LargestMs) / 1000.0);
        }
        done = QString("the show's music options, %1 of %2 photos retimed")
                   .arg(retimed.Retimed)
                   .arg(show.Slides.size());
        // The clips play their trims: the retiming worked around them.
        if (retimed.ClipsKept > 0)
            done += QString(", %1 clips kept at their trims").arg(retimed.ClipsKept);
    } else {
        std::vector<std::size_t> targets;
        if (e.AllTracks)
            for (std::size_t k = 0; k < show.Sounds.size(); ++k)
                targets.push_back(k);
        else
            targets.push_back(static_cast<std::size_t>(e.Track - 1));
        for (const std::size_t index : targets) {
            project::Track track = show.Sounds[index];
            if (e.Volume)
                track.Volume = *e.Volume;
            if (e.FadeIn)
                track.Ext.FadeInSeconds = *e.FadeIn;
            if (e.FadeOut)
                track.Ext.FadeOutSeconds = *e.FadeOut;
            show.Sounds[index] = track;
        }
        done = QString("%1 of %2 tracks").arg(targets.size()).arg(show.Sounds.size());
    }

    if (auto done = session.History().Commit(std::move(*change), QStringLiteral("music")); !done)
        return Fail(QString::fromLocal8Bit(done.error().c_str()));
    if (const auto done = SaveEditedShow(session, e.ShowPath); !done)
        return Fail(done.error());
    std::fprintf(stderr, "reelpane-cli: edited %s (%s)\n", path.c_str(),
                 done.toLocal8Bit().constData());
    return 0;
}

} // namespace cli
