#include "disc/ui/DiscDialog.h"

#include "base/Language.h"
#include "base/ThreadPool.h"
#include "disc/mmc/DiscSummary.h"
#include "disc/scsi/ScsiDevice.h"
#include "ui_DiscDialog.h"

#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {

constexpr int kPollMs = 2000;

// Texts added after the first language files: the loaded file's when it holds them.
QString Text(TextKey key, const char* builtin) {
    return base::AppLanguage().FileText(key, builtin);
}

QString Size(std::uint64_t bytes) {
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1,
                                       QLocale::DataSizeTraditionalFormat);
}

// The folder the file picker last listed, for the next time in this run.
QString& LastPickerFolder() {
    static QString folder;
    return folder;
}

// What went wrong, in words for someone who does not know recorders.
QString Reason(const QString& words) {
    const auto has = [&words](const char* part) {
        return words.contains(QLatin1String(part), Qt::CaseInsensitive);
    };
    if (has("OPERATION ABORTED BY USER"))
        return Text(TextKey::DiscReasonCancelled, "это было отменено");
    if (has("recorder busy"))
        return Text(TextKey::DiscReasonBusy, "рекордер занят другим заданием");
    if (has("NO DISC IN THE DRIVE") || has("MEDIUM NOT PRESENT"))
        return Text(TextKey::DiscReasonNoDisc, "в рекордере нет диска");
    if (has("THE DISC IS CLOSED"))
        return Text(TextKey::DiscReasonClosed, "диск закрыт и не принимает новых сессий");
    if (has("NOT ENOUGH SPACE"))
        return Text(TextKey::DiscReasonNoSpace, "файлы не помещаются на диск");
    if (has("VERIFY FAILED"))
        return Text(TextKey::DiscReasonVerify, "прочитанное с диска отличается от файлов");
    if (has("CAN'T OPEN FILE") || has("CHANGED SIZE"))
        return Text(TextKey::DiscReasonSourceUnreadable, "файл для записи не удалось прочитать");
    if (has("CAN'T READ THE SESSION"))
        return Text(TextKey::DiscReasonImportUnreadable,
                    "файлы, уже записанные на диск, не удалось прочитать");
    if (has("UNFINISHED SESSION"))
        return Text(TextKey::DiscReasonInterrupted, "прерванную ранее запись не удалось завершить");
    if (has("NOT REWRITABLE"))
        return Text(TextKey::DiscReasonNotRewritable, "диск не перезаписываемый");
    if (has("NO FILES TO WRITE"))
        return Text(TextKey::DiscReasonNothingNew, "нечего записывать");
    if (has("WRITER ERROR") || has("FAILED"))
        return Text(TextKey::DiscReasonError, "рекордер сообщил об ошибке");
    return Text(TextKey::DiscReasonProblem, "рекордер сообщил о проблеме");
}

} // namespace

DiscDialog::DiscDialog(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::DiscDialog>()) {
    Form->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    Form->finaliseCheck->setVisible(false);
    Form->writeButton->setDefault(true);
    ApplyLanguage();
    resize(std::max(width(), sizeHint().width()), sizeHint().height());
    PickFiles = [this] {
        const QStringList files = QFileDialog::getOpenFileNames(
            this, Text(TextKey::DiscChooseFiles, "Файлы для записи на диск"),
            QFileInfo(suggested_).isFile() ? suggested_ : PickerFolder(), PickerFilters());
        RememberPicked(files);
        return files;
    };
    ConfirmErase = [this] {
        const bool translated = base::AppLanguage().Has(TextKey::DiscAskErase);
        const QString text = translated ? Tr(TextKey::DiscAskErase, "")
                                        : QString::fromUtf8("Все данные на диске будут "
                                                            "уничтожены. Продолжить?");
        const QString caption =
            translated ? Tr(TextKey::DiscWarning, "") : QString::fromUtf8("Предупреждение");
        return QMessageBox::warning(this, caption, text, QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    };
    ShowError = [this](const QString& text) { QMessageBox::critical(this, windowTitle(), text); };
    pollTimer_ = new QTimer(this);
    pollTimer_->setObjectName("DiscPollTimer");
    pollTimer_->setInterval(kPollMs);
    connect(pollTimer_, &QTimer::timeout, this, &DiscDialog::Poll);
    connect(Form->recorderCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        WaitForLook(); // the owner selects the recorder on the device a look may be using
        Q_EMIT recorderChanged(index);
        // After the owner selected the recorder.
        QTimer::singleShot(0, this, &DiscDialog::RefreshFacts);
    });
    connect(Form->eraseButton, &QPushButton::clicked, this, &DiscDialog::erase);
    connect(Form->writeButton, &QPushButton::clicked, this, &DiscDialog::write);
    connect(Form->cancelButton, &QPushButton::clicked, this, &DiscDialog::cancel);
}

