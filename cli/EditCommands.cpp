#include "cli/EditCommands.h"
#include "cli/Failure.h"

#include "base/FileName.h"
#include "cli/ClipCommands.h"
#include "cli/CollageCommands.h"
#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "cli/MusicEditCommands.h"
#include "cli/ShowJobs.h"
#include "cli/TitleCommands.h"
#include "imaging/Colors.h"
#include "media/music/TrackImport.h"
#include "project/ClipSlides.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"
#include "project/SlideEdits.h"
#include "project/TransitionChoice.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace cli {

namespace {

// RRGGBB as the records keep it: 0x00BBGGRR.
bool ParseColor(const QString& text, std::int32_t& out) {
    const auto color = imaging::ParseRrggbb(text.toStdString());
    if (color)
        out = *color;
    return color.has_value();
}

bool ParseAlign(const QString& text, std::int32_t& h, std::int32_t& v) {
    const QStringList parts = text.split(',');
    if (parts.size() != 2)
        return false;
    const QStringList hs = {"left", "center", "right"};
    const QStringList vs = {"top", "center", "bottom"};
    const auto hi = hs.indexOf(parts[0]);
    const auto vi = vs.indexOf(parts[1]);
    if (hi < 0 || vi < 0)
        return false;
    h = static_cast<std::int32_t>(hi) + 1;
    v = static_cast<std::int32_t>(vi) + 1;
    return true;
}

// CX,CY,Z as a motion state; every part a number, the ranges checked by the edit itself. A zoom
// ending in "c" counts in the zoom that covers the frame ("1c" fills it whatever its shape).
bool ParseState(const QString& text, imaging::MotionState& out) {
    QStringList parts = text.split(',');
    if (parts.size() != 3)
        return false;
    const bool cover = parts[2].endsWith('c');
    if (cover)
        parts[2].chop(1);
    double v[3] = {};
    for (int k = 0; k < 3; ++k) {
        bool ok = false;
        v[k] = parts[k].toDouble(&ok);
        if (!ok || !std::isfinite(v[k]))
            return false;
    }
    out = {v[0], v[1], v[2], cover};
    return true;
}

// none | auto | CX,CY,Z:CX,CY,Z[:linear|ease]
bool ParseMotion(const QString& text, imaging::Motion& out) {
    imaging::Motion m;
    if (text == "none") {
        out = m;
        return true;
    }
    if (text == "auto") {
        m.Mode = imaging::MotionMode::Auto;
        out = m;
        return true;
    }
    const QStringList parts = text.split(':');
    if (parts.size() < 2 || parts.size() > 3 || !ParseState(parts[0], m.Start) ||
        !ParseState(parts[1], m.End))
        return false;
    m.Mode = imaging::MotionMode::Manual;
    if (parts.size() == 3) {
        if (parts[2] == "ease")
            m.Easing = imaging::MotionEasing::Ease;
        else if (parts[2] != "linear")
            return false;
    }
    out = m;
    return true;
}

// One step of the command line: an edit, or a transition choice.
struct Step {
    std::optional<project::SlideEdit> Edit;
    project::TransitionChoice Transition;
    // --caption-motion without --caption: the slide's own caption, set moving or still.
    std::optional<imaging::TextMotion> CaptionMotion;
};

// A moving caption is drawn by the renderer over the bare photo. On a photo drawn from its
// original it replaces the still caption step; on a picture that is its own original the still
// caption is drawn into it, and the console tool keeps no copy without it, so it stays put.
base::Status MovingOverDrawn(const project::Slide& slide, imaging::TextMotion motion) {
    if (motion == imaging::TextMotion::None || slide.Caption.Text.empty() ||
        slide.Caption.Motion != imaging::TextMotion::None || project::DrawnFromSteps(slide))
        return {};
    return base::Fail("its caption is drawn into the photo; a moving caption can be given to a "
                      "photo without one");
}

const char kEditUsage[] = "usage: edit SHOW.qvs --slide N|--all EDIT... (see --help)";

} // namespace

