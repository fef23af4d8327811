// The disc dialog: the recorder, the disc label, eject after writing, the write and cache
// progress bars and the erase, write and cancel buttons. It asks for the files to write and the
// erase confirmation and hands the requests to its owner, which runs the jobs; while one runs
// every control is locked and the dialog cannot be closed.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

namespace Ui {
class DiscDialog;
}

namespace ui {

class DiscDialog final : public QDialog {
    Q_OBJECT

public:
    explicit DiscDialog(QWidget* parent);
    ~DiscDialog() override;

    // The recorder entries; the first one is selected.
    void SetRecorders(const QStringList& entries);
    QString Recorder() const;
    int RecorderIndex() const;
    QString Label() const;
    bool EjectAfterWriting() const;

    // Locks every control (a job runs) or frees them again.
    void SetBusy(bool busy);
    bool Busy() const { return busy_; }
    void SetWriteProgress(int sectors, int maxSectors, int cachePercent);
    // One step of the erase animation.
    void StepEraseAnimation();
    void ResetProgress();
    // Escape and the window's close: refused while a job runs.
    void reject() override;

    // Asked by the write button: the files in the order the user picked them (the file dialog
    // by default). Asked by the owner before an erase: whether to go on (a warning box).
    std::function<QStringList()> PickFiles;
    std::function<bool()> ConfirmErase;

Q_SIGNALS:
    void recorderChanged(int index);
    void eraseRequested();
    void writeRequested(const QStringList& files);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ApplyLanguage();
    void erase();
    void write();
    void cancel();

    std::unique_ptr<Ui::DiscDialog> Form;
    bool busy_ = false;
};

} // namespace ui
