#include "app/PreviewController.h"

#include "base/Language.h"
#include "imaging/Compose.h"
#include "imaging/TransitionKinds.h"
#include "media/AudioLibrary.h"
#include "media/ui/ProgressWindow.h"
#include "project/TransitionChoice.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
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

// How far a window that filled the screen is moved in and made smaller when it comes back, so
// that it is seen to be an ordinary window again.
constexpr int kRestoreInset = 12;

imaging::SlideSource SourceOf(const project::Slide& slide) {
    return {slide.WorkFile, slide.BackColor};
}

} // namespace

PreviewController::PreviewController(QObject* parent, const project::ShowModel& show,
                                     PreviewHost host)
    : QObject(parent), show_(show), host_(std::move(host)) {
    ScheduleTimer = new QTimer(this);
    ScheduleTimer->setObjectName("PreviewTimer");
    ScheduleTimer->setInterval(30);
    TransitionTimer = new QTimer(this);
    TransitionTimer->setObjectName("TransitionTimer");
    TransitionTimer->setInterval(10);
    connect(ScheduleTimer, &QTimer::timeout, this, &PreviewController::scheduleTick);
    connect(TransitionTimer, &QTimer::timeout, this, &PreviewController::transitionTick);
    MotionTimer = new QTimer(this);
    MotionTimer->setObjectName("MotionTimer");
    MotionTimer->setInterval(16);
    connect(MotionTimer, &QTimer::timeout, this, &PreviewController::motionTick);
    auto monotonic = std::make_shared<QElapsedTimer>();
    monotonic->start();
    Clock = [monotonic] { return monotonic->elapsed(); };
}

bool PreviewController::Running() const {
    return ScheduleTimer->isActive();
}

void PreviewController::start() {
    const project::ShowModel& show = show_;
    if (show.Slides.empty() || Running() || (host_.Busy && host_.Busy()))
        return;
    if (!PrepareMusic())
        return;
    // The strip goes back to its first page with the first photo selected.
    if (host_.Rewind)
        host_.Rewind();
    EnterLayout();
    startedTrack_ = -1;
    pausedTrack_ = -1;
    schedule_.Start(render::PreviewTimeline::FromShow(show), Clock());
    ScheduleTimer->start();
}

void PreviewController::stop() {
    const bool wasRunning = Running() || inLayout_;
    ScheduleTimer->stop();
    TransitionTimer->stop();
    StopMotion();
    if (!wasRunning)
        return;
    schedule_.Stop();
    transition_.Stop();
    startedTrack_ = -1;
    pausedTrack_ = -1;
    ShowPausedMark(false);
    try {
        media::Audio().StopTrack();
    } catch (const media::AudioError&) {
        // The track is released even when its end notice could not be removed.
    }
    music_.Release();
    LeaveLayout();
}

void PreviewController::togglePause() {
    if (!Running())
        return;
    const std::int64_t now = Clock();
    media::AudioLibrary& audio = media::Audio();
    if (!schedule_.Paused()) {
        schedule_.Pause(now);
        TransitionTimer->stop();
        MotionTimer->stop();
        pausedTrack_ = PlayingTrack();
        pausedPosition_ = audio.TrackPosition();
        try {
            audio.StopTrack();
        } catch (const media::AudioError&) {
        }
        ShowPausedMark(true);
        return;
    }
    ShowPausedMark(false);
    schedule_.Resume(now);
    if (transition_.Running())
        TransitionTimer->start();
    if (movingSlide_ >= 0)
        MotionTimer->start();
    const auto& sounds = show_.Sounds;
    if (pausedTrack_ >= 0 && static_cast<std::size_t>(pausedTrack_) < sounds.size()) {
        const project::Track& track = sounds[static_cast<std::size_t>(pausedTrack_)];
        try {
            audio.SetPlaybackVolume(music_.Mixed() ? 100 : track.Volume);
            audio.PlayTrackFrom(music_.Mixed() ? music_.File() : track.WorkFile, pausedPosition_);
        } catch (const media::AudioError&) {
            // The rest of that track is lost; the pictures go on.
        }
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
        pausedMark_ = new QLabel(host_.Picture);
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
    try {
        if (act.StartTrack >= 0)
            StartTrack(act.StartTrack);
        if (act.ShowSlide >= 0)
            ShowSlide(act.ShowSlide);
        if (act.StartTransition >= 0)
            StartTransition(act.StartTransition);
    } catch (const std::exception&) {
        // A picture that cannot be made (memory) ends this tick; the show goes on.
    }
}

void PreviewController::transitionTick() {
    if (!transition_.Running() || schedule_.Paused()) {
        TransitionTimer->stop();
        return;
    }
    try {
        transition_.SetElapsed(schedule_.TransitionElapsedMs(Clock()));
        if (transition_.Step(picture_) == imaging::TransitionStep::Over) {
            TransitionTimer->stop();
            return;
        }
        ShowPicture();
    } catch (const std::exception&) {
        transition_.Stop();
        TransitionTimer->stop();
    }
}

void PreviewController::StartTrack(std::int32_t index) {
    const auto& sounds = show_.Sounds;
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
        try {
            audio.SetPlaybackVolume(100);
            audio.StopTrack();
            audio.PlayTrack(music_.File());
        } catch (const media::AudioError&) {
        }
        return;
    }
    startedTrack_ = index;
    try {
        audio.SetPlaybackVolume(track.Volume);
        audio.StopTrack();
        audio.PlayTrack(track.WorkFile);
    } catch (const media::AudioError&) {
        // Without that track the show goes on silently; it is not tried again.
    }
}

