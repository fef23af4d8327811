// The progress window shared by project load and save and the video export: a bar and a Cancel
// button that only raises the show's CancelRequested flag. It lives for the whole run.
#pragma once

#include "project/Progress.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TForm6;
}

namespace ui {

class TForm6 final : public QDialog {
    Q_OBJECT

public:
    // onCancel runs when the user presses Cancel (or Escape, or closes the window).
    explicit TForm6(std::function<void()> onCancel, QWidget* parent = nullptr);
    ~TForm6() override;

    void ShowCentered();
    void SetPosition(int percent);
    int Position() const;
    void ApplyLanguage();
    std::unique_ptr<Ui::TForm6> Form;

protected:
    void reject() override;

private:
    std::function<void()> onCancel_;
};

// Long work's progress through the window: shown on Open, updated, events pumped between blocks.
class WindowProgress final : public project::Progress {
public:
    explicit WindowProgress(TForm6& window) : window_(window) {}
    void Open() override;
    void SetPosition(int percent) override;
    void Pump() override;
    void Close() override;

private:
    TForm6& window_;
};

} // namespace ui
