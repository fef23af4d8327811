// Main window: the storyboard strips and the selection.
// The cells themselves (thumbnails, transition cells, track cells, the ruler) are built by the
// import issue; until then the strips show nothing and selection only updates the model.
#include "project/ui/TForm1.h"
#include "ui_TForm1.h"

namespace ui {

void TForm1::SwapSlides(int sourceTag, int targetTag) {
    if (!Show.SwapSlides(sourceTag, targetTag))
        return;
    LayoutPhotoStrip(Show.SlidePage);
    SelectSlide(sourceTag - 1);
}

void TForm1::LayoutPhotoStrip(int page) {
    (void)page; // Import issue: cells, labels and the ruler are laid out here.
    LayoutMusicStrip();
}

void TForm1::LayoutMusicStrip() {
    // Import issue: track cells are placed by time here.
}

void TForm1::SelectSlide(int index) {
    if (index >= 0 && index < static_cast<int>(Show.Slides.size())) {
        for (auto& s : Show.Slides)
            s.Selected = 0;
        Show.SelectedSlide = index;
        Show.Slides[static_cast<std::size_t>(index)].Selected = 1;
    }
    ShowSelectedInPreview();
}

void TForm1::SelectSound(int index) {
    if (index < 0 || index >= static_cast<int>(Show.Sounds.size()))
        return;
    for (auto& t : Show.Sounds)
        t.Selected = 0;
    Show.SelectedSound = index;
    Show.Sounds[static_cast<std::size_t>(index)].Selected = 1;
}

void TForm1::ShowSelectedInPreview() {
    // Composition issue: ShowSlideInPreview draws the selected slide into Image1 here.
    Form->Image1->clear();
}

} // namespace ui

namespace ui {

bool TForm1::AddPhoto(const QString& path) {
    (void)path; // Import issue: decode, fit, working copy, thumbnail and cells.
    return false;
}

bool TForm1::AddTrack(const QString& path) {
    (void)path; // Import issue: working copy, title, length and cells.
    return false;
}

} // namespace ui
