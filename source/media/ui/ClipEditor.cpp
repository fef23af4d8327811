#include "media/ui/ClipEditor.h"

#include "base/Language.h"
#include "media/ui/ClipFilmstrip.h"
#include "media/video/ClipPictureSource.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

using base::TextKey;
using base::Tr;

namespace ui {

namespace clip_editor {

// The preview's pictures are decoded no larger than this; the label scales them to its size.
constexpr int kPlayWidth = 480;
constexpr int kPlayHeight = 360;
// Moving the end shows the last moments before it.
constexpr std::int64_t kEndLeadMs = 1500;

// A time on the trim, to its tenth: "0:03.5", "12:40.0", "1:02:03.4".
QString Time(std::int64_t ms) {
    const std::int64_t tenths = (std::max<std::int64_t>(ms, 0) + 50) / 100;
    const std::int64_t seconds = tenths / 10;
    const QString minutes =
        seconds >= 3600
            ? QStringLiteral("%1:%2").arg(seconds / 3600).arg(seconds / 60 % 60, 2, 10, QChar('0'))
            : QString::number(seconds / 60);
    return QStringLiteral("%1:%2.%3")
        .arg(minutes)
        .arg(seconds % 60, 2, 10, QChar('0'))
        .arg(tenths % 10);
}

QSlider* TrimSlider(QWidget* parent, std::int64_t lengthMs, const char* name) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setRange(0, static_cast<int>(lengthMs));
    slider->setSingleStep(100);
    slider->setPageStep(1000);
    return slider;
}

} // namespace clip_editor

