// Writing and erasing discs from the main window: opens the disc dialog, owns the recorder and
// the job while the dialog is open, runs writes and erases on the job's worker thread with the
// window busy meanwhile, shows progress with the write-progress timer (1 s) and the erase
// animation timer (700 ms), and reports the end.
#pragma once

#include "app/ControllerHost.h"
#include "base/Result.h"
#include "disc/ui/DiscDialog.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTimer;

namespace disc {
class DiscJob;
class IsoImageBuilder;
class ScsiDevice;
} // namespace disc

namespace ui {

class DiscController final : public QObject {
    Q_OBJECT

public:
    // host: the dialog's parent and the window's busy state while a disc job runs.
    DiscController(QObject* parent, ControllerHost host);
    ~DiscController() override;

    QTimer* ProgressTimer = nullptr; // 1000 ms, the write progress
    QTimer* EraseTimer = nullptr;    // 700 ms, the erase animation

    // True while a disc is written or erased; the window is busy then.
    bool Running() const;
    // Opens the disc dialog modally; returns when it is closed.
    void writeDisc();
    void stop();

    // The open dialog (null when none is open).
    DiscDialog* Dialog() const { return dialog_; }
    // How the end of a job and refusals are told (a message box by default).
    std::function<void(const QString&)> ShowMessage;
    // Where the image-file entry writes the files (a save dialog by default, opening beside the
    // show's file when it has one, else in the folder last used for discs, else beside the
    // first file; empty cancels).
    std::function<QString(const QStringList& files)> PickImageFile;
    // The show's file, empty before it is saved or opened from one.
    std::function<QString()> ShowFile;
    // The video the window wrote last, which the file picker opens at (empty: none).
    std::function<QString()> LastVideo;
    // Ejects the disc (the recorder's eject by default); called only after a success.
    std::function<void()> Eject;

private:
    void selectRecorder(int index);
    void erase();
    void write(const QStringList& files);
    void WriteFinished(const base::Status& result);
    void EraseFinished(const base::Status& result);
    void showProgress();
    void Begin();
    void End();

    ControllerHost host_;
    std::unique_ptr<disc::ScsiDevice> device_;
    std::unique_ptr<disc::IsoImageBuilder> builder_;
    std::unique_ptr<disc::DiscJob> job_; // after the device and builder: joined first
    // The window's busy mark while the job runs.
    std::shared_ptr<void> busy_;
    QPointer<DiscDialog> dialog_;
    int imageEntry_ = -1; // the recorder list's entry that writes an image file
    int trackSectors_ = 0;
};

} // namespace ui
