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
        Form->ComboBox1->addItem(QString::fromLocal8Bit(line.c_str()));
    Form->ComboBox1->setCurrentIndex(offered_.empty() ? -1 : 0);
    Form->ComboBox2->setCurrentIndex(media::kResolutionHigh);
    const auto proposal = media::ProposeCodec(offered_);
    if (proposal.Line >= 0) {
        Form->ComboBox1->setCurrentIndex(proposal.Line);
        Form->ComboBox2->setCurrentIndex(proposal.Resolution);
    }
    Form->BitBtn1->setEnabled(HasCodec());
    connect(Form->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Form->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

VideoExportDialog::~VideoExportDialog() = default;

QString VideoExportDialog::MissingCodecText() {
    return base::AppLanguage().Text(TextKey::ShowNotLoaded,
                                    "Для записи AVI необходимо установить DivX/XviD кодек!");
}

std::string VideoExportDialog::CodecLine() const {
    const int i = Form->ComboBox1->currentIndex();
    return i >= 0 && i < static_cast<int>(offered_.size()) ? offered_[static_cast<std::size_t>(i)]
                                                           : std::string();
}

int VideoExportDialog::Resolution() const {
    return Form->ComboBox2->currentIndex() == media::kResolutionStandard
               ? media::kResolutionStandard
               : media::kResolutionHigh;
}

void VideoExportDialog::SelectCodec(const std::string& code, int resolution) {
    const QString wanted = QString::fromStdString(code);
    for (std::size_t i = 0; !code.empty() && i < offered_.size(); ++i)
        if (QString::fromStdString(media::CodecCodeOfLine(offered_[i]))
                .compare(wanted, Qt::CaseInsensitive) == 0) {
            Form->ComboBox1->setCurrentIndex(static_cast<int>(i));
            Form->ComboBox2->setCurrentIndex(resolution == media::kResolutionStandard
                                                 ? media::kResolutionStandard
                                                 : media::kResolutionHigh);
            return;
        }
}

void VideoExportDialog::ApplyLanguage() {
    const auto& lang = base::AppLanguage();
    setWindowTitle(lang.Text(TextKey::AviTitle, "Запись AVI"));
    Form->GroupBox1->setTitle(lang.Text(TextKey::AviCodec, "Кодек"));
    Form->GroupBox2->setTitle(lang.Text(TextKey::AviResolution, "Разрешение"));
    Form->ComboBox2->setItemText(0, lang.Text(TextKey::AviHigh, "Высокое"));
    Form->ComboBox2->setItemText(1, lang.Text(TextKey::AviStandard, "Стандартное"));
    Form->BitBtn1->setText(lang.Text(TextKey::AviOk, "OK"));
    Form->BitBtn2->setText(lang.Text(TextKey::AviCancel, "Отмена"));
}

void VideoExportDialog::showEvent(QShowEvent* event) {
    ApplyLanguage(); // the selected resolution stays
    QDialog::showEvent(event);
}

} // namespace ui
