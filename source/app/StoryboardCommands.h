// The storyboard's commands: turning the strip's pages, choosing a photo, deleting, moving and
// exchanging photos and tracks, and the editors of the selected photo and track, each change a
// step of the history. It is given the document, its history and the storyboard view, and from
// the window only what it asks through its host: the parent of its dialogs, whether a job runs,
// the questions and messages for the user, and the strip's width.
#pragma once

#include "app/StoryboardView.h"

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace project {
class ShowHistory;
class ShowModel;
} // namespace project

namespace ui {

class StoryboardCommands final : public QObject {
    Q_OBJECT

public:
    struct Host {
        QWidget* DialogParent = nullptr;
        // True while the show may not change (a job runs, or the window closes).
        std::function<bool()> Busy;
        // Yes/No question; true on Yes.
        std::function<bool(const QString& question, const QString& caption)> AskYesNo;
        std::function<void(const QString& text)> ShowMessage;
        // A note that needs no answer (the status bar): a retimed slide's transition that is
        // longer than the photo before or after it.
        std::function<void()> NoteTransitions;
        // The photo strip's width in pixels (it decides how many photos a page shows).
        std::function<int()> StripWidth;
    };
    StoryboardCommands(QObject* parent, project::ShowModel& show, project::ShowHistory& history,
                       StoryboardView& view, Host host);

    // Asks the photo (1..count) the selected one changes places with; 0 when cancelled. Tests
    // replace it.
    std::function<int(int current, int count)> AskSwapPartner;

    void previousStripPage();
    void nextStripPage();
    // The selected photo / track: deleted after a question, or moved by one place.
    void deletePhoto();
    void movePhotoRight();
    void movePhotoLeft();
    void deleteTrack();
    void moveTrackRight();
    void moveTrackLeft();
    // "Swap with..." of the photo menu.
    void swapPhotoWith();
    // Selects photo `index` (clamped to the show) on its page; a thumbnail that had the keyboard
    // focus hands it to the newly selected one.
    void selectPhoto(int index);
    // Moves photo `from` to place `to` (the photos between shift by one) and selects it on its
    // page: dragging a photo and Ctrl+Left/Right come here. False when nothing moved.
    bool MovePhoto(int from, int to);
    // The effects dialog of the selected photo at page `tag` (0..6), its edit one step.
    void openEffects(int tag);
    // The settings of the selected track (volume, fades), one step.
    void openTrackSettings();

Q_SIGNALS:
    // The track the audio library was playing came to its end (an open track dialog listens).
    void trackPlaybackFinished();

private:
    project::ShowModel& show_;
    project::ShowHistory& history_;
    StoryboardView& view_;
    Host host_;
};

} // namespace ui
