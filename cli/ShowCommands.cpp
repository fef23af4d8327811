#include "cli/ShowCommands.h"
#include "cli/Failure.h"
#include "media/video/ClipImport.h"
#include "media/video/ClipProbe.h"

#include "base/FileName.h"
#include "base/JobRunner.h"
#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "cli/ShowJobs.h"
#include "imaging/AutoMotion.h"
#include "imaging/BmpFile.h"
#include "imaging/Colors.h"
#include "imaging/TransitionKinds.h"
#include "media/export/OutputChoice.h"
#include "media/music/ShowMix.h"
#include "media/music/TrackImport.h"
#include "project/ClipSlides.h"
#include "project/CollageSlides.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/Resolution.h"
#include "project/ShowSession.h"
#include "project/SlideKind.h"
#include "project/TransitionChoice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <sys/stat.h>
#include <variant>

namespace cli {

namespace {

// Messages carry file names as their bytes (see base::DecodeFileName).
bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The video the show was last saved as: the MP4's choices with the frame size they make, and the
// AVI's compressor ("" = the proposed one) and size.
QJsonObject OutputJson(const project::OutputSettings& stored) {
    const project::OutputSettings s = project::ClampedOutputSettings(stored);
    media::VideoExportOptions mp4;
    media::ApplyMp4Settings(s, mp4);
    const media::FrameSize size = media::ShapedFrameSize(mp4.Resolution, mp4.Shape);
    const auto text = [](std::string_view v) {
        return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
    };
    QJsonObject m;
    m["Size"] = text(media::SizeChoiceText(mp4.Resolution));
    m["Shape"] = text(media::ShapeText(mp4.Shape));
    m["Width"] = size.Width;
    m["Height"] = size.Height;
    m["Fps"] = mp4.Fps;
    m["Codec"] = mp4.Coding == media::Mp4Coding::H265 ? "h265" : "h264";
    m["Quality"] = mp4.Quality == media::kQualityBest ? "best" : "good";
    m["Speed"] = text(s.Speed.empty() ? project::kDefaultEncoderSpeed : s.Speed);
    m["Crf"] = media::ExportCrf(mp4);
    m["Preset"] = text(s.Preset);
    QJsonObject a;
    a["Codec"] = text(s.AviCodec);
    a["Size"] = text(media::SizeChoiceText(s.AviResolution == 1 ? media::kResolutionStandard
                                                                : media::kResolutionHigh));
    QJsonObject o;
    o["Last"] = s.Container == project::OutputContainer::Mp4 ? "mp4" : "avi";
    o["Mp4"] = m;
    o["Avi"] = a;
    return o;
}

// The frame the show's last video choices make.
media::FrameSize OutputFrameSize(const project::OutputSettings& stored) {
    media::VideoExportOptions mp4;
    media::ApplyMp4Settings(project::ClampedOutputSettings(stored), mp4);
    return media::ShapedFrameSize(mp4.Resolution, mp4.Shape);
}

// A resolved path as --motion takes it: "CX,CY,Zc:CX,CY,Zc[:ease]", zooms in the cover's terms.
QString MotionPathText(const imaging::Motion& path, double cover) {
    const auto state = [&](const imaging::MotionState& s) {
        const double z = s.Cover ? s.Z : s.Z / cover;
        return QString("%1,%2,%3c")
            .arg(s.Cx, 0, 'g', 4)
            .arg(s.Cy, 0, 'g', 4)
            .arg(std::round(z * 1000) / 1000, 0, 'g', 4);
    };
    QString text = state(path.Start) + ":" + state(path.End);
    if (path.Easing == imaging::MotionEasing::Ease)
        text += ":ease";
    return text;
}

QJsonObject MotionJson(const imaging::Motion& m) {
    const auto state = [](const imaging::MotionState& s) { return QJsonArray{s.Cx, s.Cy, s.Z}; };
    QJsonObject o;
    o["Mode"] = m.Mode == imaging::MotionMode::Auto ? "auto" : "manual";
    o["Easing"] = m.Easing == imaging::MotionEasing::Ease ? "ease" : "linear";
    o["Start"] = state(m.Start);
    o["End"] = state(m.End);
    return o;
}

// A photo's edits, in their order, as the edit options name them.
QJsonArray StepsJson(const std::vector<project::PhotoStep>& photoSteps) {
    static const char* const kTurns[] = {"right", "left", "mirror"};
    static const char* const kEffects[] = {"none", "bw", "sepia", "negative"};
    QJsonArray steps;
    for (const project::PhotoStep& step : photoSteps) {
        QJsonObject e;
        if (const auto* crop = std::get_if<project::CropStep>(&step)) {
            e["Crop"] = QJsonArray{crop->Left, crop->Top, crop->Right, crop->Bottom};
        } else if (const auto* turn = std::get_if<project::TurnEdit>(&step)) {
            e["Turn"] = kTurns[static_cast<int>(turn->Turn)];
        } else if (const auto* light = std::get_if<project::LightEdit>(&step)) {
            e["Light"] = QJsonArray{light->Brightness, light->Contrast, light->Gamma10 / 10.0};
        } else if (const auto* color = std::get_if<project::ColorEdit>(&step)) {
            e["Effect"] = kEffects[std::clamp(color->Effect, 0, 3)];
        } else if (const auto* caption = std::get_if<project::CaptionStep>(&step)) {
            e["Caption"] = QString::fromStdString(caption->Caption.Text);
        }
        steps.append(e);
    }
    return steps;
}

// The faces automatic motion frames on: [x, y, w, h] each, in fractions of the picture.
QJsonArray FacesJson(const std::vector<imaging::FaceBox>& found) {
    QJsonArray faces;
    for (const imaging::FaceBox& f : found)
        faces.append(QJsonArray{f.X, f.Y, f.W, f.H});
    return faces;
}

// A photo's original as `info` lists it: its name, what the frames are drawn from, and the edits
// drawn on it.
QJsonObject OriginalJson(const project::OriginalPhoto& original) {
    QJsonObject o;
    o["Name"] = QString::fromStdString(original.Name);
    o["DrawnFrom"] = original.Edited ? "working picture" : "original";
    o["Steps"] = StepsJson(original.Steps);
    return o;
}

// A collage as `info` lists it: its layout (as --layout takes it), its gap, and its photos in
// their order, each with its edits and faces.
QJsonObject CollageJson(const project::CollageSettings& collage) {
    QJsonObject o;
    o["Layout"] = project::CollageLayoutName(collage.Layout);
    o["Gap"] = collage.Gap;
    QJsonArray photos;
    for (const project::CollagePhoto& p : collage.Photos) {
        QJsonObject photo;
        photo["Name"] = QString::fromStdString(p.Name);
        photo["Steps"] = StepsJson(p.Steps);
        photo["Faces"] = FacesJson(p.Faces);
        photos.append(photo);
    }
    o["Photos"] = photos;
    return o;
}

// A clip as `info` lists it: what it is (probed from its working copy), its trim and its sound.
QJsonObject ClipJson(const project::ClipSettings& clip) {
    QJsonObject o;
    o["Name"] = QString::fromStdString(clip.Name);
    if (const auto info = media::ProbeClipFile(clip.File)) {
        o["Codec"] = QString::fromStdString(info->Codec);
        o["Width"] = info->Width;
        o["Height"] = info->Height;
        o["FrameRate"] = std::round(info->FrameRate * 1000.0) / 1000.0;
        o["Rotation"] = info->Rotation;
        o["Sound"] = info->HasSound;
        if (info->Hdr)
            o["Hdr"] = true;
        if (info->Interlaced)
            o["Interlaced"] = true;
    } else {
        o["Problem"] = QString::fromStdString(info.error());
    }
    o["LengthMs"] = static_cast<qint64>(clip.LengthMs);
    o["Trim"] = QJsonArray{static_cast<qint64>(clip.InMs), static_cast<qint64>(clip.OutMs)};
    o["Volume"] = clip.Volume;
    o["Mute"] = clip.Mute;
    return o;
}

} // namespace

int RunNew(const QStringList& args) {
    QString out;
    QString resolution;
    std::int64_t stillMs = -1;
    int transitionKind = -1;
    std::int64_t transitionMs = -1;
    QStringList music;
    QStringList inputs;
    std::optional<std::int32_t> background;
    for (int i = 2; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&](QString& target) { return NextValue(args, i, target); };
        QString v;
        if (a == "--resolution") {
            if (!value(resolution))
                return Fail("--resolution needs WxH");
            int w = 0, h = 0;
            if (!project::ParseResolution(resolution.toStdString(), w, h))
                return Fail("bad --resolution '" + resolution + "' (expected WxH, e.g. 1280x1024)");
        } else if (a == "--seconds") {
            if (!value(v) || !ParseTenths(v, 0, project::kMaxSlideMs, stillMs))
                return Fail("--seconds needs seconds from 0 to 86400 in steps of 0.1");
        } else if (a == "--transition") {
            if (!value(v))
                return Fail(QString("--transition needs ") + kTransitionArgHelp);
            if (!ParseTransitionArg(v, transitionKind, transitionMs))
                return Fail("bad --transition '" + v + "': " + kTransitionArgHelp);
        } else if (a == "--background") {
            background = value(v) ? imaging::ParseRrggbb(v.toStdString()) : std::nullopt;
            if (!background)
                return Fail("--background needs a colour as RRGGBB, e.g. 000000 for black");
        } else if (a == "--music") {
            if (!value(v))
                return Fail("--music needs a file");
            music << v;
        } else if (a.startsWith("--")) {
            return Fail("unknown option " + a);
        } else if (out.isEmpty()) {
            out = a;
        } else {
            inputs << a;
        }
    }
    if (out.isEmpty() || inputs.isEmpty())
        return Fail("usage: new OUT.qvs [options] PHOTO_OR_FOLDER...");

