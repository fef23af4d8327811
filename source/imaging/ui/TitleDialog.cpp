#include "imaging/ui/TitleDialog.h"

#include "base/ui/LanguageTexts.h"
#include "imaging/TextLayer.h"
#include "imaging/TextMotion.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace ui {

using base::TextKey;

namespace {

constexpr int kPreviewWidth = 384;
constexpr int kFrameMs = 40;

QColor TitleColorOf(std::int32_t value) {
    const auto c = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

std::int32_t TitleColorValue(const QColor& c) {
    return static_cast<std::int32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

void PaintSwatch(QPushButton* button, std::int32_t color) {
    QPixmap swatch(16, 16);
    swatch.fill(TitleColorOf(color));
    button->setIcon(QIcon(swatch));
}

} // namespace

TitleDialog::TitleDialog(const imaging::TitleSettings& title, double seconds,
                         const imaging::Bitmap* next, QSize frame, QWidget* parent)
    : QDialog(parent), title_(title), next_(next),
      frame_(frame.isValid() && !frame.isEmpty() ? frame : QSize(1920, 1080)) {
    setObjectName(QStringLiteral("TitleDialog"));
    setWindowTitle(QStringLiteral("Title"));
    PickColor = [this](const QColor& initial) { return QColorDialog::getColor(initial, this); };

    TitleEdit = new QPlainTextEdit(QString::fromStdString(title_.Title), this);
    TitleEdit->setObjectName(QStringLiteral("titleEdit"));
    TitleEdit->setTabChangesFocus(true);
    TitleEdit->setPlaceholderText(QStringLiteral("Type the title here"));
    TitleEdit->setFixedHeight(TitleEdit->fontMetrics().lineSpacing() * 3 + 12);
    SubtitleEdit = new QLineEdit(QString::fromStdString(title_.Subtitle), this);
    SubtitleEdit->setObjectName(QStringLiteral("subtitleEdit"));
    BackdropBox = new QComboBox(this);
    BackdropBox->setObjectName(QStringLiteral("backdropBox"));
    BackdropBox->addItems({"Colour", "Gradient", "Next photo, blurred"});
    BackdropBox->setCurrentIndex(static_cast<int>(title_.Backdrop));
    Color1Button = new QPushButton(QStringLiteral("Colour 1..."), this);
    Color1Button->setObjectName(QStringLiteral("color1Button"));
    Color2Button = new QPushButton(QStringLiteral("Colour 2..."), this);
    Color2Button->setObjectName(QStringLiteral("color2Button"));
    TextColorButton = new QPushButton(QStringLiteral("Text colour..."), this);
    TextColorButton->setObjectName(QStringLiteral("textColorButton"));
    MotionBox = new QComboBox(this);
    MotionBox->setObjectName(QStringLiteral("motionBox"));
    MotionBox->addItems({"None", "Fade in and out", "Rise", "Typewriter", "Slow zoom"});
    MotionBox->setCurrentIndex(static_cast<int>(title_.Motion));
    SecondsBox = new QDoubleSpinBox(this);
    SecondsBox->setObjectName(QStringLiteral("secondsBox"));
    SecondsBox->setRange(0.1, 3600.0);
    SecondsBox->setDecimals(1);
    SecondsBox->setSingleStep(0.5);
    SecondsBox->setValue(std::clamp(seconds, 0.1, 3600.0));
    givenSeconds_ = seconds;
    shownSeconds_ = SecondsBox->value();
    Preview = new QLabel(this);
    Preview->setObjectName(QStringLiteral("titlePreview"));
    const int previewHeight = std::max(
        1, static_cast<int>(std::lround(double(kPreviewWidth) * frame_.height() / frame_.width())));
    Preview->setFixedSize(kPreviewWidth, std::min(previewHeight, kPreviewWidth * 2));

    auto* colors = new QHBoxLayout;
    colors->addWidget(Color1Button);
    colors->addWidget(Color2Button);
    colors->addWidget(TextColorButton);
    auto* form = new QFormLayout;
    form->addRow(new QLabel(QStringLiteral("Title:"), this), TitleEdit);
    form->addRow(new QLabel(QStringLiteral("Subtitle:"), this), SubtitleEdit);
    form->addRow(new QLabel(QStringLiteral("Backdrop:"), this), BackdropBox);
    form->addRow(QString(), colors);
    form->addRow(new QLabel(QStringLiteral("Motion:"), this), MotionBox);
    form->addRow(new QLabel(QStringLiteral("Seconds:"), this), SecondsBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OkButton = buttons->button(QDialogButtonBox::Ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Preview, 0, Qt::AlignHCenter);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ApplyTexts();
    // Every change shows at once in the preview, which plays the card over its time in a loop.
    connect(TitleEdit, &QPlainTextEdit::textChanged, this, [this] { TakeValues(); });
    connect(SubtitleEdit, &QLineEdit::textChanged, this, [this] { TakeValues(); });
    connect(BackdropBox, &QComboBox::currentIndexChanged, this, [this] { TakeValues(); });
    connect(MotionBox, &QComboBox::currentIndexChanged, this, [this] { TakeValues(); });
    connect(SecondsBox, &QDoubleSpinBox::valueChanged, this, [this] { clock_.restart(); });
    connect(Color1Button, &QPushButton::clicked, this, [this] { Pick(title_.Color1); });
    connect(Color2Button, &QPushButton::clicked, this, [this] { Pick(title_.Color2); });
    connect(TextColorButton, &QPushButton::clicked, this, [this] { Pick(title_.TextColor); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&timer_, &QTimer::timeout, this, [this] { ShowFrame(); });
    TakeValues();
    clock_.start();
    timer_.start(kFrameMs);
}

void TitleDialog::ApplyTexts() {
    const auto labelOf = [this](QWidget* field) {
        auto* form = findChild<QFormLayout*>();
        return form ? qobject_cast<QLabel*>(form->labelForField(field)) : nullptr;
    };
    ApplyLanguageTexts({
        {TextKey::TitleDialogCaption, this},
        {TextKey::TitleText, labelOf(TitleEdit)},
        {TextKey::TitleSubtitle, labelOf(SubtitleEdit)},
        {TextKey::TitleBackdrop, labelOf(BackdropBox)},
        {TextKey::TitleBackdropColor, [this](const QString& t) { BackdropBox->setItemText(0, t); }},
        {TextKey::TitleBackdropGradient,
         [this](const QString& t) { BackdropBox->setItemText(1, t); }},
        {TextKey::TitleBackdropBlur, [this](const QString& t) { BackdropBox->setItemText(2, t); }},
        {TextKey::TitleColor1, Color1Button},
        {TextKey::TitleColor2, Color2Button},
        {TextKey::TitleTextColor, TextColorButton},
        {TextKey::TextMotionLabel, labelOf(MotionBox)},
        {TextKey::TextMotionNone, [this](const QString& t) { MotionBox->setItemText(0, t); }},
        {TextKey::TextMotionFade, [this](const QString& t) { MotionBox->setItemText(1, t); }},
        {TextKey::TextMotionRise, [this](const QString& t) { MotionBox->setItemText(2, t); }},
        {TextKey::TextMotionTypewriter, [this](const QString& t) { MotionBox->setItemText(3, t); }},
        {TextKey::TextMotionZoom, [this](const QString& t) { MotionBox->setItemText(4, t); }},
        {TextKey::TitleSeconds, labelOf(SecondsBox)},
        {TextKey::TitlePlaceholder, [this](const QString& t) { TitleEdit->setPlaceholderText(t); }},
    });
}

double TitleDialog::Seconds() const {
    // The box shows tenths: a length it was given to the millisecond (a cut on the beat) is
    // handed back as it was unless the user changed it.
    return SecondsBox->value() == shownSeconds_ ? givenSeconds_ : SecondsBox->value();
}

void TitleDialog::TakeValues() {
    title_.Title = TitleEdit->toPlainText().toStdString();
    title_.Subtitle = SubtitleEdit->text().toStdString();
    title_.Backdrop =
        static_cast<imaging::TitleBackdrop>(std::clamp(BackdropBox->currentIndex(), 0, 2));
    title_.Motion = static_cast<imaging::TextMotion>(
        std::clamp(MotionBox->currentIndex(), 0, imaging::kTextMotionCount - 1));
    Color2Button->setEnabled(title_.Backdrop == imaging::TitleBackdrop::Gradient);
    Color1Button->setEnabled(title_.Backdrop != imaging::TitleBackdrop::Blur);
    PaintSwatch(Color1Button, title_.Color1);
    PaintSwatch(Color2Button, title_.Color2);
    PaintSwatch(TextColorButton, title_.TextColor);
    OkButton->setEnabled(!TitleEdit->toPlainText().trimmed().isEmpty());
    const QSize size = Preview->size();
    backdrop_ = imaging::Bitmap::CreateSized(size.width(), size.height());
    imaging::DrawTitleBackdrop(backdrop_, title_, next_);
    block_ = imaging::TitleText(title_, size.width(), size.height());
    letters_ = imaging::CountLetters(block_);
    layerLetters_ = -2;
    clock_.restart();
    ShowFrame();
}

void TitleDialog::Pick(std::int32_t& color) {
    const QColor chosen = PickColor(TitleColorOf(color));
    if (!chosen.isValid())
        return;
    color = TitleColorValue(chosen);
    TakeValues();
}

QImage TitleDialog::PreviewAt(double u) {
    if (backdrop_.IsEmpty())
        return {};
    imaging::Bitmap frame = backdrop_;
    const imaging::TextMotionState state =
        imaging::TextMotionAt(title_.Motion, u, SecondsBox->value(), letters_);
    if (state.Letters != layerLetters_) {
        layer_ = imaging::RenderTextLayer(block_, state.Letters);
        layerLetters_ = state.Letters;
    }
    imaging::DrawTextLayer(frame, layer_, imaging::TitlePlace(layer_, frame.Width, frame.Height),
                           state);
    return frame.CopyToImage();
}

void TitleDialog::ShowFrame() {
    // The card's time, then half a second of its last frame, and again.
    const double seconds = SecondsBox->value();
    const double loop = seconds + 0.5;
    const double t = std::fmod(static_cast<double>(clock_.elapsed()) / 1000.0, loop);
    Preview->setPixmap(
        QPixmap::fromImage(PreviewAt(seconds > 0 ? std::min(t / seconds, 1.0) : 1.0)));
}

void TitleDialog::done(int result) {
    timer_.stop();
    TakeValues();
    QDialog::done(result);
}

} // namespace ui
