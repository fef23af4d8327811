// The track dialog: plays the selected track, shows and sets its playing position, sets its
// volume and its fade-in and fade-out, which it hands back for the caller to store in the track,
// and shows the loudness measured when it was imported.
#pragma once

#include "project/Records.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class QTimer;

namespace Ui {
class TrackDialog;
}

namespace ui {

class TrackDialog final : public QDialog {
    Q_OBJECT

public:
    // sound is the track being set up (a copy is kept).
    TrackDialog(const project::Track& sound, QWidget* parent);
    ~TrackDialog() override;

    // The volume (0..100) the user set, for the track record.
    std::int32_t Volume() const { return sound_.Volume; }
    // The fades (0..10 s) the user set.
    double FadeInSeconds() const;
    double FadeOutSeconds() const;

    // The scroll bar's events as the handler sees them.
    enum class ScrollCode { Track, EndScroll, Other };

    void play(); // play
    void stop(); // stop
    // The track played to its end: the play button comes back.
    void PlaybackEnded();
    void scrollPosition(ScrollCode code);
    void changeVolume();
    void PositionTimerTick();
    bool PositionTimerRunning() const { return positionTimer_ != nullptr; }
    bool Dragging() const { return dragging_; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void ApplyLanguage();
    void FitChangingLabels();
    void ShowLoudness();
    void StartPositionTimer();
    void StopPositionTimer();
    void StopTrack();
    void closeDialog();
    // The scroll bar counts in units of scale_ bytes, so that long tracks fit its int range.
    int ToBar(std::uint64_t bytes) const;
    std::uint64_t FromBar(int value) const;

    std::unique_ptr<Ui::TrackDialog> Form;
    project::Track sound_;
    std::unique_ptr<QTimer> positionTimer_;
    bool dragging_ = false;
    std::int64_t totalSeconds_ = 0;
    std::uint64_t scale_ = 1;
    bool closed_ = false;
};

} // namespace ui
