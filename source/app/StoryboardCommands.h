// The storyboard's commands: turning the strip's pages, choosing a photo, deleting, moving and
// exchanging photos and tracks, and the editors of the selected photo and track, each change a
// step of the history. It is given the document, its history and the storyboard view, and from
// the window only what it asks through its host: the parent of its dialogs, whether a job runs and
// the status line; the questions and messages for the user go through the window's dialogs.
#pragma once

#include "app/ControllerHost.h"
#include "app/StoryboardView.h"
#include "base/Result.h"
#include "project/SlideEdits.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace project {
class ShowHistory;
class ShowModel;
} // namespace project

namespace ui {

class EffectsDialog;
class SlidePicture;
struct WindowDialogs;

class StoryboardCommands final : public QObject {
    Q_OBJECT

public:
    // host: the dialogs' parent, whether the show may change (not while a job runs or once the
    // window closes) and the status line; dialogs: the questions and messages.
    StoryboardCommands(QObject* parent, const project::ShowModel& show,
                       project::ShowHistory& history, StoryboardView& view, WindowDialogs& dialogs,
                       ControllerHost host);

    // The passing notice, once after an edit, of the transitions longer than the photo before
    // or after them (nothing when there are none).
    void NoteLongTransitions();

    // Asks the photo (1..count) the selected one changes places with; 0 when cancelled. Tests
    // replace it.
    std::function<int(int current, int count)> AskSwapPartner;

    void previousStripPage();
    void nextStripPage();
    // The selected photo / track: deleted after a question, or moved by one place. With several
    // photos picked, all of them, as one step (they stay picked at their new places).
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
    // The picked photos gathered, in their order, at gap `gap` of the show (0 = before the first):
    // a drag of one of several picked photos comes here. One step; false when nothing moved.
    bool MovePickedToGap(int gap);
    // Ctrl+A: every photo picked.
    void selectAllPhotos();
    // The edits given, in order, to the slides at `targets` that take them, as one step named
    // `text` (a part of the batch when one runs); a slide that refuses refuses them all, and the
    // user is told. False when nothing changed.
    bool EditPicked(const std::vector<std::size_t>& targets,
                    const std::vector<project::SlideEdit>& edits, const QString& text);
    // The effects dialog of the selected slide at `page` (0..6, remembered as the page used last,
    // or EffectsDialog::kClipPage), its edit one step; a page the slide has not (a photo's page
    // on a clip) opens the slide's own. A slide EditTitle takes (a title) goes to it instead.
    void openEffects(int page);
    std::function<bool(std::size_t index)> EditTitle;
    // The settings of the selected track (volume, fades), one step.
    void openTrackSettings();

Q_SIGNALS:
    // The track the audio library was playing came to its end (an open track dialog listens).
    void trackPlaybackFinished();

private:
    // The picked photos when there are several (empty for one).
    std::vector<std::size_t> SeveralPicked() const;
    void DeletePicked(const std::vector<std::size_t>& picked);
    bool MovePickedByOne(int step);
    // The edits the effects dialog gives to other slides than `index` (the picked ones, or all),
    // made after its own step as a part of the same step.
    void GiveToOthers(const EffectsDialog& dialog, const SlidePicture& picture, std::size_t index,
                      const project::Slide& before);
    // A move the history refused, told in a message box.
    void ShowFailure(const base::Status& done);

    const project::ShowModel& show_;
    project::ShowHistory& history_;
    StoryboardView& view_;
    WindowDialogs& dialogs_;
    ControllerHost host_;
};

} // namespace ui
