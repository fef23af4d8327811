// What the main window gives each of its controllers instead of itself: the parent widget for
// their dialogs, and how a job of theirs keeps the window busy. A controller holds no reference
// to the window and never reaches into its form.
#pragma once

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
};

} // namespace ui
