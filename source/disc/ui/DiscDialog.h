// The disc dialog: the recorder, what the disc in it holds, the disc label, eject after
// writing, the labelled write and drive-buffer bars and the erase, burn and cancel buttons. It
// asks for the files to write and the erase confirmation and hands the requests to its owner,
// which runs the jobs. While one runs the controls are locked except Cancel, which asks the job
// to stop; the dialog cannot be closed then. Failures are shown in an error box and the dialog
// stays open.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <future>
#include <memory>

class QTimer;

namespace Ui {
class DiscDialog;
}

namespace disc {
class ScsiDevice;
struct DiscSummary;
} // namespace disc

namespace ui {

class DiscDialog final : public QDialog {
    Q_OBJECT

public:
    explicit DiscDialog(QWidget* parent);
    ~DiscDialog() override;

    // The recorder entries as people name them; the first one is selected.
    void SetRecorders(const QStringList& entries);
    QString Recorder() const;
    int RecorderIndex() const;
    QString Label() const;
    bool EjectAfterWriting() const;

    // The recorder whose disc the dialog describes (null: none, as for the image-file entry).
    // The dialog looks at it only while no job runs: on a recorder change, when a disc goes in
    // or out (a look every two seconds) and when a job ends.
    void WatchRecorder(disc::ScsiDevice* device);
    // The facts line under the recorder list for a summary of the disc.
    static QString FactsText(const disc::DiscSummary& summary);
    QString Facts() const;
    void RefreshFacts();

    // The drive is asked on a worker. Before the owner uses the recorder itself (a job, an
    // eject, a question to the drive, a new selection), it waits here for a look under way.
    void WaitForLook();

    // Locks the controls (a job runs; Cancel stays free to stop it) or frees them again.
    void SetBusy(bool busy);
    bool Busy() const { return busy_; }
    void SetWriteProgress(int sectors, int maxSectors, int cachePercent);
    // One step of the erase animation.
    void StepEraseAnimation();
    void ResetProgress();
    // A write or erase that failed: an error box with a plain sentence first, then the
    // drive's own words. The dialog stays open.
    void ShowFailure(const QString& driveWords, bool writing);
    // The plain sentence for a failure ("The disc could not be written: ...").
    static QString FailureSentence(const QString& driveWords, bool writing);
    // Escape and the window's close: refused while a job runs.
    void reject() override;

    // Asked by the burn button: the files in the order the user picked them (the file dialog
    // by default). Asked by the owner before an erase: whether to go on (a warning box). Shows
    // a failure (an error box by default).
    std::function<QStringList()> PickFiles;
    std::function<bool()> ConfirmErase;
    std::function<void(const QString& text)> ShowError;

    // A file the picker opens at, selected (the video the window has just written); a file that
    // is gone is passed over.
    void SuggestFile(const QString& path) { suggested_ = path; }
    // Where the file picker opens: the folder last picked from, else Videos, else home.
    static QString PickerFolder();
    // Notes the folder of picked files for the next time the picker opens in this run.
    static void RememberPicked(const QStringList& files);
    // The picker's filters: shows and videos together first, then each kind.
    static QString PickerFilters();

Q_SIGNALS:
    void recorderChanged(int index);
    void eraseRequested();
    void writeRequested(const QStringList& files);
    // Cancel pressed while a job runs.
    void cancelRequested();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ApplyLanguage();
    void erase();
    void write();
    void cancel();
    void Poll();
    // Asks the drive on a worker (a summary of the disc, or first whether it changed) and shows
    // the facts when the answer comes.
    void Look(bool summarize);

    std::unique_ptr<Ui::DiscDialog> Form;
    bool busy_ = false;
    QString suggested_; // the file the picker opens at, if any
    disc::ScsiDevice* device_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    int lastPresence_ = -1;  // 1 a disc was in at the last look, 0 none, -1 unknown
    std::future<void> look_; // the look asking the drive, if any
};

} // namespace ui
