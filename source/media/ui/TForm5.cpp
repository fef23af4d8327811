#include "media/ui/TForm5.h"

#include "media/litebass.h"
#include "project/CodePage.h"
#include "project/Duration.h"
#include "project/Language.h"
#include "ui_TForm5.h"

#include <QCloseEvent>
#include <QEvent>
#include <QStyle>
#include <QTimer>

#include <climits>
#include <cmath>

namespace ui {

namespace {
QString Tr(int key, const char* builtin) {
    return project::AppLanguage().Text(key, QString::fromUtf8(builtin));
}
QString Duration(std::int64_t seconds) {
    return QString::fromStdString(project::FormatDuration(seconds));
}
} // namespace

TForm5::TForm5(project::TSoundItem& sound, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::TForm5>()), sound_(sound) {
    Form->setupUi(this);
    setObjectName("Form5");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    Form->Image1->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(32, 32));
    Form->BitBtn9->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    Form->BitBtn12->setIcon(style()->standardIcon(QStyle::SP_MediaStop));

    // FormCreate.
    ApplyLanguage();
    const bool playing = media::CurrentStream != 0;
    Form->BitBtn12->setVisible(playing);
    Form->BitBtn9->setVisible(!playing);
    Form->TrackBar1->setValue(100 - static_cast<int>(sound_.Volume));
    media::PlaybackVolume = 100 - Form->TrackBar1->value();
    Form->Label6->setText(QString::number(media::PlaybackVolume) + "%");
    Form->Label1->setText(Duration(sound_.PlaySeconds));
    Form->Label2->setText(project::FromCp1251(sound_.Title.str()));

    connect(Form->BitBtn9, &QPushButton::clicked, this, &TForm5::BitBtn9Click);
    connect(Form->BitBtn12, &QPushButton::clicked, this, &TForm5::BitBtn12Click);
    connect(Form->TrackBar1, &QSlider::valueChanged, this, &TForm5::TrackBar1Change);
    connect(Form->ProgrBar, &QScrollBar::sliderPressed, this,
            [this] { ProgrBarScroll(ScrollCode::Track); });
    connect(Form->ProgrBar, &QScrollBar::sliderMoved, this,
            [this] { ProgrBarScroll(ScrollCode::Track); });
    connect(Form->ProgrBar, &QScrollBar::sliderReleased, this,
            [this] { ProgrBarScroll(ScrollCode::EndScroll); });
    // Clicks on the arrows or the trough move the bar and then seek once, like a release.
    connect(Form->ProgrBar, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderNoAction)
            return;
        QTimer::singleShot(0, this, [this] { ProgrBarScroll(ScrollCode::EndScroll); });
    });
}

TForm5::~TForm5() {
    FormClose();
}

void TForm5::ApplyLanguage() {
    setWindowTitle(Tr(800, "Звук"));
    Form->Label4->setText(Tr(801, "Время воспроизведения:"));
    Form->Label5->setText(Tr(802, "Громкость:"));
    Form->Label3->setText(Tr(803, "Композиция:"));
}

void TForm5::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyLanguage(); // FormActivate
}

void TForm5::BitBtn9Click() {
    try {
        Form->BitBtn9->hide();
        Form->BitBtn12->show();
        media::StopTrack();
        media::PlayTrackFile(sound_.WorkFile.str());
        std::uint64_t length = 0;
        if (media::BassLibrary && media::CurrentStream != 0) {
            length = media::Bass.StreamGetLength(media::CurrentStream);
            if (length == ~std::uint64_t{0})
                length = 0;
        }
        scale_ = length / INT_MAX + 1;
        Form->ProgrBar->setMaximum(ToBar(length));
        Form->ProgrBar->setPageStep(std::max(1, Form->ProgrBar->maximum() / 10));
        totalSeconds_ = sound_.PlaySeconds;
        Form->Label2->setText(project::FromCp1251(sound_.Title.str()));
        StartPositionTimer();
    } catch (...) {
        // The dialog stays as it is; there is nothing to play.
    }
}

void TForm5::BitBtn12Click() {
    Form->BitBtn12->hide();
    Form->BitBtn9->show();
    try {
        media::StopTrack();
    } catch (...) {
    }
    StopPositionTimer();
}

void TForm5::StartPositionTimer() {
    if (positionTimer_)
        return;
    positionTimer_ = std::make_unique<QTimer>();
    positionTimer_->setInterval(100);
    connect(positionTimer_.get(), &QTimer::timeout, this, &TForm5::PositionTimerTick);
    dragging_ = false;
    Form->ProgrBar->setValue(0);
    Form->Label1->setText("0:00");
    positionTimer_->start();
}

void TForm5::StopPositionTimer() {
    positionTimer_.reset();
}

void TForm5::PositionTimerTick() {
    if (media::CurrentStream == 0 || !media::BassLibrary)
        return;
    const std::uint64_t p = media::Bass.ChannelGetPosition(media::CurrentStream);
    if (p == ~std::uint64_t{0})
        return;
    const double seconds = media::Bass.ChannelBytes2Seconds(media::CurrentStream, p);
    Form->Label1->setText(Duration(static_cast<std::int64_t>(std::nearbyint(seconds))) + "/" +
                          Duration(totalSeconds_));
    if (!dragging_)
        Form->ProgrBar->setValue(ToBar(p));
}

void TForm5::ProgrBarScroll(ScrollCode code) {
    if (media::CurrentStream == 0 || !media::BassLibrary)
        return;
    dragging_ = code == ScrollCode::Track;
    if (code == ScrollCode::EndScroll)
        media::Bass.ChannelSetPosition(media::CurrentStream, FromBar(Form->ProgrBar->value()));
}

void TForm5::TrackBar1Change() {
    const int v = 100 - Form->TrackBar1->value();
    media::PlaybackVolume = v;
    sound_.Volume = v;
    media::SetTrackVolume(v);
    Form->Label6->setText(QString::number(v) + "%");
}

void TForm5::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    try {
        media::StopTrack();
    } catch (...) {
    }
    StopPositionTimer();
}

void TForm5::closeEvent(QCloseEvent* event) {
    FormClose();
    QDialog::closeEvent(event);
}

void TForm5::done(int result) {
    FormClose();
    QDialog::done(result);
}

int TForm5::ToBar(std::uint64_t bytes) const {
    const std::uint64_t v = bytes / scale_;
    return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

std::uint64_t TForm5::FromBar(int value) const {
    return static_cast<std::uint64_t>(value < 0 ? 0 : value) * scale_;
}

} // namespace ui
