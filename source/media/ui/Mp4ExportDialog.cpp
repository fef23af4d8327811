#include "media/ui/Mp4ExportDialog.h"

#include "project/Language.h"
#include "ui_Mp4ExportDialog.h"

#include <QPushButton>

#include <array>

namespace ui {

namespace {

// The size list's rows, top to bottom: the sizes of today's players first, then the AVI sizes.
constexpr std::array<int, 4> kSizeRows{media::kResolution720p, media::kResolution1080p,
                                       media::kResolutionHigh, media::kResolutionStandard};

int SizeRow(int resolution) {
    for (std::size_t i = 0; i < kSizeRows.size(); ++i)
        if (kSizeRows[i] == resolution)
            return static_cast<int>(i);
    return 0;
}

} // namespace

Mp4ExportDialog::Mp4ExportDialog(int resolution, int quality, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::Mp4ExportDialog>()) {
    Form->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ApplyLanguage();
    Form->ComboBox1->setCurrentIndex(SizeRow(resolution));
    Form->ComboBox2->setCurrentIndex(quality == media::kQualityBest ? 1 : 0);
    connect(Form->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Form->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

Mp4ExportDialog::~Mp4ExportDialog() = default;

int Mp4ExportDialog::Resolution() const {
    const int row = Form->ComboBox1->currentIndex();
    return row >= 0 && row < static_cast<int>(kSizeRows.size())
               ? kSizeRows[static_cast<std::size_t>(row)]
               : media::kResolution720p;
}

int Mp4ExportDialog::Quality() const {
    return Form->ComboBox2->currentIndex() == 1 ? media::kQualityBest : media::kQualityGood;
}

void Mp4ExportDialog::ApplyLanguage() {
    // Language files written before MP4 existed lack these keys: their texts stay built in.
    const auto& lang = project::AppLanguage();
    setWindowTitle(lang.FileText(968, "Запись MP4"));
    Form->GroupBox1->setTitle(lang.FileText(969, "Размер кадра"));
    Form->ComboBox1->setItemText(0, lang.FileText(970, "1280 x 720 (720p)"));
    Form->ComboBox1->setItemText(1, lang.FileText(971, "1920 x 1080 (1080p)"));
    Form->ComboBox1->setItemText(2, lang.FileText(972, "Высокое"));
    Form->ComboBox1->setItemText(3, lang.FileText(973, "Стандартное"));
    Form->GroupBox2->setTitle(lang.FileText(974, "Качество"));
    Form->ComboBox2->setItemText(0, lang.FileText(975, "Хорошее"));
    Form->ComboBox2->setItemText(1, lang.FileText(976, "Наилучшее"));
    Form->BitBtn1->setText(lang.FileText(977, "OK"));
    Form->BitBtn2->setText(lang.FileText(978, "Отмена"));
}

void Mp4ExportDialog::showEvent(QShowEvent* event) {
    ApplyLanguage(); // the choices stay
    QDialog::showEvent(event);
}

} // namespace ui
