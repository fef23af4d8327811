// The window's running jobs (load, save, import, export, disc), counted on the interface thread.
// While one runs the window is busy and may not close: a close asks the innermost job to stop and
// is carried out once the last job has ended. Jobs nest (a load imports).
#pragma once

#include <functional>
#include <memory>
#include <utility>

class QWidget;

namespace base {
class Progress;
}

namespace ui {

class RunningJobs {
public:
    // window is closed again when the last job ends after a close was held back; changed is
    // called whenever a job begins or ends (the window's busy state may have changed).
    RunningJobs(QWidget& window, std::function<void()> changed)
        : window_(window), changed_(std::move(changed)) {}
    RunningJobs(const RunningJobs&) = delete;
    RunningJobs& operator=(const RunningJobs&) = delete;

    // The window is busy with job until the returned token is destroyed.
    std::shared_ptr<void> Begin(base::Progress& job);
    bool Any() const { return count_ > 0; }
    // A close while jobs run: asks the innermost to stop, keeps the close for when the last has
    // ended, and returns true (the caller refuses this close). False when no job runs.
    bool HoldClose();

private:
    class Scope;
    void Changed() const {
        if (changed_)
            changed_();
    }
    QWidget& window_;
    std::function<void()> changed_;
    int count_ = 0;
    base::Progress* innermost_ = nullptr; // asked to stop on close
    bool closeWhenIdle_ = false;
};

} // namespace ui
