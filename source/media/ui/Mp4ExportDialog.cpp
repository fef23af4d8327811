#include "media/ui/Mp4ExportDialog.h"

#include "base/Language.h"
#include "ui_Mp4ExportDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

using base::TextKey;

namespace ui {

namespace {

// The size list's rows, top to bottom: the sizes of today's players first, then the AVI sizes.
constexpr std::array<int, 6> kSizeRows{media::kResolution720p,  media::kResolution1080p,
                                       media::kResolution1440p, media::kResolution2160p,
                                       media::kResolutionHigh,  media::kResolutionStandard};
constexpr std::array<media::VideoShape, 4> kShapeRows{
    media::VideoShape::Wide, media::VideoShape::Tall, media::VideoShape::Square,
    media::VideoShape::Classic};
constexpr std::array<int, 5> kFpsRows{24, 25, 30, 50, 60};

template <typename T, std::size_t N> int RowOf(const std::array<T, N>& rows, T value) {
    for (std::size_t i = 0; i < N; ++i)
        if (rows[i] == value)
            return static_cast<int>(i);
    return -1;
}

template <typename T, std::size_t N> T ValueAt(const std::array<T, N>& rows, int row, T fallback) {
    return row >= 0 && row < static_cast<int>(N) ? rows[static_cast<std::size_t>(row)] : fallback;
}

QString SizeText(int width, int height) {
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

} // namespace

Mp4ExportDialog::Mp4ExportDialog(int resolution, int quality, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::Mp4ExportDialog>()) {
    Form->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    Form->frameSizeCombo->insertItem(2, QString());
    Form->frameSizeCombo->insertItem(3, QString());

    // The presets above the detailed choices; shape, rate and codec below the size.
    presetGroup_ = new QGroupBox(this);
    PresetBox = new QComboBox(presetGroup_);
    PresetBox->setObjectName("PresetBox");
    PresetBox->addItem(QString());
    for (const media::Mp4Preset& p : media::Mp4Presets())
        PresetBox->addItem(QString::fromUtf8(p.Name.data(), static_cast<int>(p.Name.size())));
    auto* presetLayout = new QVBoxLayout(presetGroup_);
    presetLayout->addWidget(PresetBox);

    formatGroup_ = new QGroupBox(this);
    auto* form = new QFormLayout(formatGroup_);
    ShapeBox = new QComboBox(formatGroup_);
    ShapeBox->setObjectName("ShapeBox");
    for (media::VideoShape s : kShapeRows) {
        const auto text = media::ShapeText(s);
        ShapeBox->addItem(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
    }
    FpsBox = new QComboBox(formatGroup_);
    FpsBox->setObjectName("FpsBox");
    for (int fps : kFpsRows)
        FpsBox->addItem(QString::number(fps));
    CodecBox = new QComboBox(formatGroup_);
    CodecBox->setObjectName("CodecBox");
    CodecBox->addItem(QStringLiteral("H.264"));
    CodecBox->addItem(QStringLiteral("H.265 (HEVC)"));
    shapeLabel_ = new QLabel(formatGroup_);
    fpsLabel_ = new QLabel(formatGroup_);
    codecLabel_ = new QLabel(formatGroup_);
    form->addRow(shapeLabel_, ShapeBox);
    form->addRow(fpsLabel_, FpsBox);
    form->addRow(codecLabel_, CodecBox);

    noteBox_ = new QWidget(this);
    note_ = new QLabel(noteBox_);
    note_->setObjectName("SofterNote");
    note_->setWordWrap(true);
    usePhotoSize_ = new QPushButton(noteBox_);
    usePhotoSize_->setObjectName("RefitPhotosButton");
    auto* noteLayout = new QVBoxLayout(noteBox_);
    noteLayout->setContentsMargins(0, 0, 0, 0);
    noteLayout->addWidget(note_);
    noteLayout->addWidget(usePhotoSize_, 0, Qt::AlignLeft);
    noteBox_->hide();

    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(0, presetGroup_);
    layout->insertWidget(2, formatGroup_);
    layout->insertWidget(4, noteBox_);
    // Never smaller than its rows need; wide enough for the note to read as a paragraph.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    setMinimumWidth(kMinimumWidth);

    ApplyLanguage();
    const int sizeRow = RowOf(kSizeRows, resolution);
    Form->frameSizeCombo->setCurrentIndex(sizeRow < 0 ? 0 : sizeRow);
    Form->qualityCombo->setCurrentIndex(quality == media::kQualityBest ? 1 : 0);
    ShapeBox->setCurrentIndex(0);
    FpsBox->setCurrentIndex(RowOf(kFpsRows, 25));
    CodecBox->setCurrentIndex(0);
    ChoicesChanged();

    connect(PresetBox, &QComboBox::activated, this, [this](int row) {
        if (row > 0)
            ApplyPreset(static_cast<std::size_t>(row - 1));
    });
    for (QComboBox* box : {Form->frameSizeCombo, ShapeBox, FpsBox, CodecBox})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { ChoicesChanged(); });
    connect(usePhotoSize_, &QPushButton::clicked, this, [this] { done(kRefitPhotos); });
    connect(Form->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(Form->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

Mp4ExportDialog::~Mp4ExportDialog() = default;

int Mp4ExportDialog::Resolution() const {
    return ValueAt(kSizeRows, Form->frameSizeCombo->currentIndex(), media::kResolution720p);
}

int Mp4ExportDialog::Quality() const {
    return Form->qualityCombo->currentIndex() == 1 ? media::kQualityBest : media::kQualityGood;
}

media::VideoShape Mp4ExportDialog::Shape() const {
    return ValueAt(kShapeRows, ShapeBox->currentIndex(), media::VideoShape::Wide);
}

int Mp4ExportDialog::Fps() const {
    return ValueAt(kFpsRows, FpsBox->currentIndex(), 25);
}

media::Mp4Coding Mp4ExportDialog::Coding() const {
    return CodecBox->currentIndex() == 1 ? media::Mp4Coding::H265 : media::Mp4Coding::H264;
}

const media::Mp4Preset* Mp4ExportDialog::Preset() const {
    for (const media::Mp4Preset& p : media::Mp4Presets())
        if (p.Resolution == Resolution() && p.Shape == Shape() && p.Fps == Fps() &&
            p.Codec == Coding())
            return &p;
    return nullptr;
}

void Mp4ExportDialog::ApplyPreset(std::size_t index) {
    const auto presets = media::Mp4Presets();
    if (index >= presets.size())
        return;
    const media::Mp4Preset& p = presets[index];
    applying_ = true;
    Form->frameSizeCombo->setCurrentIndex(RowOf(kSizeRows, p.Resolution));
    ShapeBox->setCurrentIndex(RowOf(kShapeRows, p.Shape));
    FpsBox->setCurrentIndex(RowOf(kFpsRows, p.Fps));
    CodecBox->setCurrentIndex(p.Codec == media::Mp4Coding::H265 ? 1 : 0);
    applying_ = false;
    ChoicesChanged();
}

void Mp4ExportDialog::SelectChoices(int resolution, media::VideoShape shape, int fps,
                                    media::Mp4Coding codec, int quality) {
    applying_ = true;
    if (const int row = RowOf(kSizeRows, resolution); row >= 0)
        Form->frameSizeCombo->setCurrentIndex(row);
    if (const int row = RowOf(kShapeRows, shape); row >= 0)
        ShapeBox->setCurrentIndex(row);
    if (const int row = RowOf(kFpsRows, fps); row >= 0)
        FpsBox->setCurrentIndex(row);
    CodecBox->setCurrentIndex(codec == media::Mp4Coding::H265 ? 1 : 0);
    Form->qualityCombo->setCurrentIndex(quality == media::kQualityBest ? 1 : 0);
    applying_ = false;
    ChoicesChanged();
}

void Mp4ExportDialog::SetPhotoSize(int width, int height) {
    photoWidth_ = width;
    photoHeight_ = height;
    ChoicesChanged();
}

QString Mp4ExportDialog::SofterNote() const {
    return noteBox_->isHidden() ? QString() : note_->text();
}

QSize Mp4ExportDialog::NeededPhotoSize() const {
    const media::FrameSize video = media::ShapedFrameSize(Resolution(), Shape());
    return {std::max(photoWidth_, video.Width), std::max(photoHeight_, video.Height)};
}

void Mp4ExportDialog::OfferRefit(bool offered) {
    refitOffered_ = offered;
    ChoicesChanged();
}

void Mp4ExportDialog::NameFrameSizes() {
    // The player sizes in the chosen shape: 1080 x 1920 for an upright 1080p.
    const char* const names[4] = {"720p", "1080p", "1440p", "2160p, 4K"};
    const media::VideoShape shape = Shape();
    for (int row = 0; row < 4; ++row) {
        const media::FrameSize size =
            media::ShapedFrameSize(kSizeRows[static_cast<std::size_t>(row)], shape);
        Form->frameSizeCombo->setItemText(
            row, QStringLiteral("%1 (%2)").arg(SizeText(size.Width, size.Height),
                                               QLatin1String(names[row])));
    }
}

void Mp4ExportDialog::FitContents() {
    // A word-wrapped note needs its height at the dialog's width: the dialog grows to it.
    if (QLayout* l = layout()) {
        l->activate();
        const int width = std::max(this->width(), minimumWidth());
        const int needed =
            l->hasHeightForWidth() ? l->totalHeightForWidth(width) : l->totalMinimumSize().height();
        setMinimumHeight(std::max(needed, l->totalMinimumSize().height()));
        // It grows to hold the note and gives the room back when the note goes.
        if (height() < minimumHeight() || noteBox_->isVisible() != noteShown_)
            resize(width, minimumHeight());
        noteShown_ = noteBox_->isVisible();
    }
}

void Mp4ExportDialog::ChoicesChanged() {
    if (applying_)
        return;
    // The shapes are those of the player sizes; the AVI sizes keep their own.
    ShapeBox->setEnabled(media::ShortSideOf(Resolution()) > 0);
    // The preset list names the preset the choices make, or none.
    const media::Mp4Preset* preset = Preset();
    int row = 0;
    for (std::size_t i = 0; preset && i < media::Mp4Presets().size(); ++i)
        if (&media::Mp4Presets()[i] == preset)
            row = static_cast<int>(i) + 1;
    PresetBox->setCurrentIndex(row);
    NameFrameSizes();
    const media::FrameSize video = media::ShapedFrameSize(Resolution(), Shape());
    const bool softer = photoWidth_ > 0 && photoHeight_ > 0 &&
                        (video.Width > photoWidth_ || video.Height > photoHeight_);
    const auto& lang = base::AppLanguage();
    if (softer) {
        note_->setText(
            lang.FileText(TextKey::Mp4SofterNote,
                          "Видео (%1) больше фотографий показа (не больше %2), поэтому "
                          "оно будет выглядеть мягче.")
                .arg(SizeText(video.Width, video.Height), SizeText(photoWidth_, photoHeight_)));
        const QSize needed = NeededPhotoSize();
        usePhotoSize_->setText(
            lang.FileText(TextKey::Mp4RefitPhotos, "Перерисовать фото в размере %1")
                .arg(SizeText(needed.width(), needed.height())));
        usePhotoSize_->setToolTip(lang.FileText(
            TextKey::Mp4RefitPhotosHint,
            "Фото перерисовываются в этом размере по своим исходным файлам; для показа, "
            "сохранённого без них, программа спросит папку, где они лежат. Отмена в меню «Правка» "
            "возвращает прежнее."));
    }
    usePhotoSize_->setVisible(softer && refitOffered_);
    noteBox_->setVisible(softer);
    FitContents();
}

void Mp4ExportDialog::ApplyLanguage() {
    // Language files written before MP4 existed lack these keys: their texts stay built in.
    const auto& lang = base::AppLanguage();
    setWindowTitle(lang.FileText(TextKey::Mp4Title, "Запись MP4"));
    Form->frameSizeBox->setTitle(lang.FileText(TextKey::Mp4FrameSize, "Размер кадра"));
    NameFrameSizes();
    Form->frameSizeCombo->setItemText(4, lang.FileText(TextKey::Mp4SizeHigh, "Высокое"));
    Form->frameSizeCombo->setItemText(5, lang.FileText(TextKey::Mp4SizeStandard, "Стандартное"));
    Form->qualityBox->setTitle(lang.FileText(TextKey::Mp4Quality, "Качество"));
    Form->qualityCombo->setItemText(0, lang.FileText(TextKey::Mp4Good, "Хорошее"));
    Form->qualityCombo->setItemText(1, lang.FileText(TextKey::Mp4Best, "Наилучшее"));
    Form->okButton->setText(lang.FileText(TextKey::Mp4Ok, "OK"));
    Form->cancelButton->setText(lang.FileText(TextKey::Mp4Cancel, "Отмена"));
    presetGroup_->setTitle(lang.FileText(TextKey::Mp4Presets, "Готовые настройки"));
    PresetBox->setItemText(0, lang.FileText(TextKey::Mp4MyOwnChoices, "Свои настройки"));
    formatGroup_->setTitle(lang.FileText(TextKey::Mp4Format, "Формат"));
    shapeLabel_->setText(lang.FileText(TextKey::Mp4Shape, "Форма кадра"));
    fpsLabel_->setText(lang.FileText(TextKey::Mp4FramesPerSecond, "Кадров в секунду"));
    codecLabel_->setText(lang.FileText(TextKey::Mp4Codec, "Кодек"));
}

void Mp4ExportDialog::showEvent(QShowEvent* event) {
    ApplyLanguage(); // the choices stay
    ChoicesChanged();
    QDialog::showEvent(event);
}

} // namespace ui
