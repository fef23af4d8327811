#include "app/TransitionChooser.h"

#include "imaging/ui/TransitionDialog.h"
#include "project/TransitionChoice.h"
#include "project/TransitionNames.h"

#include <QWidget>

namespace ui {

bool ChooseTransition(project::ShowModel& show, int index, QWidget* parent) {
    if (index < 0 || static_cast<std::size_t>(index) >= show.Slides.size())
        return false;
    try {
        const auto& slide = show.Slides[static_cast<std::size_t>(index)];
        TransitionDialog dialog(slide.TransitionKind, slide.TransitionSeconds, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        return project::ApplyTransitionChoice(show, index, dialog.Choice());
    } catch (...) {
        return false; // the show keeps its transitions
    }
}

} // namespace ui
