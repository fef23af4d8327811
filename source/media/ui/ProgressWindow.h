// The progress window shared by project load and save and the video export: a bar and a Cancel
// button that asks the running job to stop. It lives for the whole run.
#pragma once

#include "base/Job.h"

#include <QDialog>

#include <chrono>
#include <cstdint>
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
    // Asks the attached job to stop.
    void RequestCancel();
    std::unique_ptr<Ui::ProgressWindow> Form;

protected:
    void reject() override;

private:
    base::Progress* job_ = nullptr;
    QLabel* detail_ = nullptr;
};

// Long work's progress through the window: shown on Open, updated, events pumped between blocks.
class WindowProgress final : public base::Progress {
public:
    explicit WindowProgress(ProgressWindow& window) : window_(window) {}
    ~WindowProgress() override;
    void Show() override;
    void SetPosition(int percent) override;
    void SetItem(int n, int total) override;
    void Pump() override;
    void Close() override;
    // The export's frames written of the total: the detail line with the speed and time left.
    void Frames(std::int64_t done, std::int64_t total);

private:
    ProgressWindow& window_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace ui
