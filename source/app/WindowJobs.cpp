#include "app/WindowJobs.h"

#include <QPointer>

namespace ui {

WindowJobs::WindowJobs(QObject* parent, ProgressWindow& view, BeginJob beginJob)
    : QObject(parent), view_(view), beginJob_(std::move(beginJob)),
      runner_(base::JobRunner::Priority::Background) {}

WindowJobs::~WindowJobs() {
    CancelAndWait();
}

void WindowJobs::CancelAndWait() {
    runner_.Cancel();
    runner_.Wait();
    if (!running_)
        return;
    // The window is going: its end is not told (the queued End is dropped with this object).
    view_.Detach(progress_.get());
    running_ = false;
    done_ = nullptr;
    scope_.reset();
    progress_.reset();
}

bool WindowJobs::Start(std::function<void(WindowProgress&)> job, std::function<void()> done) {
    if (running_ || runner_.Running())
        return false;
    progress_ = std::make_unique<WindowProgress>(view_);
    progress_->AfterBlock = AfterBlock;
    if (beginJob_)
        scope_ = beginJob_(*progress_);
    view_.Attach(progress_.get());
    done_ = std::move(done);
    running_ = true;
    WindowProgress& progress = *progress_;
    QPointer<WindowJobs> self(this);
    const bool started = runner_.Start(
        progress, [&progress, job = std::move(job)] { job(progress); },
        [self] {
            // The worker's last word: the end is handled on the window's thread.
            if (self)
                QMetaObject::invokeMethod(self.data(), &WindowJobs::End, Qt::QueuedConnection);
        });
    if (!started) {
        running_ = false;
        scope_.reset();
        progress_.reset();
        done_ = nullptr;
    }
    return started;
}

void WindowJobs::End() {
    if (!running_)
        return;
    runner_.Wait(); // the worker has returned from its last call; reap it
    view_.Detach(progress_.get());
    view_.hide();
    running_ = false;
    scope_.reset();
    progress_.reset();
    if (auto done = std::move(done_)) {
        done_ = nullptr;
        done();
    }
    Q_EMIT finished();
}

void WindowJobs::Post(std::function<void()> what) {
    QMetaObject::invokeMethod(this, std::move(what), Qt::QueuedConnection);
}

} // namespace ui
