#include "media/ui/TrackDialog.h"

#include "base/Language.h"
#include "media/audio/AudioLibrary.h"
#include "media/ui/SecondsBox.h"
#include "project/Duration.h"
#include "ui_TrackDialog.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {
QString Duration(std::int64_t seconds) {
    return QString::fromStdString(project::FormatDuration(seconds));
}
} // namespace

TrackDialog::TrackDialog(const project::Track& sound, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TrackDialog>()), sound_(sound) {
    Form->setupUi(this);
    setObjectName("TrackDialog");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    Form->Image1->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    Form->PlayButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    Form->StopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));

    // The texts, and play or stop by whether a track is playing.
    ApplyLanguage();
    media::AudioLibrary& audio = media::Audio();
    const bool playing = audio.TrackPlaying();
    Form->StopButton->setVisible(playing);
    Form->PlayButton->setVisible(!playing);
    Form->TrackBar1->setValue(100 - static_cast<int>(sound_.Volume));
    audio.SetPlaybackVolume(100 - Form->TrackBar1->value());
    Form->Label6->setText(QString::number(audio.PlaybackVolume()) + "%");
    Form->Label1->setText(Duration(sound_.PlaySeconds));
    Form->Label2->setText(QString::fromStdString(sound_.Title));
    SetUpSecondsBox(*Form->FadeInBox, sound_.Ext.FadeInSeconds);
    SetUpSecondsBox(*Form->FadeOutBox, sound_.Ext.FadeOutSeconds);
    ShowLoudness();
    FitChangingLabels();

    // OK and Close both end the dialog, silencing the track; the volume and fades set are the
    // track's either way, as they were heard.
    connect(Form->ButtonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Form->ButtonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Form->PlayButton, &QPushButton::clicked, this, &TrackDialog::play);
    connect(Form->StopButton, &QPushButton::clicked, this, &TrackDialog::stop);
    connect(Form->TrackBar1, &QSlider::valueChanged, this, &TrackDialog::changeVolume);
    connect(Form->ProgrBar, &QScrollBar::sliderPressed, this,
            [this] { scrollPosition(ScrollCode::Track); });
    connect(Form->ProgrBar, &QScrollBar::sliderMoved, this,
            [this] { scrollPosition(ScrollCode::Track); });
    connect(Form->ProgrBar, &QScrollBar::sliderReleased, this,
            [this] { scrollPosition(ScrollCode::EndScroll); });
    // Clicks on the arrows or the trough move the bar and then seek once, like a release.
    connect(Form->ProgrBar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderNoAction)
            return;
        QTimer::singleShot(0, this, [this] { scrollPosition(ScrollCode::EndScroll); });
    });
}

TrackDialog::~TrackDialog() {
    closeDialog();
}

void TrackDialog::ApplyLanguage() {
    setWindowTitle(Tr(TextKey::TrackTitle, "Звук"));
    Form->Label4->setText(Tr(TextKey::TrackPlayingTime, "Время воспроизведения:"));
    Form->Label5->setText(Tr(TextKey::TrackVolume, "Громкость:"));
    Form->Label3->setText(Tr(TextKey::TrackFile, "Композиция:"));
    Form->FadeInLabel->setText(Tr(TextKey::TrackFadeIn, "Нарастание, с:"));
    Form->FadeOutLabel->setText(Tr(TextKey::TrackFadeOut, "Затухание, с:"));
    Form->LoudnessCaption->setText(Tr(TextKey::TrackRecordedLoudness, "Громкость записи:"));
    Form->ButtonBox->button(QDialogButtonBox::Ok)->setText(Tr(TextKey::TrackOk, "OK"));
    Form->ButtonBox->button(QDialogButtonBox::Close)->setText(Tr(TextKey::TrackClose, "Закрыть"));
    ShowLoudness();
}

void TrackDialog::ShowLoudness() {
    const project::TrackExtension& ext = sound_.Ext;
    Form->LoudnessLabel->setText(ext.HasLoudness
                                     ? Tr(TextKey::TrackLoudnessValue, "%1 LUFS, пик %2 dBTP")
                                           .arg(QLocale().toString(ext.LoudnessLufs, 'f', 1),
                                                QLocale().toString(ext.TruePeakDb, 'f', 1))
                                     : Tr(TextKey::TrackNotMeasured, "не измерена"));
}

double TrackDialog::FadeInSeconds() const {
    return BoxSeconds(*Form->FadeInBox, sound_.Ext.FadeInSeconds);
}

double TrackDialog::FadeOutSeconds() const {
    return BoxSeconds(*Form->FadeOutBox, sound_.Ext.FadeOutSeconds);
}

