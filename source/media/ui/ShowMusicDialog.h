// The show's music settings: the cross-fade between tracks, the fade at the end and even
// loudness, and the two commands that retime the photos to the music ("Fit photos to the music",
// "Change photos on the beat"), done when the dialog is accepted. The caller applies all of it
// to the show as one step of the undo history.
#pragma once

#include "project/Track.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QLabel;

namespace ui {

class ShowMusicDialog final : public QDialog {
    Q_OBJECT

public:
    // options: the show's as they are; hasMusic: the retiming commands need music.
    ShowMusicDialog(const project::ShowOptions& options, bool hasMusic, QWidget* parent);

    // The options as the user set them (the ones given, with the dialog's fields on top).
    project::ShowOptions Options() const;
    bool FitPhotos() const;
    bool CutOnBeats() const;

private:
    void ApplyLanguage();

    project::ShowOptions options_;
    QLabel* crossfadeLabel_ = nullptr;
    QLabel* endFadeLabel_ = nullptr;
    QDoubleSpinBox* crossfade_ = nullptr;
    QDoubleSpinBox* endFade_ = nullptr;
    QCheckBox* evenLoudness_ = nullptr;
    QCheckBox* fitPhotos_ = nullptr;
    QCheckBox* beatCuts_ = nullptr;
    QLabel* noMusic_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace ui