bool PreviewController::PrepareMusic() {
    ProgressWindow* view = host_.Progress ? host_.Progress() : nullptr;
    if (!view) {
        base::NoProgress quiet;
        return music_.Prepare(show_, quiet);
    }
    WindowProgress progress(*view);
    return music_.Prepare(show_, progress);
}

void PreviewController::ShowSlide(std::int32_t index) {
    const auto& slides = show_.Slides;
    if (static_cast<std::size_t>(index) >= slides.size())
        return;
    const project::Slide& slide = slides[static_cast<std::size_t>(index)];
    imaging::Bitmap photo;
    // A transition drawn frame by frame has the picture already.
    if (movingTransition_ && movingSlide_ + 1 == index && !incomingPicture_.IsEmpty())
        photo = std::move(incomingPicture_);
    else if (!imaging::LoadSlidePicture(slide.WorkFile, photo))
        return; // an unreadable photo leaves the picture as it was
    StopMotion();
    const QLabel* image = host_.Picture;
    picture_.SetSizeUninitialised(image->width(), image->height());
    if (slide.Ext.Motion.IsStill()) {
        imaging::ComposePhoto(picture_, photo, slide.BackColor);
        ShowPicture();
        return;
    }
    movingSlide_ = index;
    movingPicture_ = std::move(photo);
    ComposeMotionFrame();
    MotionTimer->start();
}

void PreviewController::StartTransition(std::int32_t index) {
    const auto& slides = show_.Slides;
    const auto i = static_cast<std::size_t>(index);
    if (i >= slides.size())
        return;
    const project::Slide& slide = slides[i];
    const int code = project::SlideTransitionCode(slide);
    const bool nextMoves = i + 1 < slides.size() && !slides[i + 1].Ext.Motion.IsStill();
    if (!imaging::IsSmoothTransition(code) && slide.Ext.Motion.IsStill() && !nextMoves &&
        slide.TransitionMs % 1000 == 0) {
        // Still pictures and a seed kind of whole seconds: the transition as it always ran.
        StopMotion();
        std::optional<imaging::SlideSource> incoming;
        if (i + 1 < slides.size())
            incoming = SourceOf(slides[i + 1]);
        transition_.Start(index,
                          {slide.TransitionKind,
                           static_cast<std::int32_t>(slide.TransitionMs / 1000), slide.BackColor},
                          std::move(incoming));
        TransitionTimer->start();
        return;
    }
    // Frame by frame: the outgoing picture (loaded again when it was still), the incoming one.
    if (movingSlide_ != index) {
        imaging::Bitmap photo;
        if (!imaging::LoadSlidePicture(slide.WorkFile, photo))
            return;
        movingPicture_ = std::move(photo);
    }
    incomingPicture_ = imaging::Bitmap();
    if (i + 1 < slides.size() &&
        !imaging::LoadSlidePicture(slides[i + 1].WorkFile, incomingPicture_))
        incomingPicture_ = imaging::Bitmap(); // the background alone comes in
    transition_.Stop();
    TransitionTimer->stop();
    movingSlide_ = index;
    movingTransition_ = true;
    ComposeMotionFrame();
    MotionTimer->start();
}

