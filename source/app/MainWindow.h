// The main window, the program's shell: toolbars, the preview area, the storyboard and the bottom
// bar. It owns the open show and its working folders for the whole run, and hands its duties to
// objects it owns, each given a narrow host: the storyboard view and its commands, the show's
// file, the import, the preview, the video export and the disc. Every change to the show goes
// through the model; the window only builds, lays out and keeps the busy state.
#pragma once

#include "app/CollageCommands.h"
#include "app/DiscController.h"
#include "app/ImportController.h"
#include "app/MovingPhotoCommand.h"
#include "app/PreviewController.h"
#include "app/RunningJobs.h"
#include "app/ShowFileController.h"
#include "app/StoryboardCommands.h"
#include "app/StoryboardInput.h"
#include "app/StoryboardView.h"
#include "app/TitleCommands.h"
#include "app/UndoControls.h"
#include "app/VideoExportController.h"
#include "app/WindowDialogs.h"
#include "app/WindowMenuBar.h"
#include "project/ShowModel.h"
#include "project/ShowSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <memory>

class QMenu;

namespace Ui {
class MainWindow;
}

namespace ui {

class AutosaveController;
class HelpWindow;
class ShowMusicCommand;
class PhotoRefitCommand;
class ProgressWindow;
class WindowJobs;
class WindowSettings;

// Not final only for the tests' probe (tests/support), which derives from it to reach the parts.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Closes the window without the question about unsaved changes: a signal (kill, Ctrl+C, the
    // end of the session) has nobody at the window to answer it.
    void CloseWithoutQuestion();
    // True while a job (load, save, import, export, disc) or the preview runs. The show may not
    // change then: commands and drops are ignored, and a close waits for the job, which it asks
    // to stop.
    bool Busy() const;
    // At start: offers the work a dead instance left in its recovery file, and opens the show
    // named on the command line (a video clip named there, as a file manager's "Open with" hands
    // it over, comes into the new show instead).
    void OfferRecovery();
    void OpenStartupShow(const QString& path);
    // What the command line handed over (PathsFromArguments): a show to open, or photos, clips,
    // tracks and folders to add to the new show.
    void OpenStartupPaths(const QStringList& paths);
    // The notice of a start without a sound device, shown in the status line.
    static QString NoSoundText();

    // Commands of the window.
    void openHelp(); // the help window (also F1), at the section of the dialog in front
    // The help window at the section that explains `front` (null: the main window).
    void openHelpFor(QWidget* front);
    // The show's music: cross-fade, end fade, even loudness, fit and beat cuts, as one step.
    void openShowMusic();
    // The transition chooser for the photo at index, its choice one step.
    void chooseTransition(int index);
    void openLink(int number); // link icons 6..11
    // The six link addresses behind the link icons (numbers 6..11), after formatting.
    QString LinkAddress(int number) const;
    // Loads a language file into the program's table and applies it; a file that cannot be
    // read leaves the texts as they are.
    void LoadLanguageFile(const QString& path);

Q_SIGNALS:
    // The track the audio library was playing came to its end.
    void trackPlaybackFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    // The one seam for tests: tests/support/MainWindowProbe.h reaches the parts below.
    friend class MainWindowProbe;

    // The open show and its working folders, for the whole run.
    project::ShowSession Session;
    const project::ShowModel& Show = Session.Show();
    // Every change to the show is a step of it; it also knows whether the show is saved.
    project::ShowHistory& History = Session.History();
    QString SiteURL;
    std::unique_ptr<Ui::MainWindow> Form;
    // The questions, file dialogs and messages of the window and every controller; tests
    // replace them.
    WindowDialogs Dialogs;

    // What the window hands its duties to (owned by it).
    StoryboardView* Storyboard = nullptr;
    // Paging, choosing, deleting and moving photos and tracks on the storyboard.
    StoryboardCommands* Commands = nullptr;
    TitleCommands* Titles = nullptr;      // adding and editing title slides
    CollageCommands* Collages = nullptr;  // picked photos made one collage
    MovingPhotoCommand* Moving = nullptr; // a moving photo's clip in its place
    StoryboardInput* Input = nullptr;     // shortcuts, wheel paging, dragging photos
    ShowFileController* Files = nullptr;  // new, open, save, recent shows, recovery, caption
    ImportController* Import = nullptr;   // adding photos and music, drops
    PreviewController* Preview = nullptr;
    VideoExportController* Export = nullptr;
    DiscController* Disc = nullptr;
    // Undo and redo of the show's changes (Ctrl+Z, Ctrl+Shift+Z and the top bar's buttons).
    UndoControls* Undo = nullptr;
    // Runs long work (load, save, import, export) on a worker thread with the progress window.
    WindowJobs* Jobs = nullptr;
    ProgressWindow* ProgressView = nullptr; // the progress window, alive for the whole run
    // Keeps the open show in its recovery file while changes are pending (none without folders).
    AutosaveController* Autosave = nullptr;

    QPointer<HelpWindow> help_; // the help window while it is open
    QMenu* PhotoMenu = nullptr;
    QMenu* TrackMenu = nullptr;
    QMenu* SaveMenu = nullptr;
    // File, Edit, Photo, Music, Show and Help: every command of the window with its key.
    WindowMenuBar MenuBar;

    // A message for the user in the status line, shown for a while, never blocking.
    void ShowNotice(const QString& text);
    // What every controller is given of the window: the dialogs' parent, jobs, the busy state
    // and the status line.
    ControllerHost Host();
    // False, after telling the user why, when the show has no working folders: nothing can be
    // added or opened then (it would be written into the current folder).
    bool HaveWorkingFolders();
    // The enabled state of panels and buttons, from the busy state, the show and the strip's
    // page: recomputed whenever one of them changes (a job begins or ends, the preview or an
    // export starts or stops, the progress window shows or hides, the strip is laid out again,
    // the selection moves, or the history moves).
    void UpdateControlStates();
    void ApplyLanguage();
    void openAbout();
    void showSaveMenu();
    // End of the playing track (the library's notice): release it and turn the track dialog's
    // stop button back into its play button.
    void trackPlaybackEnded();
    void layoutWindow();
    void createWindow();
    void CreateStoryboard();
    void CreateControllers();
    void CreateMenus();
    void CreateHistoryActions();
    void CreateMenuBar();
    void ConnectCommands();
    std::unique_ptr<ShowMusicCommand> showMusic_;
    std::unique_ptr<PhotoRefitCommand> refit_;
    std::unique_ptr<WindowSettings> settings_; // read at start, the dialog, written at close
    bool closed_ = false;
    bool closeWithoutQuestion_ = false;
    bool closeSettled_ = false; // the unsaved changes were saved for this close
    RunningJobs runningJobs_;   // a close waits for them
};

} // namespace ui