ClipEditor::ClipEditor(const project::ClipSettings& clip, QWidget* parent)
    : QWidget(parent), clip_(clip) {
    setObjectName("ClipEditor");
    strip_ = new ClipFilmstrip(clip_.File, clip_.LengthMs, this);
    strip_->setObjectName("clipFilmstrip");
    startSlider_ = clip_editor::TrimSlider(this, clip_.LengthMs, "clipStartSlider");
    endSlider_ = clip_editor::TrimSlider(this, clip_.LengthMs, "clipEndSlider");
    startTime_ = new QLabel(this);
    endTime_ = new QLabel(this);
    for (QLabel* time : {startTime_, endTime_}) {
        time->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00:00.0")) + 4);
        time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    playsFor_ = new QLabel(this);
    playsFor_->setObjectName("clipPlaysFor");
    sound_ = new QComboBox(this);
    sound_->setObjectName("clipSoundBox");
    sound_->addItems(
        {Tr(TextKey::ClipOwnSound, "Звук клипа"), Tr(TextKey::ClipMuted, "Без звука")});
    volume_ = new QSpinBox(this);
    volume_->setObjectName("clipVolumeSpin");
    volume_->setRange(0, project::kMaxClipVolume);
    volume_->setSingleStep(10);
    volume_->setSuffix(QStringLiteral(" %"));

    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(Tr(TextKey::ClipStart, "Начало:"), this), 0, 0);
    grid->addWidget(startSlider_, 0, 1);
    grid->addWidget(startTime_, 0, 2);
    grid->addWidget(new QLabel(Tr(TextKey::ClipEnd, "Конец:"), this), 1, 0);
    grid->addWidget(endSlider_, 1, 1);
    grid->addWidget(endTime_, 1, 2);
    grid->addWidget(playsFor_, 2, 0, 1, 3);
    grid->addWidget(new QLabel(Tr(TextKey::ClipSound, "Звук:"), this), 3, 0);
    grid->addWidget(sound_, 3, 1, 1, 2);
    grid->addWidget(new QLabel(Tr(TextKey::ClipVolume, "Громкость:"), this), 4, 0);
    grid->addWidget(volume_, 4, 1, 1, 2, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(strip_);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addStretch(1);

    preview_ = new QLabel(this);
    preview_->setObjectName("clipPreview");
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    preview_->setStyleSheet(QStringLiteral("background-color: black;"));
    preview_->hide();

    connect(startSlider_, &QSlider::valueChanged, this, [this](int ms) {
        if (!updating_)
            SetStart(ms);
    });
    connect(endSlider_, &QSlider::valueChanged, this, [this](int ms) {
        if (!updating_)
            SetEnd(ms);
    });
    connect(strip_, &ClipFilmstrip::handleDragged, this,
            [this](bool end, std::int64_t ms) { end ? SetEnd(ms) : SetStart(ms); });
    connect(sound_, &QComboBox::currentIndexChanged, this, [this](int index) {
        clip_.Mute = index == 1;
        volume_->setEnabled(!clip_.Mute);
    });
    connect(volume_, &QSpinBox::valueChanged, this,
            [this](int percent) { clip_.Volume = percent; });
    sound_->setCurrentIndex(clip_.Mute ? 1 : 0);
    volume_->setEnabled(!clip_.Mute);
    volume_->setValue(clip_.Volume);
    connect(&timer_, &QTimer::timeout, this, &ClipEditor::Tick);
    ShowTrim();
}

ClipEditor::~ClipEditor() = default;

// The trim moves in tenths of a second, the steps its times are shown in; the clip's end is a
// step of its own.
std::int64_t ClipEditor::Step(std::int64_t ms) const {
    const std::int64_t stepped = (std::max<std::int64_t>(ms, 0) + 50) / 100 * 100;
    return stepped >= clip_.LengthMs || clip_.LengthMs - ms < 50 ? clip_.LengthMs : stepped;
}

void ClipEditor::SetStart(std::int64_t ms) {
    clip_.InMs = std::clamp<std::int64_t>(Step(ms), 0, clip_.OutMs - project::kMinClipMs);
    ShowTrim();
    PlayFrom(clip_.InMs);
}

void ClipEditor::SetEnd(std::int64_t ms) {
    clip_.OutMs =
        std::clamp<std::int64_t>(Step(ms), clip_.InMs + project::kMinClipMs, clip_.LengthMs);
    ShowTrim();
    PlayFrom(std::max(clip_.InMs, clip_.OutMs - clip_editor::kEndLeadMs));
}

void ClipEditor::ShowTrim() {
    updating_ = true;
    startSlider_->setValue(static_cast<int>(clip_.InMs));
    endSlider_->setValue(static_cast<int>(clip_.OutMs));
    updating_ = false;
    startTime_->setText(clip_editor::Time(clip_.InMs));
    endTime_->setText(clip_editor::Time(clip_.OutMs));
    playsFor_->setText(
        Tr(TextKey::ClipPlaysFor, "Длительность: %1").arg(clip_editor::Time(clip_.TrimmedMs())));
    strip_->SetTrim(clip_.InMs, clip_.OutMs);
}

void ClipEditor::PlayFrom(std::int64_t ms) {
    playFromMs_ = ms;
    clock_.start();
}

void ClipEditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    PlayFrom(clip_.InMs);
    timer_.start(40);
}

void ClipEditor::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void ClipEditor::Tick() {
    if (cannotPlay_)
        return;
    if (!pictures_) {
        // Opened when first played; a clip that cannot be read leaves the preview dark.
        pictures_ =
            media::OpenClipPictures(clip_, clip_editor::kPlayWidth, clip_editor::kPlayHeight);
        if (!pictures_) {
            cannotPlay_ = true;
            return;
        }
    }
    std::int64_t ms = playFromMs_ + clock_.elapsed();
    if (ms >= clip_.OutMs) {
        // Round again from the trim's start.
        PlayFrom(clip_.InMs);
        ms = clip_.InMs;
    }
    const imaging::Bitmap* picture = pictures_->At(ms);
    if (!picture || preview_->width() <= 0 || preview_->height() <= 0)
        return;
    shownMs_ = pictures_->PictureMs();
    preview_->setPixmap(QPixmap::fromImage(picture->CopyToImage().scaled(
        preview_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

} // namespace ui