DiscDialog::~DiscDialog() {
    WaitForLook(); // the look uses this dialog's device; what it posts back is dropped
}

void DiscDialog::ApplyLanguage() {
    setWindowTitle(Tr(TextKey::DiscTitle, "Записать диск"));
    Form->discBox->setTitle(Tr(TextKey::DiscGroup, "Запись диска"));
    Form->recorderLabel->setText(Tr(TextKey::DiscRecorder, "Рекордер:"));
    Form->discNameLabel->setText(Tr(TextKey::DiscLabel, "Метка диска:"));
    Form->finaliseCheck->setText(Tr(TextKey::DiscFinalise, "Финализировать диск"));
    Form->ejectCheck->setText(Tr(TextKey::DiscEject, "Извлечь после записи"));
    Form->eraseButton->setText(Tr(TextKey::DiscErase, "Стереть"));
    Form->writeButton->setText(Tr(TextKey::DiscBurn, "Записать"));
    Form->cancelButton->setText(Tr(TextKey::DiscCancel, "Отмена"));
    Form->writeLabel->setText(Text(TextKey::DiscWriting, "Запись"));
    Form->bufferLabel->setText(Text(TextKey::DiscDriveBuffer, "Буфер привода"));
}

void DiscDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyLanguage();
}

void DiscDialog::SetRecorders(const QStringList& entries) {
    const QSignalBlocker block(Form->recorderCombo);
    Form->recorderCombo->clear();
    Form->recorderCombo->addItems(entries);
    Form->recorderCombo->setCurrentIndex(entries.isEmpty() ? -1 : 0);
}

QString DiscDialog::Recorder() const {
    return Form->recorderCombo->currentText();
}

int DiscDialog::RecorderIndex() const {
    return Form->recorderCombo->currentIndex();
}

QString DiscDialog::Label() const {
    return Form->discNameEdit->text();
}

bool DiscDialog::EjectAfterWriting() const {
    return Form->ejectCheck->isChecked();
}

void DiscDialog::WatchRecorder(disc::ScsiDevice* device) {
    WaitForLook();
    device_ = device;
    RefreshFacts();
    if (device_)
        pollTimer_->start();
    else
        pollTimer_->stop();
}

QString DiscDialog::FactsText(const disc::DiscSummary& s) {
    using State = disc::DiscSummary::State;
    if (s.state == State::NoDisc)
        return Text(TextKey::DiscNoDisc, "Нет диска");
    if (s.state == State::NotReady)
        return Text(TextKey::DiscDriveNotReady, "Привод не готов");
    QStringList parts{QString::fromStdString(s.kind)};
    switch (s.state) {
    case State::Blank:
        parts << Text(TextKey::DiscBlank, "Чистый диск")
              << Text(TextKey::DiscFree, "свободно %1").arg(Size(s.freeBytes));
        break;
    case State::Closed:
        parts << Text(TextKey::DiscClosed, "Диск закрыт")
              << Text(TextKey::DiscUsed, "занято %1").arg(Size(s.usedBytes));
        break;
    default:
        parts << Text(TextKey::DiscUsedFree, "занято %1, свободно %2")
                     .arg(Size(s.usedBytes), Size(s.freeBytes));
        break;
    }
    if (s.state == State::Appendable || s.state == State::Closed ||
        (s.state == State::Overwritable && s.sessions > 0))
        parts << (s.sessions == 1 ? Text(TextKey::DiscOneSession, "1 сессия")
                                  : Text(TextKey::DiscSessions, "сессий: %1").arg(s.sessions));
    return parts.join(QStringLiteral(" \u00B7 "));
}

QString DiscDialog::Facts() const {
    return Form->discFactsLabel->text();
}

void DiscDialog::RefreshFacts() {
    if (busy_)
        return;
    // An image file is neither ejected nor erased: those are a recorder's.
    const bool recorder = device_ != nullptr && device_->Selected();
    Form->ejectCheck->setEnabled(recorder);
    Form->eraseButton->setEnabled(recorder);
    if (!recorder) {
        lastPresence_ = -1;
        Form->discFactsLabel->setText(
            device_ == nullptr
                ? QString()
                : Text(TextKey::DiscToImageFile, "Файлы будут записаны в файл образа ISO"));
        return;
    }
    Look(true);
}

// A look at the drive while nothing runs: the facts are read again when a disc went in or out.
void DiscDialog::Poll() {
    if (busy_ || device_ == nullptr || !device_->Selected())
        return;
    Look(false);
}

