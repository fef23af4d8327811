#include "app/ShowMusicCommand.h"

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

#include <memory>

using base::TextKey;

namespace ui {

using base::Tr;

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
    // Whatever was done before a failure or a Cancel stays, as one step that undo takes back.
    history_.Commit(std::move(change), QStringLiteral("show music"));
    storyboard_.LayoutPhotoStrip(storyboard_.SlidePage());
    storyboard_.SelectSlide(storyboard_.SelectedSlide());
    if (!problem.empty())
        dialogs_.ShowMessage(Tr(TextKey::MusicRetimeFailed, "Не удалось изменить время фото: %1")
                                 .arg(QString::fromLocal8Bit(problem.c_str())));
}

} // namespace ui