imaging::MovingSlide PreviewController::Moving(std::size_t i, const imaging::Bitmap& picture,
                                               std::int64_t showMs) const {
    const auto& slides = show_.Slides;
    imaging::MovingSlide m;
    m.Picture = &picture;
    if (i < slides.size()) {
        m.BackColor = slides[i].BackColor;
        m.Motion = slides[i].Ext.Motion;
    }
    m.SlideIndex = static_cast<int>(i);
    m.U = schedule_.Timeline().MotionProgress(i, showMs);
    return m;
}

void PreviewController::ComposeMotionFrame() {
    const auto& slides = show_.Slides;
    const auto i = static_cast<std::size_t>(movingSlide_);
    if (movingSlide_ < 0 || i >= slides.size())
        return;
    const QLabel* image = host_.Picture;
    if (picture_.Width != image->width() || picture_.Height != image->height())
        picture_.SetSizeUninitialised(image->width(), image->height());
    const std::int64_t now = Clock();
    const std::int64_t showMs = schedule_.ShowTimeMs(now);
    const imaging::MovingSlide outgoing = Moving(i, movingPicture_, showMs);
    if (!movingTransition_) {
        imaging::ComposeSlideFrame(picture_, outgoing);
    } else {
        const imaging::MovingSlide incoming = Moving(i + 1, incomingPicture_, showMs);
        const double d = static_cast<double>(slides[i].TransitionMs);
        const double t = static_cast<double>(schedule_.TransitionElapsedMs(now));
        imaging::ComposeTransitionFrame(picture_, outgoing, incoming,
                                        project::SlideTransitionCode(slides[i]), t, d, scratch_);
    }
    ShowPicture();
}

void PreviewController::motionTick() {
    if (movingSlide_ < 0 || schedule_.Paused()) {
        MotionTimer->stop();
        return;
    }
    try {
        ComposeMotionFrame();
    } catch (const std::exception&) {
        StopMotion();
    }
}

void PreviewController::StopMotion() {
    MotionTimer->stop();
    movingSlide_ = -1;
    movingTransition_ = false;
    movingPicture_ = imaging::Bitmap();
}

void PreviewController::ShowPicture() {
    host_.Picture->setPixmap(QPixmap::fromImage(picture_.View()));
}

void PreviewController::EnterLayout() {
    QWidget& w = *host_.Window;
    savedState_ = w.windowState();
    savedPosition_ = w.frameGeometry().topLeft();
    savedSize_ = w.size();
    auto* bar = w.findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly);
    statusBarShown_ = bar && bar->isVisible();
    if (bar)
        bar->hide();
    for (QWidget* part : host_.EditorParts)
        part->hide();
    host_.PictureFrame->setFrameShape(QFrame::NoFrame);
    host_.PictureFrame->layout()->setContentsMargins(0, 0, 0, 0);
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
    QWidget& w = *host_.Window;
    for (QWidget* part : host_.EditorParts)
        part->show();
    host_.PictureFrame->setFrameShape(QFrame::Panel);
    host_.PictureFrame->setFrameShadow(QFrame::Sunken);
    host_.PictureFrame->layout()->setContentsMargins(1, 1, 1, 1);
    if (statusBarShown_)
        if (auto* bar = w.findChild<QStatusBar*>(QString(), Qt::FindDirectChildrenOnly))
            bar->show();
    w.setWindowFlag(Qt::FramelessWindowHint, false);
    w.setWindowState(Qt::WindowNoState);
    w.show();
    // A window that had filled the screen comes back inset on each side.
    QPoint position = savedPosition_;
    QSize size = savedSize_;
    if (position.x() <= 0 && position.y() <= 0) {
        position += QPoint(kRestoreInset, kRestoreInset);
        size -= QSize(2 * kRestoreInset, 2 * kRestoreInset);
    }
    w.resize(size);
    w.move(position);
    w.setAcceptDrops(true);
    picture_ = imaging::Bitmap();
    // The editor's picture again once the layout has settled at the restored size.
    QTimer::singleShot(0, this, [this] {
        if (host_.Restored)
            host_.Restored();
    });
}

bool PreviewController::eventFilter(QObject* watched, QEvent* event) {
    // While the preview fills the screen, Esc stops it and Space pauses or resumes it, wherever
    // the focus is inside the window.
    if (event->type() == QEvent::KeyPress && inLayout_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (widget && widget->window() == host_.Window &&
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
