// What the main window gives each of its controllers instead of itself: the parent widget for
// their dialogs, how a job of theirs keeps the window busy, whether the window is busy, and the
// status line for passing notices. A controller holds no reference to the window and never
// reaches into its form; what else it needs (a few widgets, the storyboard) it is handed by name.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace base {
class Progress;
}

namespace ui {

struct ControllerHost {
    // The parent of the controller's dialogs and message boxes.
    QWidget* DialogParent = nullptr;
    // The window is busy with job (a close asks it to stop) until the returned token is
    // destroyed. Empty: nobody to tell.
    std::function<std::shared_ptr<void>(base::Progress& job)> BeginJob;
    // True while a job, the preview, an export or a disc job runs (or the window has closed):
    // the show may not change then. Empty: never busy.
    std::function<bool()> Busy;
    // A passing message for the user in the status line, never blocking. Empty: not told.
    std::function<void(const QString& text)> Notice;

    bool IsBusy() const { return Busy && Busy(); }
    void Tell(const QString& text) const {
        if (Notice)
            Notice(text);
    }
};

} // namespace ui
