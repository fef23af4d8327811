// Main window: undo and redo of the show's changes, and the question before unsaved changes are
// lost (close, New, Open).
#include "app/MainWindow.h"

#include "base/Language.h"
#include "media/ShowMix.h"
#include "project/StripLayout.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

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

    UndoAction = new QAction(this);
    UndoAction->setObjectName("UndoAction");
    UndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    UndoAction->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    RedoAction = new QAction(this);
    RedoAction->setObjectName("RedoAction");
    RedoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    RedoAction->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    for (QAction* a : {UndoAction, RedoAction}) {
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(false);
        addAction(a);
    }
    connect(UndoAction, &QAction::triggered, this, &MainWindow::undo);
    connect(RedoAction, &QAction::triggered, this, &MainWindow::redo);
    connect(&History.Stack(), &QUndoStack::canUndoChanged, this, &MainWindow::updateBusyState);
    connect(&History.Stack(), &QUndoStack::canRedoChanged, this, &MainWindow::updateBusyState);

    // Two buttons after the effect buttons of the top bar.
    if (auto* bar = qobject_cast<QHBoxLayout*>(Form->ToolBar1->layout())) {
        bar->addSpacing(6);
        for (QAction* a : {UndoAction, RedoAction}) {
            auto* button = new QToolButton(Form->ToolBar1);
            button->setObjectName(a == UndoAction ? "UndoButton" : "RedoButton");
            button->setDefaultAction(a);
            button->setAutoRaise(true);
            button->setFixedSize(32, 25);
            button->setIconSize(QSize(16, 16));
            bar->addWidget(button);
        }
    }
}

void MainWindow::undo() {
    if (Busy() || !History.CanUndo())
        return;
    History.Undo();
    RevealSelectedSlide();
    if (!History.LastError().empty())
        ShowMessage(QString::fromLocal8Bit(History.LastError().c_str()));
}

void MainWindow::redo() {
    if (Busy() || !History.CanRedo())
        return;
    History.Redo();
    RevealSelectedSlide();
    if (!History.LastError().empty())
        ShowMessage(QString::fromLocal8Bit(History.LastError().c_str()));
}

void MainWindow::RevealSelectedSlide() {
    const int perPage = Form->PhotoStrip->width() / project::kCellWidth;
    if (perPage <= 0 || Show.Slides.empty())
        return;
    const int page =
        std::clamp(Show.SelectedSlide, 0, static_cast<int>(Show.Slides.size()) - 1) / perPage;
    if (page == Show.SlidePage)
        return;
    Show.SlidePage = page;
    Storyboard->LayoutPhotoStrip(page);
    Storyboard->SelectSlide(Show.SelectedSlide);
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
    Show.SelectedSlide = 0;
    Show.SelectedSound = 0;
    layoutWindow();
}

} // namespace ui
