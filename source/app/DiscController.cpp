#include "app/DiscController.h"

#include "app/WindowDialogs.h"

#include "base/Language.h"
#include "disc/burn/DiscJob.h"
#include "disc/iso/IsoImageBuilder.h"
#include "disc/mmc/MediaDetection.h"
#include "disc/mmc/MmcCommands.h"
#include "disc/scsi/ScsiDevice.h"
#include "disc/ui/DiscDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <utility>

using base::TextKey;

namespace ui {

using base::Tr;

DiscController::DiscController(QObject* parent, ControllerHost host)
    : QObject(parent), host_(std::move(host)) {
    ProgressTimer = new QTimer(this);
    ProgressTimer->setObjectName("DiscProgressTimer");
    ProgressTimer->setInterval(1000);
    EraseTimer = new QTimer(this);
    EraseTimer->setObjectName("EraseTimer");
    EraseTimer->setInterval(700);
    connect(ProgressTimer, &QTimer::timeout, this, &DiscController::showProgress);
    connect(EraseTimer, &QTimer::timeout, this, [this] {
        if (dialog_)
            dialog_->StepEraseAnimation();
    });
    ShowMessage = [this](const QString& text) {
        QMessageBox::information(dialog_ ? static_cast<QWidget*>(dialog_.data()) : nullptr,
                                 QString(), text);
    };
    PickImageFile = [this](const QStringList& files) {
        const QString kind = QStringLiteral("Discs");
        SaveDialogStart start =
            SaveStartOf(ProposedFileName(ShowFile ? ShowFile() : QString()) + ".iso", kind);
        // A show never saved, and no disc made yet: beside what goes on the disc.
        if (ShowFile && ShowFile().isEmpty() && !HasFolderFor(kind) && !files.isEmpty())
            start.Folder = QFileInfo(files.first()).absolutePath();
        const QString path = QFileDialog::getSaveFileName(
            dialog_, QString(), QDir(start.Folder).filePath(start.Name), "ISO (*.iso)");
        if (!path.isEmpty())
            RememberFolder(kind, path);
        return path;
    };
    Eject = [this] {
        if (dialog_)
            dialog_->WaitForLook();
        if (device_)
            (void)disc::MmcCommands(*device_).Eject();
    };
}

DiscController::~DiscController() = default;

bool DiscController::Running() const {
    return job_ && job_->Running();
}

void DiscController::writeDisc() {
    if (dialog_ || Running())
        return;
    device_ = std::make_unique<disc::ScsiDevice>();
    job_ = std::make_unique<disc::DiscJob>();
    QStringList entries;
    if (device_->OpenTransport()) {
        for (const std::string& e : device_->DeviceTitles())
            entries << QString::fromStdString(e);
    }
    imageEntry_ = static_cast<int>(entries.size());
    entries << QString::fromUtf8("ISO image file");
    DiscDialog dialog(host_.DialogParent);
    dialog_ = &dialog;
    if (LastVideo)
        dialog.SuggestFile(LastVideo());
    dialog.SetRecorders(entries);
    selectRecorder(0);
    dialog.WatchRecorder(device_.get());
    connect(&dialog, &DiscDialog::recorderChanged, this, &DiscController::selectRecorder);
    connect(&dialog, &DiscDialog::cancelRequested, this, [this] {
        if (job_)
            job_->Cancel();
    });
    connect(&dialog, &DiscDialog::eraseRequested, this, &DiscController::erase);
    connect(&dialog, &DiscDialog::writeRequested, this, &DiscController::write);
    dialog.exec();
    dialog.WaitForLook(); // before the recorder goes
    dialog_ = nullptr;
    stop();
    job_.reset(); // joins a job that might still be ending
    builder_.reset();
    device_.reset();
}

void DiscController::stop() {
    ProgressTimer->stop();
    EraseTimer->stop();
}

void DiscController::selectRecorder(int index) {
    if (!device_ || Running())
        return;
    if (dialog_)
        dialog_->WaitForLook();
    if (index < 0 || index >= imageEntry_) {
        device_->Deselect();
        return;
    }
    (void)device_->SelectDevice(device_->DeviceList().at(static_cast<std::size_t>(index)));
}

void DiscController::Begin() {
    // The window stays busy while the job runs; closing it asks the job to stop.
    if (host_.BeginJob)
        busy_ = host_.BeginJob(job_->Progress());
    if (dialog_)
        dialog_->SetBusy(true);
}

void DiscController::End() {
    busy_.reset();
    if (dialog_)
        dialog_->SetBusy(false);
}

void DiscController::erase() {
    if (!dialog_ || Running())
        return;
    dialog_->WaitForLook();
    if (!device_->Selected()) {
        ShowMessage(Tr(TextKey::DiscCannotWrite, "Невозможно записать диск"));
        return;
    }
    if (disc::GetMediaType(*device_) != disc::media_type::kDvdRam && !disc::IsErasable(*device_)) {
        ShowMessage(base::AppLanguage().Has(TextKey::DiscAskErase)
                        ? Tr(TextKey::DiscNotRewritable, "")
                        : QString::fromUtf8("Диск не перезаписываемый!"));
        return;
    }
    if (!dialog_->ConfirmErase || !dialog_->ConfirmErase())
        return;
    Begin();
    dialog_->ResetProgress();
    EraseTimer->start();
    job_->StartErase(*device_, true, {}, [this](const base::Status& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { EraseFinished(result); }, Qt::QueuedConnection);
    });
}

