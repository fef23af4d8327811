// Undo and redo of the show's changes: the two actions (Ctrl+Z, Ctrl+Shift+Z, and the buttons the
// window puts in its top bar), what they do, and their enabled state. Given the history and what
// it needs of the window: whether a job runs, how to tell a failure, and where to show the
// selection afterwards.
#pragma once

#include "app/ControllerHost.h"
#include "base/Result.h"

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QWidget;

namespace project {
class ShowHistory;
}

namespace ui {

struct WindowDialogs;

class UndoControls final : public QObject {
    Q_OBJECT

public:
    // The actions are added to window, whose shortcuts they are. host: nothing is undone while
    // the window is busy; a failure is told in a message; reveal: after a step was undone or done
    // again, the strip shows the selected photo.
    UndoControls(QWidget& window, project::ShowHistory& history, WindowDialogs& dialogs,
                 ControllerHost host, std::function<void()> reveal);

    QAction* UndoAction = nullptr;
    QAction* RedoAction = nullptr;

    // Two small buttons for the actions, added at the end of bar's row of buttons.
    void AddButtons(QWidget& bar);

    void undo(); // undo the last change
    void redo(); // redo the change undone last
    // Enabled by the history, never while busy.
    void UpdateEnabled(bool busy);
    // The actions' texts from the language table, their hints naming their shortcuts.
    void ApplyLanguage();

Q_SIGNALS:
    // Undo or redo became possible or impossible.
    void stateChanged();

private:
    void Finish(const base::Status& done);

    project::ShowHistory& history_;
    WindowDialogs& dialogs_;
    ControllerHost host_;
    std::function<void()> reveal_;
};

} // namespace ui
