#include "app/ShowMusicCommand.h"

#include "app/StoryboardView.h"
#include "app/WindowDialogs.h"
#include "app/WindowJobs.h"
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
    if (host_.Busy())
        return;
    const bool hasMusic = media::PlannedMusicMs(media::MixPlanOf(host_.Show, 0)) > 0;
    ShowMusicDialog dialog(host_.Show.Options, hasMusic, host_.Parent);
    if (dialog.exec() != QDialog::Accepted || host_.Busy())
        return;
    auto change = host_.History.BeginChange();
    if (!change) {
        host_.Dialogs.ShowMessage(QString::fromLocal8Bit(change.error().c_str()));
        return;
    }
    // The options first: the cross-fade changes how long the music lasts.
    host_.Show.SetOptions(dialog.Options());
    std::string problem;
    if (dialog.FitPhotos())
        if (const auto fitted = media::FitPhotosToMusic(host_.Show); !fitted)
            problem = fitted.error();
    if (!dialog.CutOnBeats() || !problem.empty()) {
        Finish(std::move(*change), problem);
        return;
    }
    // The beats are found on the worker in a copy of the show; the new times are put into the
    // show when the job has ended, slide by slide, as part of the same step.
    struct Cuts {
        project::ShowModel Show;
        std::string Problem;
        project::ShowHistory::Change Change;
    };
    auto cuts = std::make_shared<Cuts>(Cuts{host_.Show, {}, std::move(*change)});
    const bool started = host_.Jobs.Start(
        [cuts](WindowProgress& progress) {
            progress.Open();
            const auto moved =
                media::ChangePhotosOnBeat(cuts->Show, media::OpenTrackPcmSource, &progress);
            progress.Close();
            if (!moved && !progress.Cancelled())
                cuts->Problem = moved.error();
        },
        [this, cuts] {
            for (std::size_t i = 0; i < host_.Show.Slides.size() && i < cuts->Show.Slides.size();
                 ++i)
                if (!(host_.Show.Slides[i] == cuts->Show.Slides[i]))
                    host_.Show.SetSlide(i, cuts->Show.Slides[i]);
            Finish(std::move(cuts->Change), cuts->Problem);
        });
    if (!started)
        Finish(std::move(cuts->Change), cuts->Problem);
}

void ShowMusicCommand::Finish(project::ShowHistory::Change change, const std::string& problem) {
    // Whatever was done before a failure or a Cancel stays, as one step that undo takes back.
    host_.History.Commit(std::move(change), QStringLiteral("show music"));
    host_.Storyboard.LayoutPhotoStrip(host_.Storyboard.SlidePage());
    host_.Storyboard.SelectSlide(host_.Storyboard.SelectedSlide());
    if (!problem.empty())
        host_.Dialogs.ShowMessage(
            Tr(TextKey::MusicRetimeFailed, "Не удалось изменить время фото: %1")
                .arg(QString::fromLocal8Bit(problem.c_str())));
}

} // namespace ui