void DiscController::write(const QStringList& files) {
    if (!dialog_ || Running())
        return;
    dialog_->WaitForLook();
    disc::WriteOptions options;
    if (dialog_->RecorderIndex() == imageEntry_) {
        const QString path = PickImageFile ? PickImageFile(files) : QString();
        if (path.isEmpty())
            return;
        options.imageFile = QFile::encodeName(path).toStdString();
    } else if (!device_->Selected()) {
        ShowMessage(Tr(TextKey::DiscCannotWrite, "Невозможно записать диск"));
        return;
    }
    builder_ = std::make_unique<disc::IsoImageBuilder>();
    builder_->Ids.Volume = dialog_->Label();
    for (const QString& f : files) {
        if (builder_->InsertFile("\\", QFile::encodeName(f).toStdString()) !=
            disc::InsertResult::Added) {
            dialog_->ShowFailure("CAN'T OPEN FILE \"" + f + "\"", true);
            return;
        }
    }
    options.writeSpeed = 0;
    Begin();
    dialog_->ResetProgress();
    trackSectors_ = 0;
    ProgressTimer->start();
    job_->StartWrite(*device_, *builder_, options, {}, [this](const base::Status& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { WriteFinished(result); }, Qt::QueuedConnection);
    });
}

void DiscController::showProgress() {
    if (!dialog_ || !job_)
        return;
    const auto& s = job_->Status();
    const auto total = static_cast<int>(s.totalBytes.load() / 2048);
    dialog_->SetWriteProgress(static_cast<int>(s.bytesWritten.load() / 2048), total,
                              s.cacheFillPercent.load());
}

void DiscController::WriteFinished(const base::Status& result) {
    ProgressTimer->stop();
    showProgress();
    const bool toDisc = dialog_ && dialog_->RecorderIndex() != imageEntry_;
    const bool eject = toDisc && dialog_->EjectAfterWriting();
    End();
    if (!result.ok()) {
        if (dialog_) // the dialog stays open for another try
            dialog_->ShowFailure(QString::fromStdString(result.error()), true);
        return;
    }
    ShowMessage(Tr(TextKey::DiscWritten, "Запись диска успешно завершена"));
    if (eject && Eject)
        Eject();
    if (dialog_)
        dialog_->accept();
}

void DiscController::EraseFinished(const base::Status& result) {
    EraseTimer->stop();
    if (dialog_)
        dialog_->ResetProgress();
    const bool eject = dialog_ && dialog_->EjectAfterWriting();
    End();
    if (result.ok())
        ShowMessage(Tr(TextKey::DiscErased, "Очистка диска успешно завершена"));
    else if (dialog_)
        dialog_->ShowFailure(QString::fromStdString(result.error()), false);
    if (result.ok() && eject && Eject)
        Eject();
}

} // namespace ui
