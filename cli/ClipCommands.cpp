#include "cli/ClipCommands.h"
#include "cli/Failure.h"

#include "base/FileName.h"
#include "cli/Commands.h"
#include "cli/ShowJobs.h"
#include "project/ClipSlides.h"
#include "project/ShowSession.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace cli {

namespace {

const char kClipUsage[] = "usage: edit SHOW.qvs --slide N [--trim START,END] "
                          "[--clip-volume PERCENT | --mute | --unmute]";

// Seconds to the millisecond ("1.25"), or "end" for the clip's length.
std::optional<std::int64_t> ParseClipTime(const QString& text, std::int64_t endMs) {
    if (text == "end")
        return endMs;
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 86400)
        return std::nullopt;
    return std::llround(seconds * 1000.0);
}

} // namespace

bool IsClipEdit(const QStringList& args) {
    return args.contains("--trim") || args.contains("--clip-volume") || args.contains("--mute") ||
           args.contains("--unmute");
}

int RunClipEdit(const QStringList& args) {
    QString showPath, trim;
    int slide = 0;
    std::optional<int> volume;
    std::optional<bool> mute;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        const auto value = [&] { return NextValue(args, i, v); };
        if (a == "--slide") {
            if (!value() || !ParseInt(v, 1, 1000000, slide))
                return Fail("--slide needs a slide number from 1");
        } else if (a == "--trim") {
            if (!value())
                return Fail("--trim needs START,END in seconds");
            trim = v;
        } else if (a == "--clip-volume") {
            int percent = 0;
            if (!value() || !ParseInt(v, 0, project::kMaxClipVolume, percent))
                return Fail(QString("--clip-volume needs a percentage from 0 to %1")
                                .arg(project::kMaxClipVolume));
            volume = percent;
        } else if (a == "--mute" || a == "--unmute") {
            mute = a == "--mute";
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a + " with a clip's --trim, --clip-volume or --mute");
        } else if (showPath.isEmpty()) {
            showPath = a;
        } else {
            return Fail("unexpected argument " + a);
        }
    }
    if (showPath.isEmpty() || slide == 0)
        return Fail(kClipUsage);
    project::ShowSession session;
    if (const auto done = OpenShowToEdit(session, showPath); !done)
        return Fail(done.error());
    const std::vector<project::Slide>& slides = session.Show().Slides();
    const auto index = static_cast<std::size_t>(slide - 1);
    if (index >= slides.size())
        return Fail(QString("no slide %1: the show has %2").arg(slide).arg(slides.size()));
    if (!slides[index].Clip())
        return Fail(QString("slide %1 is a photo, not a video clip").arg(slide));
    project::ClipSettings clip = *slides[index].Clip();
    if (!trim.isEmpty()) {
        const QStringList parts = trim.split(',');
        const auto in = parts.size() == 2 ? ParseClipTime(parts[0], clip.LengthMs) : std::nullopt;
        const auto out = parts.size() == 2 ? ParseClipTime(parts[1], clip.LengthMs) : std::nullopt;
        if (!in || !out)
            return Fail("--trim needs START,END in seconds (END may be \"end\")");
        clip.InMs = *in;
        clip.OutMs = *out;
    }
    if (volume)
        clip.Volume = *volume;
    if (mute)
        clip.Mute = *mute;
    auto changed = project::SetClip(slides, index, clip);
    if (!changed)
        return Fail(
            QString("slide %1: %2").arg(slide).arg(QString::fromStdString(changed.error())));
    if (const auto applied = session.History().Apply(
            {project::edit::SetSlide{index, std::move(*changed)}}, QStringLiteral("clip"));
        !applied)
        return Fail(QString::fromStdString(applied.error()));
    if (const auto done = SaveEditedShow(session, showPath); !done)
        return Fail(done.error());
    const project::ClipSettings& now = *session.Show().Slides()[index].Clip();
    std::fprintf(stderr, "reelpane-cli: slide %d plays %.3f to %.3f s of its clip%s\n", slide,
                 now.InMs / 1000.0, now.OutMs / 1000.0, now.Mute ? ", muted" : "");
    return 0;
}

} // namespace cli
