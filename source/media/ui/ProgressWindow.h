// The progress window shared by project load and save and the video export: a bar and a Cancel
// button that asks the running job to stop. It lives for the whole run.
#pragma once

#include "base/Job.h"

#include <QDialog>

#include <memory>

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

private:
    ProgressWindow& window_;
};

} // namespace ui
