// Main window: choosing and placing photos on the storyboard from the keyboard, by dragging and
// with the photo menu's "Swap with..." command.
#include "app/MainWindow.h"
#include "ui_MainWindow.h"

#include "base/Language.h"
#include "project/StripLayout.h"
#include "project/ui/StripCells.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QMenu>

#include <algorithm>

using base::TextKey;

namespace ui {

using base::Tr;

void MainWindow::AddSwapCommand() {
    auto* swap = PhotoMenu->addAction(QString::fromUtf8("Поменять местами с…"));
    swap->setObjectName("SwapWith");
    connect(swap, &QAction::triggered, this, &MainWindow::swapPhotoWith);
    AskSwapPartner = [this](int current, int count) {
        bool ok = false;
        const int chosen = QInputDialog::getInt(this, Tr(TextKey::SwapWith, "Поменять местами с…"),
                                                Tr(TextKey::PhotoNumber, "Номер фото:"), current, 1,
                                                count, 1, &ok);
        return ok ? chosen : 0;
    };
}

void MainWindow::swapPhotoWith() {
    if (Busy())
        return;
    const int count = static_cast<int>(Show.Slides.size());
    const int selected = Show.SelectedSlide;
    if (selected < 0 || selected >= count || count < 2)
        return;
    const int partner = AskSwapPartner(selected + 1, count);
    if (partner < 1 || partner > count || partner == selected + 1 || Busy())
        return;
    // The selected photo takes the partner's place and stays selected there.
    Storyboard->SwapSlides(partner, selected + 1);
    Storyboard->ShowSlide(partner - 1);
}

void MainWindow::selectPhoto(int index) {
    if (Busy() || Show.Slides.empty())
        return;
    const int last = static_cast<int>(Show.Slides.size()) - 1;
    const bool thumbnailFocused = qobject_cast<ThumbImage*>(QApplication::focusWidget()) != nullptr;
    Storyboard->ShowSlide(std::clamp(index, 0, last));
    if (thumbnailFocused)
        if (QWidget* thumb = Storyboard->PhotoCellWidget(
                static_cast<std::size_t>(Show.SelectedSlide), StoryboardView::PhotoPart::Thumb))
            thumb->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::MovePhoto(int from, int to) {
    // One step of the undo history, which leaves the moved photo selected.
    if (Busy() || from < 0 || to < 0 ||
        !History.MoveSlide(static_cast<std::size_t>(from), static_cast<std::size_t>(to), to))
        return false;
    // The strip is drawn again in the new order, on the page that shows the moved photo.
    Show.SlidePage =
        project::PageOfSlide(Form->PhotoStrip->width(), static_cast<int>(Show.Slides.size()), to);
    Storyboard->LayoutPhotoStrip(Show.SlidePage);
    Storyboard->SelectSlide(to);
    return true;
}

} // namespace ui
