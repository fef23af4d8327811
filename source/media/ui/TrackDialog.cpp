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
    Form->volumeIcon->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    Form->playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    Form->stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));

    // The texts, and play or stop by whether a track is playing.
    ApplyLanguage();
    media::AudioLibrary& audio = media::Audio();
    const bool playing = audio.TrackPlaying();
    Form->stopButton->setVisible(playing);
    Form->playButton->setVisible(!playing);
    Form->volumeSlider->setValue(100 - static_cast<int>(sound_.Volume));
    audio.SetPlaybackVolume(100 - Form->volumeSlider->value());
    Form->volumeLabel->setText(QString::number(audio.PlaybackVolume()) + "%");
    Form->playingTimeLabel->setText(Duration(sound_.PlaySeconds));
    Form->titleLabel->setText(QString::fromStdString(sound_.Title));
    SetUpSecondsBox(*Form->fadeInBox, sound_.Ext.FadeInSeconds);
    SetUpSecondsBox(*Form->fadeOutBox, sound_.Ext.FadeOutSeconds);
    ShowLoudness();
    FitChangingLabels();

    // OK and Close both end the dialog, silencing the track; the volume and fades set are the
    // track's either way, as they were heard.
    connect(Form->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Form->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Form->playButton, &QPushButton::clicked, this, &TrackDialog::play);
    connect(Form->stopButton, &QPushButton::clicked, this, &TrackDialog::stop);
    connect(Form->volumeSlider, &QSlider::valueChanged, this, &TrackDialog::changeVolume);
    connect(Form->positionBar, &QScrollBar::sliderPressed, this,
            [this] { scrollPosition(ScrollCode::Track); });
    connect(Form->positionBar, &QScrollBar::sliderMoved, this,
            [this] { scrollPosition(ScrollCode::Track); });
    connect(Form->positionBar, &QScrollBar::sliderReleased, this,
            [this] { scrollPosition(ScrollCode::EndScroll); });
    // Clicks on the arrows or the trough move the bar and then seek once, like a release.
    connect(Form->positionBar, &QScrollBar::actionTriggered, this, [this](int action) {
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
    Form->playingTimeCaption->setText(Tr(TextKey::TrackPlayingTime, "Время воспроизведения:"));
    Form->volumeCaption->setText(Tr(TextKey::TrackVolume, "Громкость:"));
    Form->titleCaption->setText(Tr(TextKey::TrackFile, "Композиция:"));
    Form->fadeInLabel->setText(Tr(TextKey::TrackFadeIn, "Нарастание, с:"));
    Form->fadeOutLabel->setText(Tr(TextKey::TrackFadeOut, "Затухание, с:"));
    Form->loudnessCaption->setText(Tr(TextKey::TrackRecordedLoudness, "Громкость записи:"));
    Form->buttonBox->button(QDialogButtonBox::Ok)->setText(Tr(TextKey::TrackOk, "OK"));
    Form->buttonBox->button(QDialogButtonBox::Close)->setText(Tr(TextKey::TrackClose, "Закрыть"));
    ShowLoudness();
}

void TrackDialog::ShowLoudness() {
    const project::TrackExtension& ext = sound_.Ext;
    Form->loudnessLabel->setText(ext.HasLoudness
                                     ? Tr(TextKey::TrackLoudnessValue, "%1 LUFS, пик %2 dBTP")
                                           .arg(QLocale().toString(ext.LoudnessLufs, 'f', 1),
                                                QLocale().toString(ext.TruePeakDb, 'f', 1))
                                     : Tr(TextKey::TrackNotMeasured, "не измерена"));
}

double TrackDialog::FadeInSeconds() const {
    return BoxSeconds(*Form->fadeInBox, sound_.Ext.FadeInSeconds);
}

double TrackDialog::FadeOutSeconds() const {
    return BoxSeconds(*Form->fadeOutBox, sound_.Ext.FadeOutSeconds);
}

void TrackDialog::FitChangingLabels() {
    // The position and the volume change while the dialog is open: their labels are as wide as
    // the widest text they will show, so the dialog keeps its size and nothing is cut. Digits
    // are measured as the font's widest digit.
    const QFontMetrics metrics(Form->playingTimeLabel->font());
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
    Form->playingTimeLabel->setMinimumWidth(
        std::max(metrics.horizontalAdvance(widestForm(position + "/" + total)),
                 metrics.horizontalAdvance(widestForm(total))));
    Form->volumeLabel->setMinimumWidth(
        QFontMetrics(Form->volumeLabel->font()).horizontalAdvance(widestForm("100%")));
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
    Form->playButton->hide();
    Form->stopButton->show();
    std::uint64_t length = 0;
    if (audio.TrackPlaying()) {
        length = audio.CurrentTrack().LengthBytes();
        if (length == ~std::uint64_t{0})
            length = 0;
    }
    scale_ = length / INT_MAX + 1;
    Form->positionBar->setMaximum(ToBar(length));
    Form->positionBar->setPageStep(std::max(1, Form->positionBar->maximum() / 10));
    totalSeconds_ = sound_.PlaySeconds;
    Form->titleLabel->setText(QString::fromStdString(sound_.Title));
    StartPositionTimer();
}

void TrackDialog::PlaybackEnded() {
    Form->stopButton->hide();
    Form->playButton->show();
}

void TrackDialog::stop() {
    Form->stopButton->hide();
    Form->playButton->show();
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
    Form->positionBar->setValue(0);
    Form->playingTimeLabel->setText("0:00");
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
    Form->playingTimeLabel->setText(Duration(static_cast<std::int64_t>(std::nearbyint(seconds))) +
                                    "/" + Duration(totalSeconds_));
    if (!dragging_)
        Form->positionBar->setValue(ToBar(p));
}

void TrackDialog::scrollPosition(ScrollCode code) {
    const media::Stream& track = media::Audio().CurrentTrack();
    if (!track)
        return;
    dragging_ = code == ScrollCode::Track;
    if (code == ScrollCode::EndScroll)
        track.SetPosition(FromBar(Form->positionBar->value()));
}

void TrackDialog::changeVolume() {
    const int v = 100 - Form->volumeSlider->value();
    media::Audio().SetPlaybackVolume(v);
    sound_.Volume = v;
    media::Audio().SetTrackVolume(v);
    Form->volumeLabel->setText(QString::number(v) + "%");
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
