// The window's autosave: it hears every change of the show's history, and once the timing rule
// says so, and no job runs, it hands a snapshot of the show to the autosaver's worker. The
// recovery file goes when the show becomes clean (saved, opened, new) or the window closes.
#pragma once

#include "app/ControllerHost.h"
#include "project/Autosave.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTimer;

namespace project {
class ShowHistory;
}

namespace ui {

class AutosaveController final : public QObject {
    Q_OBJECT

public:
    // host: no autosave while the window is busy with a job. showFile: the show's own file, ""
    // when none (the recovery file names it).
    AutosaveController(QObject* parent, const project::ShowModel& show,
                       project::ShowHistory& history, const std::string& instanceDir,
                       ControllerHost host, std::function<QString()> showFile,
                       project::AutosavePolicy::Timing timing = {});
    ~AutosaveController() override;

    // Hands a snapshot to the worker when one is due; the timer calls it every second.
    void Tick();
    // Writes a snapshot now, whatever the timing says, and waits for it (a close by a signal
    // keeps the work this way). False when nothing could be written.
    bool WriteNow();
    // Removes the recovery files once a write under way has ended.
    void Discard();

    const project::RecoveryFiles& Files() const { return saver_.Files(); }
    bool Pending() const { return policy_.Pending(); }
    project::Autosaver& Saver() { return saver_; }

private:
    void Changed();
    void CleanChanged(bool clean);

    const project::ShowModel& show_;
    project::ShowHistory& history_;
    ControllerHost host_;
    std::function<QString()> showFile_;
    project::AutosavePolicy policy_;
    project::Autosaver saver_;
    QTimer* timer_ = nullptr;
};

} // namespace ui
