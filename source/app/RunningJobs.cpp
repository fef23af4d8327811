#include "app/RunningJobs.h"

#include "base/Job.h"

#include <QTimer>
#include <QWidget>

namespace ui {

// A job's length: counted, and the innermost job while it runs. When the last job ends, a close
// asked for meanwhile is carried out.
class RunningJobs::Scope {
public:
    Scope(RunningJobs& jobs, base::Progress& job) : jobs_(jobs), outer_(jobs.innermost_) {
        ++jobs_.count_;
        jobs_.innermost_ = &job;
        jobs_.Changed();
    }
    ~Scope() {
        jobs_.innermost_ = outer_;
        if (--jobs_.count_ == 0 && jobs_.closeWhenIdle_)
            QTimer::singleShot(0, &jobs_.window_, &QWidget::close);
        jobs_.Changed();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    RunningJobs& jobs_;
    base::Progress* outer_;
};

std::shared_ptr<void> RunningJobs::Begin(base::Progress& job) {
    return std::make_shared<Scope>(*this, job);
}

bool RunningJobs::HoldClose() {
    if (count_ == 0)
        return false;
    closeWhenIdle_ = true;
    if (innermost_)
        innermost_->RequestCancel();
    return true;
}

} // namespace ui