int RunEdit(const QStringList& args) {
    if (IsMusicEdit(args))
        return RunMusicEdit(args);
    if (IsTitleInsert(args))
        return RunTitleInsert(args);
    if (IsCollageInsert(args))
        return RunCollageInsert(args);
    if (IsClipEdit(args))
        return RunClipEdit(args);
    QString showPath;
    int slide = 0; // 1-based; 0 = not given
    bool all = false;
    std::vector<Step> steps;
    std::optional<std::size_t> captionStep;
    std::optional<std::size_t> lightStep;
    project::CaptionEdit caption;
    bool captionLook = false;
    std::optional<imaging::TextMotion> captionMotion;
    project::LightEdit light;

    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        QString v;
        const auto value = [&] { return NextValue(args, i, v); };
        const auto lightAt = [&]() {
            if (!lightStep) {
                lightStep = steps.size();
                steps.push_back({});
            }
        };
        if (a == "--slide") {
            if (!value() || !ParseInt(v, 1, 1000000, slide))
                return Fail("--slide needs a slide number from 1");
        } else if (a == "--all") {
            all = true;
        } else if (a == "--crop") {
            const QStringList parts = value() ? v.split(',') : QStringList();
            project::CropEdit crop;
            int* corners[] = {&crop.X0, &crop.Y0, &crop.X1, &crop.Y1};
            bool ok = parts.size() == 4;
            for (int k = 0; ok && k < 4; ++k)
                ok = ParseInt(parts[k], -1000000, 1000000, *corners[k]);
            if (!ok)
                return Fail("--crop needs X0,Y0,X1,Y1 (whole numbers)");
            steps.push_back({crop, {}, {}});
        } else if (a == "--caption") {
            if (!value())
                return Fail("--caption needs a text");
            if (captionStep)
                return Fail("--caption may be given once");
            // Any script: the show file keeps the code-page text for older readers and the exact
            // text beside it.
            if (v.toStdU32String().size() > std::size_t(imaging::kMaxCaptionCharacters))
                return Fail("the caption is longer than " +
                            QString::number(imaging::kMaxCaptionCharacters) + " characters");
            caption.Text = v.toStdString();
            captionStep = steps.size();
            steps.push_back({});
        } else if (a == "--font") {
            if (!value() || v.isEmpty())
                return Fail("--font needs a font name");
            caption.Font = v.toStdString();
            captionLook = true;
        } else if (a == "--size") {
            if (!value() || !ParseInt(v, 1, 1638, caption.Size))
                return Fail("--size needs points from 1 to 1638");
            captionLook = true;
        } else if (a == "--color") {
            if (!value() || !ParseColor(v, caption.Color))
                return Fail("--color needs RRGGBB (six hexadecimal digits)");
            captionLook = true;
        } else if (a == "--align") {
            if (!value() || !ParseAlign(v, caption.HAlign, caption.VAlign))
                return Fail("--align needs left|center|right,top|center|bottom");
            captionLook = true;
        } else if (a == "--caption-motion") {
            captionMotion = value() ? imaging::ParseTextMotion(v.toStdString()) : std::nullopt;
            if (!captionMotion)
                return Fail("--caption-motion needs none, fade, rise, typewriter or zoom");
        } else if (a == "--turn") {
            project::TurnEdit turn;
            if (!value())
                return Fail("--turn needs right, left or mirror");
            if (v == "right")
                turn.Turn = project::TurnKind::Right;
            else if (v == "left")
                turn.Turn = project::TurnKind::Left;
            else if (v == "mirror")
                turn.Turn = project::TurnKind::Mirror;
            else
                return Fail("--turn needs right, left or mirror");
            steps.push_back({turn, {}, {}});
        } else if (a == "--brightness") {
            if (!value() || !ParseInt(v, -100, 100, light.Brightness))
                return Fail("--brightness needs a whole number from -100 to 100");
            lightAt();
        } else if (a == "--contrast") {
            if (!value() || !ParseInt(v, -25, 25, light.Contrast))
                return Fail("--contrast needs a whole number from -25 to 25");
            lightAt();
        } else if (a == "--gamma") {
            bool ok = value();
            const double g = ok ? v.toDouble(&ok) : 0.0;
            const double tenths = std::round(g * 10.0);
            if (!ok || !std::isfinite(g) || tenths < 0 || tenths > 70 ||
                std::fabs(g * 10.0 - tenths) > 1e-6)
                return Fail("--gamma needs 0 to 7.0 in steps of 0.1");
            light.Gamma10 = tenths;
            lightAt();
        } else if (a == "--effect") {
            const QStringList names = {"none", "bw", "sepia", "negative"};
            const auto effect = value() ? names.indexOf(v) : -1;
            if (effect < 0)
                return Fail("--effect needs none, bw, sepia or negative");
            steps.push_back({project::ColorEdit{static_cast<std::int32_t>(effect)}, {}, {}});
        } else if (a == "--background") {
            project::BackgroundEdit background;
            if (!value() || !ParseColor(v, background.Color))
                return Fail("--background needs RRGGBB (six hexadecimal digits)");
            steps.push_back({background, {}, {}});
        } else if (a == "--seconds") {
            project::DurationEdit duration;
            if (!value() || !ParseTenths(v, 100, 3600 * 1000, duration.StillMs))
                return Fail("--seconds needs 0.1 to 3600 in steps of 0.1");
            steps.push_back({duration, {}, {}});
        } else if (a == "--transition") {
            Step step;
            if (!value() || !ParseTransitionArg(v, step.Transition.Kind, step.Transition.Ms))
                return Fail(QString("--transition needs ") + kTransitionArgHelp);
            steps.push_back(step);
        } else if (a == "--motion") {
            project::MotionEdit motion;
            if (!value() || !ParseMotion(v, motion.Motion))
                return Fail("--motion needs none, auto or CX,CY,Z:CX,CY,Z[:linear|ease]");
            // The ranges are the edit's own: refused here, before the show is touched.
            if (const auto valid = project::ValidateEdit(motion); !valid)
                return Fail(QString("--motion: ") + QString::fromLocal8Bit(valid.error().c_str()));
            steps.push_back({motion, {}, {}});
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a);
        } else if (showPath.isEmpty()) {
            showPath = a;
        } else {
            return Fail("unexpected argument " + a);
        }
    }
    if (showPath.isEmpty() || (slide == 0) == !all)
        return Fail(kEditUsage);
    if (captionLook && !captionStep)
        return Fail("--font, --size, --color and --align go with --caption");
    if (captionMotion && captionStep)
        caption.Motion = *captionMotion;
    else if (captionMotion)
        steps.push_back({std::nullopt, {}, captionMotion});
    if (steps.empty())
        return Fail("no edit given");
    if (captionStep)
        steps[*captionStep].Edit = caption;
    if (lightStep)
        steps[*lightStep].Edit = light;

    project::ShowSession session;
    if (const auto done = OpenShowToEdit(session, showPath); !done)
        return Fail(done.error());
    const std::string path = base::EncodeFileName(showPath);
    // The edits are worked out on a draft and go into the show as one step of its history.
    auto change = session.History().BeginChange();
    if (!change)
        return Fail(QString::fromLocal8Bit(change.error().c_str()));
    project::ShowContent& show = change->Draft;
    const project::PhotoSettings& photos = session.Show().Photos();
    if (slide > static_cast<int>(show.Slides.size()))
        return Fail(QString("no slide %1: the show has %2").arg(slide).arg(show.Slides.size()));

    std::vector<std::size_t> targets;
    if (all)
        for (std::size_t k = 0; k < show.Slides.size(); ++k)
            targets.push_back(k);
    else
        targets.push_back(static_cast<std::size_t>(slide - 1));

    for (const Step& step : steps) {
        for (const std::size_t index : targets) {
            const project::Slide& target = show.Slides[index];
            std::optional<project::SlideEdit> edit = step.Edit;
            if (step.CaptionMotion) {
                project::CaptionEdit moved = target.Caption;
                moved.Motion = *step.CaptionMotion;
                edit = moved;
            }
            if (const auto* c = edit ? std::get_if<project::CaptionEdit>(&*edit) : nullptr)
                if (const auto moving = MovingOverDrawn(target, c->Motion); !moving)
                    return Fail(QString("slide %1: %2")
                                    .arg(index + 1)
                                    .arg(QString::fromStdString(moving.error())));
            // A clip's time is its trim's: --seconds for it alone is a mistake said so; for every
            // slide it retimes the photos and titles.
            if (edit && std::holds_alternative<project::DurationEdit>(*edit) && target.Clip() &&
                !all)
                return Fail(QString("slide %1 is a video clip: it plays as long as its trim "
                                    "(--trim START,END)")
                                .arg(index + 1));
            if (edit) {
                if (const auto done = project::ApplySlideEdit(show, index, *edit, photos); !done)
                    return Fail(QString("slide %1: %2")
                                    .arg(index + 1)
                                    .arg(QString::fromLocal8Bit(done.error().c_str())));
            } else if (!project::ApplyTransitionChoice(show, static_cast<std::int32_t>(index),
                                                       step.Transition)) {
                return Fail(QString("slide %1: the transition cannot be stored").arg(index + 1));
            }
        }
    }

    // A transition beside a clip changes the still that keeps it at its trim.
    project::FollowTrims(show);
    if (const std::string warning = project::LongTransitionWarning(show); !warning.empty())
        std::fprintf(stderr, "reelpane-cli: warning: %s\n", warning.c_str());
    const std::size_t slideCount = show.Slides.size();
    if (auto done = session.History().Commit(std::move(*change), QStringLiteral("edit")); !done)
        return Fail(QString::fromLocal8Bit(done.error().c_str()));
    if (const auto done = SaveEditedShow(session, showPath); !done)
        return Fail(done.error());
    std::fprintf(stderr, "reelpane-cli: edited %s (%zu of %zu photos)\n", path.c_str(),
                 targets.size(), slideCount);
    return 0;
}

} // namespace cli
