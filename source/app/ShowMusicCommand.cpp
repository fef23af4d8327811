#include "app/ShowMusicCommand.h"

#include "project/SlideKind.h"

#include "app/StoryboardView.h"
#include "app/WindowDialogs.h"
#include "app/WindowJobs.h"
#include "base/Language.h"
#include "base/ui/LanguageTexts.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/MixPlan.h"
#include "media/music/ShowFitting.h"
#include "media/music/ShowMix.h"
#include "media/ui/ShowMusicDialog.h"

#include "project/Duration.h"
#include "render/ShowTimeline.h"

#include <memory>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {

// What fitting and cuts on the beat did: how many photos and titles have new times, how long
// the show now lasts (ending with the music, when it does), whether transitions changed length
// too, and how many clips were left at their trims.
QString RetimeReport(const project::ShowContent& before, const project::ShowContent& after) {
    int retimed = 0, transitions = 0, clips = 0;
    for (std::size_t i = 0; i < before.Slides.size() && i < after.Slides.size(); ++i) {
        // A clip is never retimed: a still set again to its trim's is not a change it was told.
        if (project::TraitsOf(after.Slides[i]).OwnLength) {
            ++clips;
            continue;
        }
        const bool transition = before.Slides[i].TransitionMs != after.Slides[i].TransitionMs;
        transitions += transition ? 1 : 0;
        retimed += transition || before.Slides[i].StillMs != after.Slides[i].StillMs ? 1 : 0;
    }
    const QString kept =
        clips > 0 ? QStringLiteral(" ") + Tr(TextKey::MusicClipsKeptReport,
                                             "Клипы оставлены как есть, от начала до конца: %1.")
                                              .arg(clips)
                  : QString();
    if (retimed == 0)
        return Tr(TextKey::MusicNothingRetimed, "Время фото менять не пришлось.") + kept;
    const std::int64_t showMs = render::ShowTimeline::Of(after).LengthMs();
    const QString length = QString::fromStdString(project::FormatDurationMs(showMs));
    QString report =
        media::EndsWithTheMusic(after)
            ? Tr(TextKey::MusicFitReport, "Время фото изменено: %1; теперь показ заканчивается "
                                          "вместе с музыкой в %2.")
                  .arg(retimed)
                  .arg(length)
            : Tr(TextKey::MusicRetimeReport, "Время фото изменено: %1; теперь показ длится %2.")
                  .arg(retimed)
                  .arg(length);
    if (transitions > 0)
        report += QStringLiteral(" ") + Tr(TextKey::MusicTransitionsReport,
                                           "Вместе с ними изменилась длина переходов: %1.")
                                            .arg(transitions);
    return report + kept;
}

} // namespace

void ShowMusicCommand::Open() {
    if (host_.IsBusy())
        return;
    const bool hasMusic = media::PlannedMusicMs(media::MixPlanOf(show_, 0)) > 0;
    ShowMusicDialog dialog(show_.Options(), hasMusic, host_.DialogParent);
    if (dialog.exec() != QDialog::Accepted || host_.IsBusy())
        return;
    auto change = history_.BeginChange();
    if (!change) {
        dialogs_.ShowMessage(QString::fromLocal8Bit(change.error().c_str()));
        return;
    }
    retimes_ = dialog.FitPhotos() || dialog.CutOnBeats();
    // The options first: the cross-fade changes how long the music lasts.
    change->Draft.Options = dialog.Options();
    std::string problem;
    if (dialog.FitPhotos())
        if (const auto fitted = media::FitPhotosToMusic(change->Draft); !fitted)
            problem = fitted.error();
    if (!dialog.CutOnBeats() || !problem.empty()) {
        Finish(std::move(*change), problem);
        return;
    }
    // The beats are found on the worker in the change's draft; the new times become part of
    // the same step when the job has ended.
    struct Cuts {
        std::string Problem;
        project::ShowHistory::Change Change;
    };
    auto cuts = std::make_shared<Cuts>(Cuts{{}, std::move(*change)});
    const bool started = jobs_.Start(
        [cuts](WindowProgress& progress) {
            progress.Open();
            const auto moved =
                media::ChangePhotosOnBeat(cuts->Change.Draft, media::OpenTrackPcmSource, &progress);
            progress.Close();
            if (!moved && !progress.Cancelled())
                cuts->Problem = moved.error();
        },
        [this, cuts] { Finish(std::move(cuts->Change), cuts->Problem); });
    if (!started)
        Finish(std::move(cuts->Change), cuts->Problem);
}

void ShowMusicCommand::Finish(project::ShowHistory::Change change, const std::string& problem) {
    // What fitting and the beats changed, told in the status line.
    const QString report = retimes_ ? RetimeReport(show_.Content(), change.Draft) : QString();
    // Whatever was done before a failure or a Cancel stays, as one step that undo takes back.
    if (auto done = history_.Commit(std::move(change), QStringLiteral("show music")); !done)
        dialogs_.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
    if (!report.isEmpty())
        host_.Tell(report);
    storyboard_.LayoutPhotoStrip(storyboard_.SlidePage());
    storyboard_.SelectSlide(storyboard_.SelectedSlide());
    if (!problem.empty())
        dialogs_.ShowMessage(Tr(TextKey::MusicRetimeFailed, "Не удалось изменить время фото: %1")
                                 .arg(QString::fromLocal8Bit(problem.c_str())));
}

} // namespace ui
