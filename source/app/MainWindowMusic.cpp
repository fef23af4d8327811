// Main window: the show's music settings, and the retiming of the photos to the music.
#include "app/MainWindow.h"

#include "base/Language.h"
#include "media/MixPlan.h"
#include "media/ShowFitting.h"
#include "media/ShowMix.h"
#include "media/TrackPcmSource.h"
#include "media/ui/ProgressWindow.h"
#include "media/ui/ShowMusicDialog.h"

using base::TextKey;

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
        WindowProgress progress(*ProgressView);
        JobScope job(*this, progress);
        progress.Open();
        const auto moved = media::ChangePhotosOnBeat(Show, media::OpenTrackPcmSource, &progress);
        progress.Close();
        if (!moved && !progress.Cancelled())
            problem = moved.error();
    }
    // Whatever was done before a failure or a Cancel stays, as one step that undo takes back.
    History.Commit(std::move(*change), QStringLiteral("show music"));
    Storyboard->LayoutPhotoStrip(Show.SlidePage);
    Storyboard->SelectSlide(Show.SelectedSlide);
    if (!problem.empty())
        ShowMessage(Tr(TextKey::MusicRetimeFailed, "Не удалось изменить время фото: %1")
                        .arg(QString::fromLocal8Bit(problem.c_str())));
}

} // namespace ui
