#include "app/UndoControls.h"

#include "app/WindowDialogs.h"

#include "base/Language.h"
#include "project/ShowHistory.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QStyle>
#include <QToolButton>
#include <QWidget>

#include <tuple>
#include <utility>

namespace ui {

UndoControls::UndoControls(QWidget& window, project::ShowHistory& history, WindowDialogs& dialogs,
                           ControllerHost host, std::function<void()> reveal)
    : QObject(&window), history_(history), dialogs_(dialogs), host_(std::move(host)),
      reveal_(std::move(reveal)) {
    UndoAction = new QAction(&window);
    UndoAction->setObjectName("UndoAction");
    UndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    UndoAction->setIcon(window.style()->standardIcon(QStyle::SP_ArrowBack));
    RedoAction = new QAction(&window);
    RedoAction->setObjectName("RedoAction");
    RedoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    RedoAction->setIcon(window.style()->standardIcon(QStyle::SP_ArrowForward));
    for (QAction* a : {UndoAction, RedoAction}) {
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(false);
        window.addAction(a);
    }
    connect(UndoAction, &QAction::triggered, this, &UndoControls::undo);
    connect(RedoAction, &QAction::triggered, this, &UndoControls::redo);
    connect(&history_.Stack(), &QUndoStack::canUndoChanged, this, &UndoControls::stateChanged);
    connect(&history_.Stack(), &QUndoStack::canRedoChanged, this, &UndoControls::stateChanged);
}

void UndoControls::undo() {
    if (host_.IsBusy() || !history_.CanUndo())
        return;
    Finish(history_.Undo());
}

void UndoControls::redo() {
    if (host_.IsBusy() || !history_.CanRedo())
        return;
    Finish(history_.Redo());
}

void UndoControls::Finish(const base::Status& done) {
    if (reveal_)
        reveal_();
    if (!done)
        dialogs_.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
}

void UndoControls::UpdateEnabled(bool busy) {
    UndoAction->setEnabled(!busy && history_.CanUndo());
    RedoAction->setEnabled(!busy && history_.CanRedo());
}

void UndoControls::ApplyLanguage() {
    for (auto [action, key, builtin] :
         {std::tuple{UndoAction, 924, "Отменить"}, std::tuple{RedoAction, 925, "Повторить"}}) {
        action->setText(base::Tr(key, builtin));
        action->setToolTip(action->text() + " (" +
                           action->shortcut().toString(QKeySequence::NativeText) + ")");
    }
}

void UndoControls::AddButtons(QWidget& bar) {
    if (auto* row = qobject_cast<QHBoxLayout*>(bar.layout())) {
        row->addSpacing(6);
        for (QAction* a : {UndoAction, RedoAction}) {
            auto* button = new QToolButton(&bar);
            button->setObjectName(a == UndoAction ? "UndoButton" : "RedoButton");
            button->setDefaultAction(a);
            button->setAutoRaise(true);
            button->setFixedSize(32, 25);
            button->setIconSize(QSize(16, 16));
            row->addWidget(button);
        }
    }
}

} // namespace ui