    project::ShowSession session;
    if (const auto opened = session.Open(); !opened)
        return Fail(opened.error());
    // The show is built as plain values and then becomes the session's show.
    project::PhotoSettings photos = session.Show().Photos();
    // A new show fits today's screens, as the window's does, unless told otherwise.
    photos.Resolution =
        resolution.isEmpty() ? project::kNewShowResolution : resolution.toStdString();
    photos.BackColor = background.value_or(project::kNewShowBackground);
    const project::WorkFiles& files = session.Files();
    project::ShowContent show;
    show.WorkPrefix = files.Prefix();
    // A photo or track that cannot be read is skipped with a word; one whose working copy cannot
    // be written (a full disk) ends the command: the show would silently lack it.
    auto addPhoto = [&](const std::string& path) {
        const auto added = media::AddPhotoOrClip(
            show, files, photos, path, {}, project::FaceSearch::Find, project::OriginalCopy::Keep);
        if (added && !added->Added)
            std::fprintf(stderr, "reelpane-cli: skipped %s (%s)\n", path.c_str(),
                         added->Skipped.c_str());
        return added ? 0 : Fail("cannot import " + path + ": " + added.error());
    };
    // The imports run as one job on the runner's worker, as the window's do; this thread waits.
    const auto importAll = [&]() -> int {
        for (const QString& input : inputs) {
            const std::string path = base::EncodeFileName(input);
            if (IsFolder(path)) {
                for (const std::string& photo : project::PhotosInFolder(path))
                    if (const int status = addPhoto(photo); status != 0)
                        return status;
            } else if (struct stat st{}; ::stat(path.c_str(), &st) != 0) {
                return Fail("no such file or folder: " + path);
            } else if (const int status = addPhoto(path); status != 0) {
                return status;
            }
        }
        for (const QString& track : music) {
            const std::string path = base::EncodeFileName(track);
            if (!IsFile(path))
                return Fail("no such file: " + path);
            const auto added = media::AddTrack(show, files, path);
            if (!added)
                return Fail("cannot import " + path + ": " + added.error());
            if (!added)
                std::fprintf(stderr, "reelpane-cli: skipped %s (not a track it can read)\n",
                             path.c_str());
        }
        return 0;
    };
    int imported = 0;
    base::NoProgress importing;
    base::JobRunner().Run(importing, [&] { imported = importAll(); });
    if (imported != 0)
        return imported;
    if (show.Slides.empty())
        return Fail("no photo could be imported; nothing written");
    show.Options = media::NewShowOptions();
    for (auto& s : show.Slides) {
        if (stillMs >= 0)
            s.StillMs = stillMs;
        if (transitionKind >= 0 && !imaging::IsSmoothTransition(transitionKind))
            s.TransitionKind = transitionKind;
        if (transitionMs >= 0)
            s.TransitionMs = transitionMs;
    }
    // A newer kind is stored by the chooser's rule: its code in the extension, a classic kind in
    // the record, and a length (3 s unless given).
    if (imaging::IsSmoothTransition(transitionKind))
        project::ApplyTransitionChoice(show, 0, {transitionKind, transitionMs, true});
    // --seconds is for photos: a clip plays its trim, with the transitions it now has.
    project::FollowTrims(show);
    if (const std::string warning = project::LongTransitionWarning(show); !warning.empty())
        std::fprintf(stderr, "reelpane-cli: warning: %s\n", warning.c_str());
    const std::size_t slideCount = show.Slides.size();
    const std::size_t trackCount = show.Sounds.size();
    session.Replace(std::move(show), photos);
    ConsoleProgress progress("saving");
    const std::string outPath = base::EncodeFileName(out);
    const project::SaveResult result = SaveShowJob(session.Show(), outPath, progress);
    if (!result || *result != project::SaveOutcome::Saved)
        return Fail("cannot save " + outPath + ": " +
                    (result ? std::string("nothing was saved") : result.error()));
    std::fprintf(stderr, "reelpane-cli: wrote %s (%zu photos, %zu tracks)\n", outPath.c_str(),
                 slideCount, trackCount);
    return 0;
}

