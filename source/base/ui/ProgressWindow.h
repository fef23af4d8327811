// The progress window shared by every long job (project load and save, import, the video export):
// a bar, a detail line and a Cancel button that asks the running job to stop. It lives for the
// whole run.
#pragma once

#include "base/Job.h"

#include <QDialog>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;

namespace Ui {
class ProgressWindow;
}

namespace ui {

class ProgressWindow final : public QDialog {
    Q_OBJECT

public:
    explicit ProgressWindow(QWidget* parent = nullptr);
    ~ProgressWindow() override;

    void ShowCentered();
    void SetPosition(int percent);
    // Counted progress: the bar runs to total and reads "Импорт: n из N".
    void SetItem(int n, int total);
    int Position() const;
    QString Text() const; // what the bar reads
    // A line under the bar (the export's frames, speed and time left); empty hides it.
    void SetDetail(const QString& text);
    QString Detail() const;
    void ApplyLanguage();
    // The job that Cancel (the button, Escape, closing the window) asks to stop; null when idle.
    void Attach(base::Progress* job) { job_ = job; }
    void Detach(const base::Progress* job) {
        if (job_ == job)
            job_ = nullptr;
    }
    // Asks the attached job to stop.
    void RequestCancel();
    std::unique_ptr<Ui::ProgressWindow> Form;

protected:
    void reject() override;

private:
    base::Progress* job_ = nullptr;
    QLabel* detail_ = nullptr;
};

// Long work's progress through the window. A job calls it on its worker thread; every call is
// handed to the window's thread as a queued call, so the window shows it when its event loop next
// runs (nothing here lets events in). Cancel in the window reaches the job through the flag.
class WindowProgress final : public base::Progress {
public:
    explicit WindowProgress(ProgressWindow& window);
    ~WindowProgress() override;
    void Show() override;
    void SetPosition(int percent) override;
    void SetItem(int n, int total) override;
    void Close() override;
    // After every block of the job, on its thread: calls AfterBlock (tests hold a job there).
    void Pump() override;
    std::function<void()> AfterBlock;
    // The detail line under the bar (the export's frames, speed and time left), from any thread.
    void SetDetail(const QString& text);
    // Seconds since the job was shown, for a rate the caller puts in the detail line.
    double ElapsedSeconds() const;

private:
    // Runs what on the window's thread, after the calls posted before it; dropped when the window
    // is gone.
    void Post(std::function<void(ProgressWindow&)> what);

    QPointer<ProgressWindow> window_;
    std::atomic<int> lastPercent_{-1};
    std::atomic<std::int64_t> startNs_{0};
};

} // namespace ui
