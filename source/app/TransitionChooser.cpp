#include "app/TransitionChooser.h"

#include "imaging/TransitionNames.h"
#include "imaging/ui/TransitionDialog.h"
#include "project/SelectionEdits.h"
#include "project/TransitionChoice.h"

#include <QWidget>

namespace ui {

bool ChooseTransition(project::ShowContent& show, int index, QWidget* parent,
                      const ThumbnailOf& thumbnail, const std::vector<std::size_t>& picked) {
    if (index < 0 || static_cast<std::size_t>(index) >= show.Slides.size())
        return false;
    const auto at = static_cast<std::size_t>(index);
    const auto& slide = show.Slides[at];
    TransitionDialog dialog(project::SlideTransitionCode(slide),
                            static_cast<double>(slide.TransitionMs) / 1000.0, parent);
    if (thumbnail) {
        const std::size_t next = (at + 1) % show.Slides.size();
        dialog.SetSamplePictures(thumbnail(at), slide.BackColor, thumbnail(next),
                                 show.Slides[next].BackColor);
    }
    dialog.OfferSelection(static_cast<int>(picked.size()));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (dialog.ForSelection())
        return project::ApplyTransitionToSlides(show, picked, dialog.Choice());
    return project::ApplyTransitionChoice(show, index, dialog.Choice());
}

} // namespace ui
