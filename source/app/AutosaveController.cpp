#include "app/AutosaveController.h"

#include "base/FileName.h"
#include "project/ShowHistory.h"

#include <QTimer>

namespace ui {

using Clock = project::AutosavePolicy::Clock;

AutosaveController::AutosaveController(QObject* parent, const project::ShowModel& show,
                                       project::ShowHistory& history,
                                       const std::string& instanceDir, ControllerHost host,
                                       std::function<QString()> showFile,
                                       project::AutosavePolicy::Timing timing)
    : QObject(parent), show_(show), history_(history), host_(std::move(host)),
      showFile_(std::move(showFile)), policy_(timing), saver_(instanceDir) {
    connect(&history_.Stack(), &QUndoStack::indexChanged, this, &AutosaveController::Changed);
    connect(&history_.Stack(), &QUndoStack::cleanChanged, this, &AutosaveController::CleanChanged);
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    connect(timer_, &QTimer::timeout, this, &AutosaveController::Tick);
    timer_->start();
}

AutosaveController::~AutosaveController() = default;

void AutosaveController::Changed() {
    // An undo back to the saved state is no change to keep.
    if (history_.IsModified())
        policy_.Changed(Clock::now());
}

void AutosaveController::CleanChanged(bool clean) {
    if (!clean)
        return;
    policy_.Settled();
    Discard();
}

void AutosaveController::Tick() {
    const auto now = Clock::now();
    if (!policy_.Due(now) || host_.IsBusy() || saver_.Writing())
        return;
    const std::string file = showFile_ ? base::EncodeFileName(showFile_()) : "";
    // A snapshot that could not be made is tried again at the next tick, as a busy one is.
    if (const auto started = saver_.Start(show_, file);
        started && *started == project::Autosaver::StartOutcome::Started)
        policy_.Written(now);
}

bool AutosaveController::WriteNow() {
    saver_.Wait();
    const int before = saver_.Written();
    const std::string file = showFile_ ? base::EncodeFileName(showFile_()) : "";
    if (const auto started = saver_.Start(show_, file);
        !started || *started != project::Autosaver::StartOutcome::Started)
        return false;
    saver_.Wait();
    policy_.Written(Clock::now());
    return saver_.Written() > before;
}

void AutosaveController::Discard() {
    saver_.Discard();
}

} // namespace ui
