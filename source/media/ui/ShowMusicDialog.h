// The show's music settings: the cross-fade between tracks, the fade at the end and even
// loudness (boxes that show their stored state), and the two commands that retime the photos to
// the music ("Fit photos to the music", "Change photos on the beat"), buttons that close the
// dialog with the settings kept and their action chosen. The caller applies all of it to the show
// as one step of the undo history.
#pragma once

#include "project/Track.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QPushButton;
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
    // The action whose button closed the dialog (neither after OK or Cancel).
    bool FitPhotos() const;
    bool CutOnBeats() const;

private:
    enum class Action { None, FitPhotos, CutOnBeats };
    void ApplyLanguage();
    void Act(Action action);

    project::ShowOptions options_;
    QLabel* crossfadeLabel_ = nullptr;
    QLabel* endFadeLabel_ = nullptr;
    QDoubleSpinBox* crossfade_ = nullptr;
    QDoubleSpinBox* endFade_ = nullptr;
    QCheckBox* evenLoudness_ = nullptr;
    QPushButton* fitPhotos_ = nullptr;
    QPushButton* beatCuts_ = nullptr;
    Action action_ = Action::None;
    QLabel* noMusic_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

} // namespace ui
