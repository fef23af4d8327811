// The effects dialog's page of a video clip: its filmstrip with the trim's handles, the trim's
// start and end, the clip's sound kept or muted and its volume, and a preview that plays the
// trimmed part over and over while the page is shown. It edits a copy of the clip's settings;
// the caller stores them through the document when the dialog is accepted.
#pragma once

#include "project/Slide.h"
#include "render/ClipPictures.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>

class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace ui {

class ClipFilmstrip;

class ClipEditor final : public QWidget {
    Q_OBJECT

public:
    explicit ClipEditor(const project::ClipSettings& clip, QWidget* parent = nullptr);
    ~ClipEditor() override;

    // The settings as edited so far.
    const project::ClipSettings& Clip() const { return clip_; }
    // The playing preview, for the dialog to place where its preview goes.
    QLabel* Preview() const { return preview_; }
    ClipFilmstrip* Filmstrip() const { return strip_; }
    // The clip's own time of the picture the preview shows last (-1 before the first).
    std::int64_t PreviewMs() const { return shownMs_; }

    // The trim's start or end moved to `ms`, kept within the clip and project::kMinClipMs
    // apart; the sliders, the strip and the preview follow.
    void SetStart(std::int64_t ms);
    void SetEnd(std::int64_t ms);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::int64_t Step(std::int64_t ms) const;
    void ShowTrim();
    // Plays on from `ms` of the clip's own time.
    void PlayFrom(std::int64_t ms);
    void Tick();

    project::ClipSettings clip_;
    ClipFilmstrip* strip_ = nullptr;
    QSlider* startSlider_ = nullptr;
    QSlider* endSlider_ = nullptr;
    QLabel* startTime_ = nullptr;
    QLabel* endTime_ = nullptr;
    QLabel* playsFor_ = nullptr;
    QComboBox* sound_ = nullptr;
    QSpinBox* volume_ = nullptr;
    QLabel* preview_ = nullptr;
    bool updating_ = false;

    std::unique_ptr<render::ClipPictures> pictures_;
    bool cannotPlay_ = false;
    QTimer timer_;
    QElapsedTimer clock_;
    std::int64_t playFromMs_ = 0;
    std::int64_t shownMs_ = -1;
};

} // namespace ui