void TrackDialog::FitChangingLabels() {
    // The position and the volume change while the dialog is open: their labels are as wide as
    // the widest text they will show, so the dialog keeps its size and nothing is cut. Digits
    // are measured as the font's widest digit.
    const QFontMetrics metrics(Form->Label1->font());
    QChar widest('0');
    for (char c = '1'; c <= '9'; ++c)
        if (metrics.horizontalAdvance(QChar(c)) > metrics.horizontalAdvance(widest))
            widest = QChar(c);
    auto widestForm = [widest](QString text) {
        for (QChar& c : text)
            if (c.isDigit())
                c = widest;
        return text;
    };
    // The position runs up to the whole track's length, which may pass the playing time.
    const QString total = Duration(sound_.PlaySeconds);
    const QString position =
        Duration(std::max<std::int64_t>(sound_.PlaySeconds, sound_.LengthSeconds));
    Form->Label1->setMinimumWidth(
        std::max(metrics.horizontalAdvance(widestForm(position + "/" + total)),
                 metrics.horizontalAdvance(widestForm(total))));
    Form->Label6->setMinimumWidth(
        QFontMetrics(Form->Label6->font()).horizontalAdvance(widestForm("100%")));
}

void TrackDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyLanguage(); // FormActivate
}

void TrackDialog::play() {
    media::AudioLibrary& audio = media::Audio();
    StopTrack();
    if (const base::Status played = audio.PlayTrack(sound_.WorkFile); !played) {
        // Nothing plays: the play button stays, and the user learns which file and why.
        QMessageBox::warning(this, windowTitle(), QString::fromLocal8Bit(played.error().c_str()));
        return;
    }
    Form->PlayButton->hide();
    Form->StopButton->show();
    std::uint64_t length = 0;
    if (audio.TrackPlaying()) {
        length = audio.CurrentTrack().LengthBytes();
        if (length == ~std::uint64_t{0})
            length = 0;
    }
    scale_ = length / INT_MAX + 1;
    Form->ProgrBar->setMaximum(ToBar(length));
    Form->ProgrBar->setPageStep(std::max(1, Form->ProgrBar->maximum() / 10));
    totalSeconds_ = sound_.PlaySeconds;
    Form->Label2->setText(QString::fromStdString(sound_.Title));
    StartPositionTimer();
}

void TrackDialog::PlaybackEnded() {
    Form->StopButton->hide();
    Form->PlayButton->show();
}

void TrackDialog::stop() {
    Form->StopButton->hide();
    Form->PlayButton->show();
    StopTrack();
    StopPositionTimer();
}

void TrackDialog::StopTrack() {
    // The track is released even when its end notice cannot be removed; the notice that may
    // still come finds no track playing and is dropped by the window.
    const base::Status stopped = media::Audio().StopTrack();
    static_cast<void>(stopped);
}

void TrackDialog::StartPositionTimer() {
    if (positionTimer_)
        return;
    positionTimer_ = std::make_unique<QTimer>();
    positionTimer_->setInterval(100);
    connect(positionTimer_.get(), &QTimer::timeout, this, &TrackDialog::PositionTimerTick);
    dragging_ = false;
    Form->ProgrBar->setValue(0);
    Form->Label1->setText("0:00");
    positionTimer_->start();
}

void TrackDialog::StopPositionTimer() {
    positionTimer_.reset();
}

void TrackDialog::PositionTimerTick() {
    const media::Stream& track = media::Audio().CurrentTrack();
    if (!track)
        return;
    const std::uint64_t p = track.Position();
    if (p == ~std::uint64_t{0})
        return;
    const double seconds = track.BytesToSeconds(p);
    Form->Label1->setText(Duration(static_cast<std::int64_t>(std::nearbyint(seconds))) + "/" +
                          Duration(totalSeconds_));
    if (!dragging_)
        Form->ProgrBar->setValue(ToBar(p));
}

void TrackDialog::scrollPosition(ScrollCode code) {
    const media::Stream& track = media::Audio().CurrentTrack();
    if (!track)
        return;
    dragging_ = code == ScrollCode::Track;
    if (code == ScrollCode::EndScroll)
        track.SetPosition(FromBar(Form->ProgrBar->value()));
}

void TrackDialog::changeVolume() {
    const int v = 100 - Form->TrackBar1->value();
    media::Audio().SetPlaybackVolume(v);
    sound_.Volume = v;
    media::Audio().SetTrackVolume(v);
    Form->Label6->setText(QString::number(v) + "%");
}

void TrackDialog::closeDialog() {
    if (closed_)
        return;
    closed_ = true;
    StopTrack();
    StopPositionTimer();
}

void TrackDialog::closeEvent(QCloseEvent* event) {
    closeDialog();
    QDialog::closeEvent(event);
}

void TrackDialog::done(int result) {
    closeDialog();
    QDialog::done(result);
}

int TrackDialog::ToBar(std::uint64_t bytes) const {
    const std::uint64_t v = bytes / scale_;
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

std::uint64_t TrackDialog::FromBar(int value) const {
    return static_cast<std::uint64_t>(value < 0 ? 0 : value) * scale_;
}

} // namespace ui
