// Main window: the storyboard view and its commands, built and connected to the window's menus
// and questions, and the photo menu's "Swap with..." command.
#include "app/MainWindow.h"
#include "app/TransitionChooser.h"
#include "ui_MainWindow.h"

#include "base/Language.h"
#include "project/StripLayout.h"
#include "project/ui/StripCells.h"

#include <QAction>
#include <QCursor>
#include <QInputDialog>
#include <QMenu>

#include <utility>

using base::TextKey;

namespace ui {

using base::Tr;

void MainWindow::CreateStoryboard() {
    Storyboard = new StoryboardView(*this, *Form, Show);
    Storyboard->IsBusy = [this] { return Busy(); };
    Storyboard->SetHistory(&History);
    connect(Storyboard, &StoryboardView::photoMenuRequested, this,
            [this] { PhotoMenu->popup(QCursor::pos()); });
    connect(Storyboard, &StoryboardView::trackMenuRequested, this,
            [this] { TrackMenu->popup(QCursor::pos()); });
    connect(Storyboard, &StoryboardView::transitionCellClicked, this, [this](int index) {
        auto change = History.BeginChange();
        const auto thumbnail = [this](std::size_t i) {
            const QPixmap clean = Storyboard->CleanThumbnail(i);
            return clean.isNull() ? imaging::Bitmap()
                                  : imaging::Bitmap::CreateFromImage(clean.toImage());
        };
        if (!change || !ChooseTransition(Show, index, this, thumbnail))
            return;
        History.Commit(std::move(*change), QStringLiteral("transition"));
        Storyboard->LayoutPhotoStrip(Storyboard->SlidePage());
    });
    StoryboardCommands::Host host;
    host.DialogParent = this;
    host.Busy = [this] { return Busy() || closed_; };
    host.AskYesNo = [this](const QString& question, const QString& caption) {
        return AskYesNo(question, caption);
    };
    host.ShowMessage = [this](const QString& text) { ShowMessage(text); };
    host.StripWidth = [this] { return Form->PhotoStrip->width(); };
    Commands = new StoryboardCommands(this, Show, History, *Storyboard, std::move(host));
    connect(this, &MainWindow::trackPlaybackFinished, Commands,
            &StoryboardCommands::trackPlaybackFinished);
}

void MainWindow::AddSwapCommand() {
    auto* swap = PhotoMenu->addAction(QString::fromUtf8("Поменять местами с…"));
    swap->setObjectName("SwapWith");
    connect(swap, &QAction::triggered, Commands, &StoryboardCommands::swapPhotoWith);
    Commands->AskSwapPartner = [this](int current, int count) {
        bool ok = false;
        const int chosen = QInputDialog::getInt(this, Tr(TextKey::SwapWith, "Поменять местами с…"),
                                                Tr(TextKey::PhotoNumber, "Номер фото:"), current, 1,
                                                count, 1, &ok);
        return ok ? chosen : 0;
    };
}

} // namespace ui
