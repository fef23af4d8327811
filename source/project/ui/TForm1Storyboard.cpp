// Main window: the storyboard strips and the selection.
// The cells themselves (thumbnails, transition cells, track cells, the ruler) are built by the
// import issue; until then the strips show nothing and selection only updates the model.
#include "imaging/Compose.h"
#include "project/ui/TForm1.h"
#include "ui_TForm1.h"

#include <QPixmap>

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
    // The selected slide composed at Image1's own size; the empty show is a plain
    // button-face area. An unreadable working file leaves Image1 as it was.
    imaging::TSlideSource source;
    const imaging::TSlideSource* slide = nullptr;
    const auto index = static_cast<std::size_t>(Show.SelectedSlide);
    if (!Show.Slides.empty()) {
        if (Show.SelectedSlide < 0 || index >= Show.Slides.size())
            return;
        source.WorkFile = Show.Slides[index].WorkFile.str();
        source.BackColor = Show.Slides[index].BackColor;
        slide = &source;
    }
    const QImage image =
        imaging::ShowSlideInPreview(slide, Form->Image1->width(), Form->Image1->height());
    if (!image.isNull())
        Form->Image1->setPixmap(QPixmap::fromImage(image));
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
