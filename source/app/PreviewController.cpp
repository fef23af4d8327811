#include "app/PreviewController.h"
#include "media/video/ClipPictureSource.h"

#include "base/Language.h"
#include "base/ui/ProgressWindow.h"
#include "imaging/Compose.h"
#include "imaging/TransitionKinds.h"
#include "media/audio/AudioLibrary.h"
#include "media/video/ClipPictureSource.h"
#include "project/TransitionChoice.h"
#include "project/WorkFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <exception>
#include <memory>
#include <optional>
#include <utility>

using base::TextKey;

namespace ui {

namespace {

const render::FrameRate kPreviewRate = render::FrameRate::Fps(PreviewController::kFramesPerSecond);

} // namespace

PreviewController::PreviewController(QObject* parent, const project::ShowModel& show,
                                     const project::WorkFiles& files, ControllerHost host,
                                     PreviewStage stage)
    : QObject(parent), show_(show), files_(files), host_(std::move(host)),
      stage_(std::move(stage)) {
    ScheduleTimer = new QTimer(this);
    ScheduleTimer->setObjectName("PreviewTimer");
    ScheduleTimer->setInterval(30);
    connect(ScheduleTimer, &QTimer::timeout, this, &PreviewController::scheduleTick);
    FrameTimer = new QTimer(this);
    FrameTimer->setObjectName("FrameTimer");
    FrameTimer->setInterval(16);
    FrameTimer->setTimerType(Qt::PreciseTimer);
    connect(FrameTimer, &QTimer::timeout, this, &PreviewController::frameTick);
    auto monotonic = std::make_shared<QElapsedTimer>();
    monotonic->start();
    Clock = [monotonic] { return monotonic->elapsed(); };
}

bool PreviewController::Running() const {
    return ScheduleTimer->isActive();
}

void PreviewController::start() {
    const project::ShowModel& show = show_;
    if (show.Slides().empty() || Running() || host_.IsBusy())
        return;
    if (!PrepareMusic())
        return;
    // The strip goes back to its first page with the first photo selected.
    if (stage_.Rewind)
        stage_.Rewind();
    EnterLayout();
    startedTrack_ = -1;
    pausedTrack_ = -1;
    schedule_.Start(render::PreviewTimeline::FromShow(show, music_.Tracks()), Clock());
    ScheduleTimer->start();
    FrameTimer->start();
    Q_EMIT runningChanged();
}

void PreviewController::stop() {
    const bool wasRunning = Running() || inLayout_;
    ScheduleTimer->stop();
    FrameTimer->stop();
    frames_.reset();
    if (!wasRunning)
        return;
    schedule_.Stop();
    startedTrack_ = -1;
    pausedTrack_ = -1;
    ShowPausedMark(false);
    // The track is released even when its end notice cannot be removed.
    NoteMusicFailure(media::Audio().StopTrack());
    music_.Release();
    LeaveLayout();
    Q_EMIT runningChanged();
}

void PreviewController::togglePause() {
    if (!Running())
        return;
    const std::int64_t now = Clock();
    media::AudioLibrary& audio = media::Audio();
    if (!schedule_.Paused()) {
        schedule_.Pause(now);
        pausedTrack_ = PlayingTrack();
        pausedPosition_ = audio.TrackPosition();
        NoteMusicFailure(audio.StopTrack());
        ShowPausedMark(true);
        return;
    }
    ShowPausedMark(false);
    schedule_.Resume(now);
    const auto& sounds = show_.Sounds();
    if (pausedTrack_ >= 0 && static_cast<std::size_t>(pausedTrack_) < sounds.size()) {
        const project::Track& track = sounds[static_cast<std::size_t>(pausedTrack_)];
        // A failure loses the rest of that track; the pictures go on.
        audio.SetPlaybackVolume(music_.Mixed() ? 100 : track.Volume);
        NoteMusicFailure(music_.Mixed() ? music_.Play(pausedPosition_)
                                        : audio.PlayTrackFrom(track.WorkFile, pausedPosition_));
    }
    pausedTrack_ = -1;
}

void PreviewController::ShowPausedMark(bool shown) {
    if (!shown) {
        if (pausedMark_)
            pausedMark_->hide();
        return;
    }
    // A child of the picture, so the picture itself stays exactly what the show draws.
    if (!pausedMark_) {
        pausedMark_ = new QLabel(stage_.Picture);
        pausedMark_->setObjectName("PausedMark");
        pausedMark_->setAttribute(Qt::WA_TransparentForMouseEvents);
        pausedMark_->setStyleSheet(
            QStringLiteral("QLabel { color: white; background-color: rgba(0, 0, 0, 150); "
                           "font-weight: bold; padding: 4px 10px; border-radius: 4px; }"));
    }
    pausedMark_->setText(base::Tr(TextKey::Paused, "Пауза"));
    pausedMark_->adjustSize();
    pausedMark_->move(12, 12);
    pausedMark_->raise();
    pausedMark_->show();
}

std::int32_t PreviewController::PlayingTrack() const {
    return media::Audio().TrackPlaying() ? startedTrack_ : -1;
}

void PreviewController::scheduleTick() {
    // Nothing in here runs the event loop, so no click or other tick can come between the
    // decision and its carrying out; the schedule moves its indexes before it answers anyway.
    if (!schedule_.Running()) {
        ScheduleTimer->stop();
        return;
    }
    const render::PreviewActions act = schedule_.Tick(Clock());
    if (act.Finished) {
        stop();
        return;
    }
    // The pictures come from the frames; the schedule's slide and transition moments need
    // nothing more here.
    if (act.StartTrack >= 0)
        StartTrack(act.StartTrack);
}

std::int64_t PreviewController::FrameNow() const {
    return render::ShowTimeline::FrameOnScreen(schedule_.ShowTimeMs(Clock()), kPreviewRate);
}

void PreviewController::frameTick() {
    if (!schedule_.Running() || schedule_.Paused())
        return;
    try {
        EnsureFrames();
        auto frame = frames_->Take(FrameNow());
        if (!frame)
            return; // not drawn yet: the picture stays as it is for now
        stage_.Picture->setPixmap(QPixmap::fromImage(frame->Picture.View()));
        frames_->Recycle(std::move(frame->Picture));
    } catch (const std::exception&) {
        // A picture that cannot be made (memory) is skipped; the show goes on.
    }
}

void PreviewController::EnsureFrames() {
    // Made at the picture's size once the full-screen layout has it, and again when it changes.
    const QLabel* image = stage_.Picture;
    if (frames_ && frames_->Width() == image->width() && frames_->Height() == image->height())
        return;
    frames_.reset(); // its worker ends before the next one starts
    frames_ = std::make_unique<render::PreviewFrames>(
        show_.Slides(), image->width(), image->height(), kPreviewRate,
        files_.PicturesDir() + "preview.bmp", media::ClipOpenerForRendering());
}

bool PreviewController::WaitForFrame(int timeoutMs) {
    EnsureFrames();
    return frames_->WaitFor(FrameNow(), timeoutMs);
}

void PreviewController::StartTrack(std::int32_t index) {
    const auto& sounds = show_.Sounds();
    if (static_cast<std::size_t>(index) >= sounds.size())
        return;
    const project::Track& track = sounds[static_cast<std::size_t>(index)];
    media::AudioLibrary& audio = media::Audio();
    if (music_.Mixed()) {
        // The mix holds every track from the show's start: it is started once, by the first;
        // the later ones only become the track that plays.
        const bool first = startedTrack_ < 0;
        startedTrack_ = index;
        if (!first)
            return;
        audio.SetPlaybackVolume(100);
        NoteMusicFailure(audio.StopTrack());
        NoteMusicFailure(music_.Play(0));
        return;
    }
    startedTrack_ = index;
    audio.SetPlaybackVolume(track.Volume);
    NoteMusicFailure(audio.StopTrack());
    // Without that track the show goes on silently; it is not tried again.
    NoteMusicFailure(audio.PlayTrack(track.WorkFile));
}

void PreviewController::NoteMusicFailure(const base::Status& status) {
    // The show plays on full screen and is not stopped for its music: the reason goes to the
    // log, and the last one is kept for whoever asks after the show.
    if (status)
        return;
    musicFailure_ = status.error();
    qWarning("%s", musicFailure_.c_str());
}

bool PreviewController::PrepareMusic() {
    ProgressWindow* view = stage_.Progress ? stage_.Progress() : nullptr;
    if (!view) {
        base::NoProgress quiet;
        return music_.Prepare(show_, quiet);
    }
    WindowProgress progress(*view);
    return music_.Prepare(show_, progress);
}

void PreviewController::EnterLayout() {
    QWidget& w = *host_.DialogParent->window();
    // The window's own area as it is shown normally (kept while it is maximised), so that it
    // comes back the same whatever frame the window manager draws around it.
    savedState_ = w.windowState();
    savedNormal_ = w.normalGeometry();
    auto* bar = w.findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    statusBarShown_ = bar && bar->isVisible();
    // A notice would lie over the show: it goes.
    if (bar) {
        bar->hide();
        bar->clearMessage();
    }
    // The menu bar goes with the editor: the show fills the screen.
    auto* menus = w.findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    menuBarShown_ = menus && menus->isVisible();
    if (menus)
        menus->hide();
    for (QWidget* part : stage_.EditorParts)
        part->hide();
    stage_.PictureFrame->setFrameShape(QFrame::NoFrame);
    stage_.PictureFrame->layout()->setContentsMargins(0, 0, 0, 0);
    w.setWindowFlag(Qt::FramelessWindowHint, true);
    // The screen's area is given as well, for displays where no window manager maximises.
    if (const QScreen* screen = w.screen())
        w.setGeometry(screen->availableGeometry());
    w.setWindowState(Qt::WindowMaximized);
    w.show();
    w.setAcceptDrops(false);
    qApp->installEventFilter(this);
    inLayout_ = true;
}

void PreviewController::LeaveLayout() {
    if (!inLayout_)
        return;
    inLayout_ = false;
    qApp->removeEventFilter(this);
    QWidget& w = *host_.DialogParent->window();
    for (QWidget* part : stage_.EditorParts)
        part->show();
    stage_.PictureFrame->setFrameShape(QFrame::Panel);
    stage_.PictureFrame->setFrameShadow(QFrame::Sunken);
    stage_.PictureFrame->layout()->setContentsMargins(1, 1, 1, 1);
    if (statusBarShown_)
        if (auto* bar = w.findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
            bar->show();
    if (menuBarShown_)
        if (auto* menus = w.findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly))
            menus->show();
    // Taking the frame back makes the window anew: its normal area first, then its state, so
    // that a maximised window is maximised again and later un-maximises to where it was.
    w.setWindowFlag(Qt::FramelessWindowHint, false);
    w.setWindowState(Qt::WindowNoState);
    if (savedNormal_.isValid())
        w.setGeometry(savedNormal_);
    w.setWindowState(savedState_ & ~Qt::WindowMinimized);
    w.show();
    w.setAcceptDrops(true);
    // The editor's picture again once the layout has settled at the restored size.
    QTimer::singleShot(0, this, [this] {
        if (stage_.Restored)
            stage_.Restored();
    });
}

bool PreviewController::eventFilter(QObject* watched, QEvent* event) {
    // While the preview fills the screen, Esc stops it and Space pauses or resumes it, wherever
    // the focus is inside the window.
    if (event->type() == QEvent::KeyPress && inLayout_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (widget && widget->window() == host_.DialogParent->window() &&
            (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Space)) {
            // Accepted, so that the key does not travel on to the parents and act again.
            event->accept();
            if (key->isAutoRepeat())
                return true;
            if (key->key() == Qt::Key_Escape)
                stop();
            else
                togglePause();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ui
