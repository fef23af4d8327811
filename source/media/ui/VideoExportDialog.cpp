#include "media/ui/VideoExportDialog.h"

#include "base/Language.h"
#include "media/video/CodecChoice.h"
#include "ui_VideoExportDialog.h"

#include <QPushButton>

using base::TextKey;

namespace ui {

VideoExportDialog::VideoExportDialog(const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::VideoExportDialog>()),
      offered_(media::OfferedCodecLines(lines)) {
    Form->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ApplyLanguage();
    for (const std::string& line : offered_)
        Form->codecCombo->addItem(QString::fromLocal8Bit(line.c_str()));
    Form->codecCombo->setCurrentIndex(offered_.empty() ? -1 : 0);
    Form->resolutionCombo->setCurrentIndex(media::kResolutionHigh);
    const auto proposal = media::ProposeCodec(offered_);
    if (proposal.Line >= 0) {
        Form->codecCombo->setCurrentIndex(proposal.Line);
        Form->resolutionCombo->setCurrentIndex(proposal.Resolution);
    }
    Form->okButton->setEnabled(HasCodec());
    connect(Form->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(Form->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

VideoExportDialog::~VideoExportDialog() = default;

QString VideoExportDialog::MissingCodecText() {
    return base::AppLanguage().Text(TextKey::ShowNotLoaded,
                                    "Для записи AVI необходимо установить DivX/XviD кодек!");
}

std::string VideoExportDialog::CodecLine() const {
    const int i = Form->codecCombo->currentIndex();
    return i >= 0 && i < static_cast<int>(offered_.size()) ? offered_[static_cast<std::size_t>(i)]
                                                           : std::string();
}

int VideoExportDialog::Resolution() const {
    return Form->resolutionCombo->currentIndex() == media::kResolutionStandard
               ? media::kResolutionStandard
               : media::kResolutionHigh;
}

void VideoExportDialog::SelectCodec(const std::string& code, int resolution) {
    const QString wanted = QString::fromStdString(code);
    for (std::size_t i = 0; !code.empty() && i < offered_.size(); ++i)
        if (QString::fromStdString(media::CodecCodeOfLine(offered_[i]))
                .compare(wanted, Qt::CaseInsensitive) == 0) {
            Form->codecCombo->setCurrentIndex(static_cast<int>(i));
            Form->resolutionCombo->setCurrentIndex(resolution == media::kResolutionStandard
                                                       ? media::kResolutionStandard
                                                       : media::kResolutionHigh);
            return;
        }
}

void VideoExportDialog::ApplyLanguage() {
    const auto& lang = base::AppLanguage();
    setWindowTitle(lang.Text(TextKey::AviTitle, "Запись AVI"));
    Form->codecBox->setTitle(lang.Text(TextKey::AviCodec, "Кодек"));
    Form->resolutionBox->setTitle(lang.Text(TextKey::AviResolution, "Разрешение"));
    Form->resolutionCombo->setItemText(0, lang.Text(TextKey::AviHigh, "Высокое"));
    Form->resolutionCombo->setItemText(1, lang.Text(TextKey::AviStandard, "Стандартное"));
    Form->okButton->setText(lang.Text(TextKey::AviOk, "OK"));
    Form->cancelButton->setText(lang.Text(TextKey::AviCancel, "Отмена"));
}

void VideoExportDialog::showEvent(QShowEvent* event) {
    ApplyLanguage(); // the selected resolution stays
    QDialog::showEvent(event);
}

} // namespace ui