int RunInfo(const QStringList& args) {
    if (args.size() != 3)
        return Fail("usage: info SHOW.qvs");
    project::ShowSession session;
    if (const auto opened = session.Open(); !opened)
        return Fail(opened.error());
    ConsoleProgress progress("loading");
    const std::string path = base::EncodeFileName(args[2]);
    const project::LoadResult result = LoadShowJob(session, path, progress);
    const project::ShowContent& show = session.Show().Content();
    if (!result)
        return Fail("cannot load " + path + ": " + result.error());
    if (!result->Warning.empty())
        std::fprintf(stderr, "reelpane-cli: %s\n", result->Warning.c_str());

    QJsonObject root;
    root["WorkPrefix"] = static_cast<qint64>(show.WorkPrefix);
    QJsonArray slides;
    for (const auto& s : show.Slides) {
        QJsonObject o;
        o["ShowSeconds"] = project::RecordSeconds(s.StillMs);
        o["TransitionKind"] = s.TransitionKind;
        o["TransitionSeconds"] = project::RecordSeconds(s.TransitionMs);
        o["BackColor"] = static_cast<qint64>(static_cast<std::uint32_t>(s.BackColor));
        o["WorkFile"] = QString::fromUtf8(s.WorkFile.c_str());
        // The caption drawn into the picture, exactly as typed.
        if (!s.Caption.Text.empty()) {
            o["Caption"] = QString::fromStdString(s.Caption.Text);
            o["CaptionFont"] = QString::fromStdString(s.Caption.Font);
            if (s.Caption.Motion != imaging::TextMotion::None)
                o["CaptionMotion"] = imaging::TextMotionName(s.Caption.Motion);
        }
        // A title slide: its texts, backdrop (as --backdrop takes it) and text motion.
        if (s.Title()) {
            QJsonObject t;
            t["Text"] = QString::fromStdString(s.Title()->Title);
            if (!s.Title()->Subtitle.empty())
                t["Subtitle"] = QString::fromStdString(s.Title()->Subtitle);
            t["Backdrop"] = QString::fromStdString(imaging::BackdropText(*s.Title()));
            t["Motion"] = imaging::TextMotionName(s.Title()->Motion);
            o["Title"] = t;
        }
        if (s.Clip())
            o["Clip"] = ClipJson(*s.Clip());
        if (s.Original())
            o["Original"] = OriginalJson(*s.Original());
        if (s.Collage())
            o["Collage"] = CollageJson(*s.Collage());
        o["Kind"] = project::TraitsOf(s).Name;
        const auto picture = imaging::LoadBmpFile(s.WorkFile);
        o["Width"] = picture ? picture->Width : 0;
        o["Height"] = picture ? picture->Height : 0;
        // What the records cannot hold: exact times, a newer transition kind, motion.
        o["StillMs"] = static_cast<qint64>(s.StillMs);
        o["TransitionMs"] = static_cast<qint64>(s.TransitionMs);
        if (s.Ext.TransitionKind != 0)
            o["TransitionKindExtended"] = s.Ext.TransitionKind;
        // The kind that plays as --transition takes it: a newer kind's name, or the classic kind's
        // number.
        const int code = project::SlideTransitionCode(s);
        const std::string_view name = imaging::TransitionCodeName(code);
        o["TransitionName"] = name.empty() ? QString::number(code)
                                           : QString::fromUtf8(name.data(), qsizetype(name.size()));
        if (!s.Ext.Motion.IsStill() && picture) {
            QJsonObject motion = MotionJson(s.Ext.Motion);
            // The path the slide takes in the last video's frame (automatic motion's choice
            // too), as --motion takes it, zooms counted in the cover's.
            const media::FrameSize frame = OutputFrameSize(show.Options.Output);
            const imaging::Motion path = imaging::ResolveMotion(
                s.Ext.Motion, static_cast<int>(&s - show.Slides.data()), frame.Width, frame.Height,
                picture->Width, picture->Height, project::FacesOf(s));
            const double cover =
                imaging::CoverZoom(frame.Width, frame.Height, picture->Width, picture->Height);
            motion["Path"] = MotionPathText(path, cover);
            motion["PathFrame"] = QString("%1x%2").arg(frame.Width).arg(frame.Height);
            o["Motion"] = motion;
        } else if (!s.Ext.Motion.IsStill()) {
            o["Motion"] = MotionJson(s.Ext.Motion);
        }
        // The faces automatic motion frames on, when they were looked for: [x, y, w, h] each, in
        // fractions of the picture.
        if (const auto* found = s.Faces(); found && *found)
            o["Faces"] = FacesJson(**found);
        slides.append(o);
    }
    root["Slides"] = slides;
    QJsonArray sounds;
    for (const auto& t : show.Sounds) {
        QJsonObject o;
        o["PlaySeconds"] = t.PlaySeconds;
        o["LengthSeconds"] = t.LengthSeconds;
        o["Volume"] = t.Volume;
        o["Title"] = QString::fromStdString(t.Title);
        o["WorkFile"] = QString::fromUtf8(t.WorkFile.c_str());
        o["FadeInSeconds"] = t.Ext.FadeInSeconds;
        o["FadeOutSeconds"] = t.Ext.FadeOutSeconds;
        if (t.Ext.HasLoudness) {
            o["LoudnessLufs"] = t.Ext.LoudnessLufs;
            o["TruePeakDb"] = t.Ext.TruePeakDb;
        }
        sounds.append(o);
    }
    root["Sounds"] = sounds;
    QJsonObject options;
    options["TrackCrossfadeSeconds"] = show.Options.TrackCrossfadeSeconds;
    options["EndFadeSeconds"] = show.Options.EndFadeSeconds;
    options["EvenLoudness"] = show.Options.EvenLoudness;
    options["Output"] = OutputJson(show.Options.Output);
    root["Options"] = options;
    std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
    return 0;
}

} // namespace cli
