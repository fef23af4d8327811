#include "media/ui/ShowMusicDialog.h"

#include "base/Language.h"
#include "media/ui/SecondsBox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {

// A hint as a paragraph, which the tooltip wraps instead of showing as one long line.
QString Paragraph(const QString& text) {
    return QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace

ShowMusicDialog::ShowMusicDialog(const project::ShowOptions& options, bool hasMusic,
                                 QWidget* parent)
    : QDialog(parent), options_(options) {
    setObjectName("ShowMusicDialog");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* form = new QFormLayout;
    crossfadeLabel_ = new QLabel(this);
    endFadeLabel_ = new QLabel(this);
    crossfade_ = SecondsBox(options.TrackCrossfadeSeconds, "CrossfadeBox", this);
    endFade_ = SecondsBox(options.EndFadeSeconds, "EndFadeBox", this);
    crossfadeLabel_->setBuddy(crossfade_);
    endFadeLabel_->setBuddy(endFade_);
    form->addRow(crossfadeLabel_, crossfade_);
    form->addRow(endFadeLabel_, endFade_);
    layout->addLayout(form);
    evenLoudness_ = new QCheckBox(this);
    evenLoudness_->setObjectName("EvenLoudnessBox");
    evenLoudness_->setChecked(options.EvenLoudness);
    layout->addWidget(evenLoudness_);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    // The actions: buttons, not boxes, as they are done once and keep no state.
    fitPhotos_ = new QPushButton(this);
    fitPhotos_->setObjectName("FitPhotosButton");
    beatCuts_ = new QPushButton(this);
    beatCuts_->setObjectName("BeatCutsButton");
    noMusic_ = new QLabel(this);
    noMusic_->setObjectName("NoMusicLabel");
    auto* actions = new QHBoxLayout;
    for (QPushButton* button : {fitPhotos_, beatCuts_}) {
        button->setEnabled(hasMusic);
        button->setAutoDefault(false);
        actions->addWidget(button);
    }
    actions->addStretch(1);
    connect(fitPhotos_, &QPushButton::clicked, this, [this] { Act(Action::FitPhotos); });
    connect(beatCuts_, &QPushButton::clicked, this, [this] { Act(Action::CutOnBeats); });
    layout->addLayout(actions);
    layout->addWidget(noMusic_);
    noMusic_->setVisible(!hasMusic);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->setObjectName("Buttons");
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons_);
    ApplyLanguage();
}

void ShowMusicDialog::ApplyLanguage() {
    setWindowTitle(Tr(TextKey::MusicTitle, "Музыка показа"));
    crossfadeLabel_->setText(Tr(TextKey::MusicCrossfade, "Переход между композициями, с:"));
    endFadeLabel_->setText(Tr(TextKey::MusicEndFade, "Затухание музыки в конце, с:"));
    evenLoudness_->setText(Tr(TextKey::MusicEvenLoudness, "Одинаковая громкость"));
    fitPhotos_->setText(Tr(TextKey::MusicFitPhotos, "Подогнать фото под музыку"));
    beatCuts_->setText(Tr(TextKey::MusicBeatCuts, "Менять фото в такт"));
    noMusic_->setText(Tr(TextKey::MusicNone, "В показе нет музыки."));
    // What each option does: the fades and the loudness are settings the show keeps; fitting
    // and beat cuts act once, when clicked, as one step that Undo takes back.
    const QString crossfade = Tr(TextKey::MusicCrossfadeHint,
                                 "Сколько секунд одна композиция плавно переходит в следующую "
                                 "(0 — одна за другой).");
    const QString endFade =
        Tr(TextKey::MusicEndFadeHint, "За сколько секунд до конца показа музыка затихает (0 — "
                                      "обрывается с последним кадром).");
    for (QWidget* w : {static_cast<QWidget*>(crossfadeLabel_), static_cast<QWidget*>(crossfade_)})
        w->setToolTip(Paragraph(crossfade));
    for (QWidget* w : {static_cast<QWidget*>(endFadeLabel_), static_cast<QWidget*>(endFade_)})
        w->setToolTip(Paragraph(endFade));
    evenLoudness_->setToolTip(
        Paragraph(Tr(TextKey::MusicEvenLoudnessHint,
                     "Все композиции звучат одинаково громко (EBU R128); громкость "
                     "измеряется при добавлении композиции.")));
    fitPhotos_->setToolTip(
        Paragraph(Tr(TextKey::MusicFitPhotosHint,
                     "Один раз, сейчас: настройки выше сохраняются, а время всех фото "
                     "меняется пропорционально, чтобы показ кончился вместе с музыкой. "
                     "Отменяется кнопкой «Отменить».")));
    beatCuts_->setToolTip(
        Paragraph(Tr(TextKey::MusicBeatCutsHint,
                     "Один раз, сейчас: настройки выше сохраняются, а каждая смена фото "
                     "переносится на долю такта музыки, и каждое фото остаётся не короче "
                     "секунды. Отменяется кнопкой «Отменить».")));
    buttons_->button(QDialogButtonBox::Ok)->setText(Tr(TextKey::SettingsOk, "OK"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(Tr(TextKey::SettingsCancel, "Отмена"));
}

project::ShowOptions ShowMusicDialog::Options() const {
    project::ShowOptions options = options_;
    options.TrackCrossfadeSeconds = BoxSeconds(*crossfade_, options_.TrackCrossfadeSeconds);
    options.EndFadeSeconds = BoxSeconds(*endFade_, options_.EndFadeSeconds);
    options.EvenLoudness = evenLoudness_->isChecked();
    return options;
}

void ShowMusicDialog::Act(Action action) {
    action_ = action;
    accept();
}

bool ShowMusicDialog::FitPhotos() const {
    return action_ == Action::FitPhotos && fitPhotos_->isEnabled();
}

bool ShowMusicDialog::CutOnBeats() const {
    return action_ == Action::CutOnBeats && beatCuts_->isEnabled();
}

} // namespace ui
