// Main window: undo and redo of the show's changes, and the question before unsaved changes are
// lost (close, New, Open).
#include "app/MainWindow.h"
#include "app/UndoControls.h"

#include "base/Language.h"
#include "media/ShowMix.h"
#include "project/StripLayout.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

#include <utility>

using base::TextKey;

namespace ui {

using base::Tr;

void MainWindow::CreateHistoryActions() {
    AskSaveChanges = [this](const QString& question, const QString& caption) {
        QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::NoButton, this);
        auto* save = box.addButton(Tr(TextKey::SaveChanges, "Сохранить"), QMessageBox::AcceptRole);
        auto* discard = box.addButton(Tr(TextKey::DiscardChanges, "Не сохранять"),
                                      QMessageBox::DestructiveRole);
        auto* cancel = box.addButton(Tr(TextKey::Cancel, "Отмена"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == save)
            return SaveAnswer::Save;
        if (box.clickedButton() == discard)
            return SaveAnswer::Discard;
        return SaveAnswer::Cancel;
    };

    UndoControls::Host host;
    host.Busy = [this] { return Busy(); };
    host.ShowMessage = [this](const QString& text) { ShowMessage(text); };
    host.Reveal = [this] { RevealSelectedSlide(); };
    Undo = new UndoControls(*this, History, std::move(host));
    connect(Undo, &UndoControls::stateChanged, this, &MainWindow::updateBusyState);

    // Two buttons after the effect buttons of the top bar.
    if (auto* bar = qobject_cast<QHBoxLayout*>(Form->ToolBar1->layout())) {
        bar->addSpacing(6);
        for (QAction* a : {Undo->UndoAction, Undo->RedoAction}) {
            auto* button = new QToolButton(Form->ToolBar1);
            button->setObjectName(a == Undo->UndoAction ? "UndoButton" : "RedoButton");
            button->setDefaultAction(a);
            button->setAutoRaise(true);
            button->setFixedSize(32, 25);
            button->setIconSize(QSize(16, 16));
            bar->addWidget(button);
        }
    }
}

void MainWindow::RevealSelectedSlide() {
    const int perPage = Form->PhotoStrip->width() / project::kCellWidth;
    if (perPage <= 0 || Show.Slides.empty())
        return;
    const int page =
        std::clamp(Storyboard->SelectedSlide(), 0, static_cast<int>(Show.Slides.size()) - 1) /
        perPage;
    if (page == Storyboard->SlidePage())
        return;
    Storyboard->LayoutPhotoStrip(page);
    Storyboard->SelectSlide(Storyboard->SelectedSlide());
}

bool MainWindow::SettleUnsavedChanges() {
    // A show without photos cannot be saved, so there is nothing to offer.
    if (!History.IsModified() || Show.Slides.empty())
        return true;
    switch (AskSaveChanges(Tr(TextKey::AskSaveChanges, "Сохранить изменения в слайдшоу?"),
                           Tr(TextKey::UnsavedChanges, "Несохранённые изменения"))) {
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        return false;
    case SaveAnswer::Save:
        break;
    }
    if (Busy())
        return false;
    if (!ShowFile.isEmpty())
        return SaveProjectFile(ShowFile);
    const QString path = AskSaveName(ProposedFileName(), false);
    return !path.isEmpty() && SaveProjectFile(path);
}

void MainWindow::ClearShow() {
    History.Clear();
    ShowFile.clear();
    UpdateTitle();
    Show.ClearProject();
    Show.SetOptions(media::NewShowOptions());
    Show.PurgeWorkFolders();
    Storyboard->ResetSelection();
    layoutWindow();
}

} // namespace ui