void DiscDialog::Look(bool summarize) {
    // The drive answers on a worker: a slow or stuck drive never holds up the window. One look
    // at a time; a look asked for meanwhile is the next timer's.
    if (look_.valid() && look_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    disc::ScsiDevice* device = device_;
    const int before = lastPresence_;
    look_ = base::ThreadPool::Shared().Spawn([this, device, before, summarize] {
        bool read = summarize;
        int presence = before;
        if (!summarize) {
            const disc::MediumEvent event = disc::PollMedium(*device);
            if (event == disc::MediumEvent::Absent)
                presence = 0;
            else if (event == disc::MediumEvent::Present || event == disc::MediumEvent::Changed)
                presence = 1;
            read = event == disc::MediumEvent::Changed || presence != before;
        }
        if (!read)
            return;
        const disc::DiscSummary summary = disc::SummarizeDisc(*device);
        // Shown on the window's thread; dropped with the dialog if it is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, device, summary] {
                if (busy_ || device != device_)
                    return; // a job or another recorder since: its own look follows
                lastPresence_ = summary.state == disc::DiscSummary::State::NoDisc ? 0 : 1;
                Form->discFactsLabel->setText(FactsText(summary));
            },
            Qt::QueuedConnection);
    });
}

void DiscDialog::WaitForLook() {
    if (look_.valid())
        look_.wait();
}

void DiscDialog::SetBusy(bool busy) {
    if (busy)
        WaitForLook(); // the job has the drive to itself
    busy_ = busy;
    for (QWidget* w :
         {static_cast<QWidget*>(Form->recorderCombo), static_cast<QWidget*>(Form->discNameEdit),
          static_cast<QWidget*>(Form->ejectCheck), static_cast<QWidget*>(Form->eraseButton),
          static_cast<QWidget*>(Form->writeButton)})
        w->setEnabled(!busy);
    Form->cancelButton->setEnabled(true);
    if (busy) {
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
        RefreshFacts();
    }
}

void DiscDialog::SetWriteProgress(int sectors, int maxSectors, int cachePercent) {
    Form->writeProgress->setMaximum(std::max(maxSectors, 1));
    Form->writeProgress->setValue(std::clamp(sectors, 0, std::max(maxSectors, 1)));
    Form->bufferProgress->setValue(std::clamp(cachePercent, 0, 100));
}

void DiscDialog::StepEraseAnimation() {
    QProgressBar* bar = Form->writeProgress;
    bar->setValue(bar->value() + 1 >= bar->maximum() ? 0 : bar->value() + 1);
}

void DiscDialog::ResetProgress() {
    Form->writeProgress->setMaximum(100);
    Form->writeProgress->setValue(0);
    Form->bufferProgress->setValue(0);
}

QString DiscDialog::FailureSentence(const QString& driveWords, bool writing) {
    const QString sentence = writing
                                 ? Text(TextKey::DiscWriteFailed, "Не удалось записать диск: %1")
                                 : Text(TextKey::DiscEraseFailed, "Не удалось стереть диск: %1");
    return sentence.arg(Reason(driveWords)) + QLatin1Char('.');
}

void DiscDialog::ShowFailure(const QString& driveWords, bool writing) {
    if (ShowError)
        ShowError(FailureSentence(driveWords, writing) + QStringLiteral("\n\n") + driveWords);
}

QString DiscDialog::PickerFolder() {
    if (!LastPickerFolder().isEmpty() && QFileInfo(LastPickerFolder()).isDir())
        return LastPickerFolder();
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!videos.isEmpty() && QFileInfo(videos).isDir())
        return videos;
    return QDir::homePath();
}

void DiscDialog::RememberPicked(const QStringList& files) {
    if (!files.isEmpty())
        LastPickerFolder() = QFileInfo(files.first()).absolutePath();
}

QString DiscDialog::PickerFilters() {
    return QStringLiteral("%1 (*.mp4 *.avi *.qvs);;MP4 (*.mp4);;AVI (*.avi);;QVS (*.qvs);;%2 (*)")
        .arg(Text(TextKey::DiscFilterVideos, "Видео и шоу"),
             Text(TextKey::DiscFilterAll, "Все файлы"));
}

void DiscDialog::erase() {
    if (!busy_)
        Q_EMIT eraseRequested();
}

void DiscDialog::write() {
    if (busy_ || !PickFiles)
        return;
    const QStringList files = PickFiles();
    if (files.isEmpty())
        return;
    Q_EMIT writeRequested(files);
}

// Stops a running job, else closes the dialog.
void DiscDialog::cancel() {
    if (busy_)
        Q_EMIT cancelRequested();
    else
        accept();
}

void DiscDialog::reject() {
    if (!busy_)
        QDialog::reject();
}

void DiscDialog::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace ui
