// The storyboard's selection: the current slide, and the slides picked with it by a click, a
// Shift or Ctrl click, or Ctrl+A.
#include "app/StoryboardView.h"

#include <algorithm>

namespace ui {

void StoryboardView::SelectSlide(int index) {
    if (index >= 0 && index < static_cast<int>(show_.Slides().size())) {
        selectedSlide_ = index;
        picked_.Clamp(show_.Slides().size());
        if (!picked_.Has(static_cast<std::size_t>(index)))
            picked_.Only(static_cast<std::size_t>(index));
        RedrawFrames();
    }
    ShowSelectedInPreview();
    Q_EMIT viewChanged();
}

void StoryboardView::PressSlide(int index, Qt::KeyboardModifiers modifiers) {
    const int count = static_cast<int>(show_.Slides().size());
    if (index < 0 || index >= count)
        return;
    const auto at = static_cast<std::size_t>(index);
    picked_.Clamp(show_.Slides().size());
    dropOthersOnRelease_ = false;
    if (modifiers & Qt::ShiftModifier) {
        picked_.Run(at, (modifiers & Qt::ControlModifier) != 0);
    } else if (modifiers & Qt::ControlModifier) {
        if (!picked_.Toggle(at)) {
            // Dropped: the current slide is the picked one nearest to it.
            SelectSlide(static_cast<int>(picked_.Nearest(at)));
            return;
        }
    } else if (picked_.Has(at) && picked_.Count() > 1) {
        dropOthersOnRelease_ = true;
    } else {
        picked_.Only(at);
    }
    SelectSlide(index);
}

void StoryboardView::ReleaseSlide(int index) {
    if (!dropOthersOnRelease_)
        return;
    dropOthersOnRelease_ = false;
    if (index >= 0 && index < static_cast<int>(show_.Slides().size())) {
        picked_.Only(static_cast<std::size_t>(index));
        SelectSlide(index);
    }
}

void StoryboardView::PickAllSlides() {
    if (show_.Slides().empty())
        return;
    picked_.All(show_.Slides().size());
    SelectSlide(std::clamp(selectedSlide_, 0, static_cast<int>(show_.Slides().size()) - 1));
}

void StoryboardView::PickSlides(const std::vector<std::size_t>& picked, int current) {
    picked_.Set(picked);
    picked_.Clamp(show_.Slides().size());
    if (current >= 0 && !picked_.Has(static_cast<std::size_t>(current)))
        picked_.Toggle(static_cast<std::size_t>(current));
    SelectSlide(current);
}

} // namespace ui
