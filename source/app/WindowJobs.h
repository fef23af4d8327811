// The window's side of the job runner: a job runs on the runner's worker thread with the progress
// window as its Progress, the window is busy meanwhile (commands and drops are refused, Cancel and
// a close ask the job to stop), and the job's end reaches the window's thread as a queued signal,
// where the caller applies the result to the show. Nothing here lets events in: the window's own
// event loop keeps running while the job works.
#pragma once

#include "base/JobRunner.h"
#include "base/ui/ProgressWindow.h"

#include <QObject>

#include <functional>
#include <memory>

namespace ui {

class WindowJobs final : public QObject {
    Q_OBJECT

public:
    // beginJob marks the window busy with a job until the token it returns is destroyed (a close
    // asks that job to stop).
    using BeginJob = std::function<std::shared_ptr<void>(base::Progress& job)>;
    WindowJobs(QObject* parent, ProgressWindow& view, BeginJob beginJob);
    ~WindowJobs() override;

    // Runs job on the worker thread with the progress window; done runs on the window's thread
    // once the job has ended (the window is no longer busy then): a caller that needs the result
    // goes on there. False, running nothing, while another job runs.
    bool Start(std::function<void(WindowProgress&)> job, std::function<void()> done = {});
    bool Running() const { return running_; }
    // Asks the running job to stop.
    void Cancel() { runner_.Cancel(); }
    // Asks the running job to stop and waits for its worker (the window is being destroyed).
    void CancelAndWait();
    // From the job: runs what on the window's thread, in order with the job's other reports.
    void Post(std::function<void()> what);
    // Called on the worker after every block of every job; tests hold a job there to act while
    // it certainly runs.
    std::function<void()> AfterBlock;

Q_SIGNALS:
    // The job has ended and its done call has run.
    void finished();

private:
    void End();

    ProgressWindow& view_;
    BeginJob beginJob_;
    base::JobRunner runner_;
    std::unique_ptr<WindowProgress> progress_;
    std::shared_ptr<void> scope_; // the window's busy mark
    std::function<void()> done_;
    bool running_ = false;
};

} // namespace ui
