// Main window: the show's music settings, and the retiming of the photos to the music.
#include "app/MainWindow.h"
#include "app/WindowJobs.h"

#include "base/Language.h"
#include "media/MixPlan.h"
#include "media/ShowFitting.h"
#include "media/ShowMix.h"
#include "media/TrackPcmSource.h"
#include "media/ui/ProgressWindow.h"
#include "media/ui/ShowMusicDialog.h"

using base::TextKey;

#include <memory>

namespace ui {

using base::Tr;

void MainWindow::openShowMusic() {
    if (Busy())
        return;
    const bool hasMusic = media::PlannedMusicMs(media::MixPlanOf(Show, 0)) > 0;
    ShowMusicDialog dialog(Show.Options, hasMusic, this);
    if (dialog.exec() != QDialog::Accepted || Busy())
        return;
    auto change = History.BeginChange();
    if (!change) {
        ShowMessage(QString::fromLocal8Bit(change.error().c_str()));
        return;
    }
    // The options first: the cross-fade changes how long the music lasts.
    Show.SetOptions(dialog.Options());
    std::string problem;
    if (dialog.FitPhotos())
        if (const auto fitted = media::FitPhotosToMusic(Show); !fitted)
            problem = fitted.error();
    if (dialog.CutOnBeats() && problem.empty()) {
        // The beats are found on the worker in a copy of the show; the new times are put into
        // the show here, slide by slide, as part of the same step.
        struct Cuts {
            project::ShowModel Show;
            std::string Problem;
        };
        auto cuts = std::make_shared<Cuts>(Cuts{Show, {}});
        Jobs->RunAndWait([cuts](WindowProgress& progress) {
            progress.Open();
            const auto moved =
                media::ChangePhotosOnBeat(cuts->Show, media::OpenTrackPcmSource, &progress);
            progress.Close();
            if (!moved && !progress.Cancelled())
                cuts->Problem = moved.error();
        });
        problem = cuts->Problem;
        for (std::size_t i = 0; i < Show.Slides.size() && i < cuts->Show.Slides.size(); ++i)
            if (!(Show.Slides[i] == cuts->Show.Slides[i]))
                Show.SetSlide(i, cuts->Show.Slides[i]);
    }
    // Whatever was done before a failure or a Cancel stays, as one step that undo takes back.
    History.Commit(std::move(*change), QStringLiteral("show music"));
    Storyboard->LayoutPhotoStrip(Storyboard->SlidePage());
    Storyboard->SelectSlide(Storyboard->SelectedSlide());
    if (!problem.empty())
        ShowMessage(Tr(TextKey::MusicRetimeFailed, "Не удалось изменить время фото: %1")
                        .arg(QString::fromLocal8Bit(problem.c_str())));
}

} // namespace ui
