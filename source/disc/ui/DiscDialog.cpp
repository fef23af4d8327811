#include "disc/ui/DiscDialog.h"

#include "base/ProgramFolder.h"
#include "project/Language.h"
#include "ui_DiscDialog.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {

using project::Tr;

DiscDialog::DiscDialog(QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::DiscDialog>()) {
    Form->setupUi(this);
    setObjectName("Form7");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    Form->CheckBox1->setVisible(false);
    ApplyLanguage();
    PickFiles = [this] {
        return QFileDialog::getOpenFileNames(this, QString(), base::ProgramFolder(),
                                             "AVI (*.avi);;QVS (*.qvs);;All (*)");
    };
    ConfirmErase = [this] {
        const bool translated = project::AppLanguage().Has(911);
        const QString text = translated ? Tr(911, "")
                                        : QString::fromUtf8("Все данные на диске будут "
                                                            "уничтожены. Продолжить?");
        const QString caption = translated ? Tr(910, "") : QString::fromUtf8("Предупреждение");
        return QMessageBox::warning(this, caption, text, QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    };
    connect(Form->ComboBox1, &QComboBox::currentIndexChanged, this, &DiscDialog::recorderChanged);
    connect(Form->BitBtn1, &QPushButton::clicked, this, &DiscDialog::erase);
    connect(Form->BitBtn2, &QPushButton::clicked, this, &DiscDialog::write);
    connect(Form->BitBtn3, &QPushButton::clicked, this, &DiscDialog::cancel);
}

DiscDialog::~DiscDialog() = default;

void DiscDialog::ApplyLanguage() {
    setWindowTitle(Tr(900, "Записать диск"));
    Form->GroupBox1->setTitle(Tr(901, "Запись диска"));
    Form->Label1->setText(Tr(902, "Рекордер:"));
    Form->Label2->setText(Tr(903, "Метка диска:"));
    Form->CheckBox1->setText(Tr(904, "Финализировать диск"));
    Form->CheckBox2->setText(Tr(905, "Извлечь после записи"));
    Form->BitBtn1->setText(Tr(906, "Стереть"));
    Form->BitBtn2->setText(Tr(907, "Записать"));
    Form->BitBtn3->setText(Tr(908, "Отмена"));
}

void DiscDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyLanguage();
}

void DiscDialog::SetRecorders(const QStringList& entries) {
    const QSignalBlocker block(Form->ComboBox1);
    Form->ComboBox1->clear();
    Form->ComboBox1->addItems(entries);
    Form->ComboBox1->setCurrentIndex(entries.isEmpty() ? -1 : 0);
}

QString DiscDialog::Recorder() const {
    return Form->ComboBox1->currentText();
}

int DiscDialog::RecorderIndex() const {
    return Form->ComboBox1->currentIndex();
}

QString DiscDialog::Label() const {
    return Form->Edit1->text();
}

bool DiscDialog::EjectAfterWriting() const {
    return Form->CheckBox2->isChecked();
}

void DiscDialog::SetBusy(bool busy) {
    busy_ = busy;
    for (QWidget* w : {static_cast<QWidget*>(Form->ComboBox1), static_cast<QWidget*>(Form->Edit1),
                       static_cast<QWidget*>(Form->CheckBox2), static_cast<QWidget*>(Form->BitBtn1),
                       static_cast<QWidget*>(Form->BitBtn2), static_cast<QWidget*>(Form->BitBtn3)})
        w->setEnabled(!busy);
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void DiscDialog::SetWriteProgress(int sectors, int maxSectors, int cachePercent) {
    Form->ProgressBar1->setMaximum(std::max(maxSectors, 1));
    Form->ProgressBar1->setValue(std::clamp(sectors, 0, std::max(maxSectors, 1)));
    Form->ProgressBar2->setValue(std::clamp(cachePercent, 0, 100));
}

void DiscDialog::StepEraseAnimation() {
    QProgressBar* bar = Form->ProgressBar1;
    bar->setValue(bar->value() + 1 >= bar->maximum() ? 0 : bar->value() + 1);
}

void DiscDialog::ResetProgress() {
    Form->ProgressBar1->setValue(0);
    Form->ProgressBar2->setValue(0);
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

// Closes only when no write or erase runs: a running job cannot be left from here.
void DiscDialog::cancel() {
    if (!busy_)
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
