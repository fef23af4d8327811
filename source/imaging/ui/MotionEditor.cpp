#include "imaging/ui/MotionEditor.h"

#include "imaging/AutoMotion.h"
#include "imaging/FaceDetect.h"
#include "imaging/ui/MotionPreviewBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using base::TextKey;

namespace ui {

namespace {

constexpr int kPlayInterval = 40; // ms, 25 frames a second

} // namespace

MotionEditor::MotionEditor(QWidget* parent) : QWidget(parent) {
    qRegisterMetaType<imaging::Motion>();
    box_ = new MotionPreviewBox(this);
    choice_ = new QComboBox(this);
    for (int i = 0; i < 4; ++i)
        choice_->addItem(QString());
    play_ = new QPushButton(this);
    legend_ = new QLabel(this);
    background_ = new QCheckBox(this);
    background_->setObjectName("motionBackgroundCheck");
    hint_ = new QLabel(this);
    hint_->setObjectName("motionHint");
    hint_->setWordWrap(true);
    timer_ = new QTimer(this);
    timer_->setInterval(kPlayInterval);

    auto* row = new QHBoxLayout;
    row->addWidget(choice_, 1);
    row->addWidget(play_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(row);
    column->addWidget(box_, 1);
    column->addWidget(legend_);
    column->addWidget(background_);
    column->addWidget(hint_);
    ApplyTexts();
    connect(background_, &QCheckBox::toggled, box_, &MotionPreviewBox::SetBackgroundAllowed);

    connect(choice_, &QComboBox::activated, this, &MotionEditor::ChoiceChosen);
    connect(box_, &MotionPreviewBox::stateEdited, this,
            [this](MotionPreviewBox::Handle which, const imaging::MotionState& state) {
                FrameEdited(which == MotionPreviewBox::Handle::Start ? 0 : 1, state);
            });
    connect(play_, &QPushButton::clicked, this, [this] { IsPlaying() ? stop() : play(); });
    connect(timer_, &QTimer::timeout, this, &MotionEditor::Tick);
    ShowMotion();
}

MotionEditor::~MotionEditor() = default;

QString MotionEditor::Text(base::TextKey key, const char* builtin) const {
    return lookup_ ? lookup_(base::KeyNumber(key), builtin) : QString::fromUtf8(builtin);
}

void MotionEditor::SetTextLookup(TextLookup lookup) {
    lookup_ = std::move(lookup);
    ApplyTexts();
}

void MotionEditor::ApplyTexts() {
    choice_->setItemText(kNone, Text(TextKey::MotionNone, "Нет"));
    choice_->setItemText(kAutomatic, Text(TextKey::MotionAutomatic, "Автоматически"));
    choice_->setItemText(kLinear, Text(TextKey::MotionLinear, "Равномерно"));
    choice_->setItemText(kEase, Text(TextKey::MotionEase, "Плавно"));
    play_->setText(IsPlaying() ? Text(TextKey::MotionStop, "Стоп")
                               : Text(TextKey::MotionPlay, "Просмотр"));
    legend_->setText(QStringLiteral("<span style='color:#00c800'>&#9632;</span> %1 &nbsp; "
                                    "<span style='color:#e60000'>&#9632;</span> %2")
                         .arg(Text(TextKey::MotionStart, "Начало").toHtmlEscaped(),
                              Text(TextKey::MotionEnd, "Конец").toHtmlEscaped()));
    background_->setText(Text(TextKey::MotionBackgroundAllowed, "Показывать фон вокруг снимка"));
    hint_->setText(Text(TextKey::MotionDragHint,
                        "Перетащите рамку на снимке, чтобы сдвинуть её, а её угол — чтобы "
                        "изменить размер (с Alt — вокруг центра)."));
}

void MotionEditor::PlacePreview(QBoxLayout& layout) {
    auto* column = qobject_cast<QBoxLayout*>(this->layout());
    column->removeWidget(box_);
    column->addStretch(1); // the controls stay together at the top
    layout.addWidget(box_, 1);
}

void MotionEditor::MatchBackgroundChoice() {
    const imaging::Motion shown = Shown();
    background_->setChecked(
        motion_.Mode == imaging::MotionMode::Manual &&
        (box_->ShowsBackground(shown.Start) || box_->ShowsBackground(shown.End)));
}

void MotionEditor::SetSlide(const imaging::Bitmap& picture, std::int32_t backColor,
                            std::int32_t frameWidth, std::int32_t frameHeight, int slideIndex,
                            std::optional<std::vector<imaging::FaceBox>> faces) {
    stop();
    picture_ = picture;
    backColor_ = backColor;
    frameW_ = std::max(frameWidth, 1);
    frameH_ = std::max(frameHeight, 1);
    slideIndex_ = slideIndex;
    faces_ = std::move(faces);
    box_->SetPicture(picture_, backColor_, frameW_, frameH_);
    ShowMotion();
    MatchBackgroundChoice();
}

void MotionEditor::SetMotion(const imaging::Motion& motion) {
    stop();
    motion_ = imaging::SanitizeMotion(motion);
    ShowMotion();
    MatchBackgroundChoice();
}

void MotionEditor::SetPlaySeconds(double seconds) {
    playSeconds_ = std::clamp(seconds, 0.5, 60.0);
}

imaging::Motion MotionEditor::Shown() const {
    if (motion_.Mode == imaging::MotionMode::Auto && !faces_)
        faces_ = imaging::DetectFaces(picture_);
    return imaging::ResolveMotion(motion_, slideIndex_, frameW_, frameH_, picture_.Width,
                                  picture_.Height,
                                  faces_ ? *faces_ : std::vector<imaging::FaceBox>{});
}

void MotionEditor::ShowMotion() {
    updating_ = true;
    int index = kNone;
    if (motion_.Mode == imaging::MotionMode::Auto)
        index = kAutomatic;
    else if (motion_.Mode == imaging::MotionMode::Manual)
        index = motion_.Easing == imaging::MotionEasing::Ease ? kEase : kLinear;
    choice_->setCurrentIndex(index);
    updating_ = false;
    const imaging::Motion shown = Shown();
    box_->SetStates(shown.Start, shown.End);
    box_->SetFramesShown(motion_.Mode != imaging::MotionMode::None);
}

void MotionEditor::ChoiceChosen(int index) {
    if (updating_)
        return;
    stop();
    switch (index) {
    case kNone:
        motion_.Mode = imaging::MotionMode::None;
        break;
    case kAutomatic:
        motion_.Mode = imaging::MotionMode::Auto;
        break;
    default:
        // The user's motion starts from the frames on show, so choosing an easing after
        // automatic motion keeps its frames.
        if (motion_.Mode == imaging::MotionMode::Auto) {
            const imaging::Motion shown = Shown();
            motion_.Start = imaging::ClampState(shown.Start);
            motion_.End = imaging::ClampState(shown.End);
        } else if (motion_.Mode == imaging::MotionMode::None && !background_->isChecked()) {
            // New frames start on the picture, where a drag can move them.
            motion_.Start = box_->OnPictureState(motion_.Start);
            motion_.End = box_->OnPictureState(motion_.End);
        }
        motion_.Mode = imaging::MotionMode::Manual;
        motion_.Easing =
            index == kEase ? imaging::MotionEasing::Ease : imaging::MotionEasing::Linear;
        break;
    }
    ShowMotion();
    Q_EMIT motionChanged(motion_);
}

void MotionEditor::FrameEdited(int which, const imaging::MotionState& state) {
    if (motion_.Mode != imaging::MotionMode::Manual) {
        // Dragging a frame of automatic motion makes its frames the user's.
        const imaging::Motion shown = Shown();
        motion_.Start = imaging::ClampState(shown.Start);
        motion_.End = imaging::ClampState(shown.End);
        motion_.Easing = imaging::MotionEasing::Linear;
        motion_.Mode = imaging::MotionMode::Manual;
    }
    (which == 0 ? motion_.Start : motion_.End) = state;
    ShowMotion();
    Q_EMIT motionChanged(motion_);
}

void MotionEditor::play() {
    if (picture_.IsEmpty())
        return;
    clock_.start();
    timer_->start();
    ApplyTexts();
    showPlayProgress(0.0);
}

void MotionEditor::stop() {
    if (!timer_->isActive() && !box_->Playing())
        return;
    timer_->stop();
    box_->EndPlay();
    ApplyTexts();
}

bool MotionEditor::IsPlaying() const {
    return timer_->isActive();
}

void MotionEditor::showPlayProgress(double u) {
    const imaging::Motion shown = Shown();
    box_->ShowPlayState(imaging::MotionStateAt(shown, u));
}

void MotionEditor::Tick() {
    const double u = static_cast<double>(clock_.elapsed()) / (playSeconds_ * 1000.0);
    if (u >= 1.0) {
        showPlayProgress(1.0);
        stop();
        return;
    }
    showPlayProgress(u);
}

} // namespace ui
