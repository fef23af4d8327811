// The full-screen preview of the main window: the show played in previewImage with its music. Its
// pictures are the renderer's frames at 60 per second, drawn ahead on a worker (PreviewFrames);
// the frame timer (16 ms) only shows the frame on screen at the show's time, read from a
// monotonic clock. The schedule timer (30 ms) starts the tracks and ends the show, as the schedule
// (render/PreviewSchedule.h) decides. It turns the window into a borderless maximised picture and
// back, and answers a click on the picture, Esc (stop) and Space (pause and resume pictures and
// music together).
#pragma once

#include "app/ControllerHost.h"
#include "app/PreviewMusic.h"
#include "render/PreviewFrames.h"
#include "render/PreviewSchedule.h"

#include <QObject>
#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QTimer;
class QWidget;

namespace project {
class ShowModel;
class WorkFiles;
} // namespace project

namespace ui {

class ProgressWindow;

// The widgets the preview plays in and the storyboard it tells, lent by the window. The window
// itself (the host's dialog parent) becomes a full-screen picture while the show plays.
struct PreviewStage {
    QLabel* Picture = nullptr;         // where the show plays (the editor's picture)
    QFrame* PictureFrame = nullptr;    // the picture's frame, without border meanwhile
    std::vector<QWidget*> EditorParts; // hidden while the show plays
    // Where mixing the music reports its progress (null: nowhere).
    std::function<ProgressWindow*()> Progress;
    // The storyboard back at its first page and photo, when the show starts.
    std::function<void()> Rewind;
    // The window has its editor layout back (once it has settled).
    std::function<void()> Restored;
};

class PreviewController final : public QObject {
    Q_OBJECT

public:
    // host: the preview does not start while the window is busy with a job. files: where the
    // renderer keeps its scratch picture.
    PreviewController(QObject* parent, const project::ShowModel& show,
                      const project::WorkFiles& files, ControllerHost host, PreviewStage stage);

    // The preview's frames per second: the renderer draws the show at this rate.
    static constexpr std::int64_t kFramesPerSecond = 60;

    QTimer* ScheduleTimer = nullptr; // 30 ms, the show's schedule: tracks and the end
    QTimer* FrameTimer = nullptr;    // 16 ms, the frame on screen

    // Milliseconds of a monotonic clock; tests replace it to drive the show's time.
    std::function<std::int64_t()> Clock;

    // True while the preview plays, paused or not; the window is busy then.
    bool Running() const;
    bool Paused() const { return schedule_.Paused(); }
    // Enters the full-screen layout and starts the show from its first slide (a show without
    // slides, or a busy window, does nothing).
    void start();
    // Ends the show: the music stops, the window gets its layout and geometry back. Does nothing
    // when no preview runs.
    void stop();
    // Space: pictures and music stop where they are, or carry on from there.
    void togglePause();

    // One tick of each timer; the timers call them.
    void scheduleTick();
    void frameTick();
    // Waits (at most timeoutMs) until the frame on screen now is drawn, so that the next frame
    // tick shows it: for tests and benchmarks, which drive the clock themselves.
    bool WaitForFrame(int timeoutMs);

    // The track the preview started last, while it still plays (-1: none).
    std::int32_t PlayingTrack() const;
    // Why the music last failed to play or stop during a preview ("" when it never did).
    const std::string& MusicFailure() const { return musicFailure_; }
    const render::PreviewSchedule& Schedule() const { return schedule_; }

Q_SIGNALS:
    // The preview started or stopped: the window is busy while it runs.
    void runningChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The small "Paused" mark in the picture's corner while the show is paused.
    void ShowPausedMark(bool shown);
    void EnterLayout();
    void LeaveLayout();
    void StartTrack(std::int32_t index);
    void NoteMusicFailure(const base::Status& status);
    // Sets up the music streamed from the mix when the show's fades need one (nothing is mixed
    // ahead); false when the user cancelled.
    bool PrepareMusic();
    // The frame on screen at the show's time now.
    std::int64_t FrameNow() const;
    void EnsureFrames();

    const project::ShowModel& show_;
    const project::WorkFiles& files_;
    ControllerHost host_;
    PreviewStage stage_;
    render::PreviewSchedule schedule_;
    std::string musicFailure_;
    // The frames drawn ahead, at the picture's size (made again when it changes).
    std::unique_ptr<render::PreviewFrames> frames_;
    bool inLayout_ = false;
    // The window as it was before the preview: its state and its area when shown normally.
    Qt::WindowStates savedState_;
    QRect savedNormal_;
    bool menuBarShown_ = false;
    bool statusBarShown_ = false;
    std::int32_t startedTrack_ = -1;
    // A track paused with the show, and where it was.
    std::int32_t pausedTrack_ = -1;
    std::uint64_t pausedPosition_ = 0;
    QLabel* pausedMark_ = nullptr;
    // The mixed music that stands for the tracks when the show has fades.
    PreviewMusic music_;
};

} // namespace ui
