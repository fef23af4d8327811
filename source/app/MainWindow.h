// The main window, the program's shell: toolbars, the preview area, the storyboard and the bottom
// bar. It owns the open show and its working folders for the whole run, and hands its duties to
// objects it owns: the storyboard view and the preview, video-export and disc controllers. Every
// change to the show goes through the model; the window only asks, shows and lays out.
#pragma once

#include "app/DiscController.h"
#include "app/PreviewController.h"
#include "app/StoryboardCommands.h"
#include "app/StoryboardInput.h"
#include "app/StoryboardView.h"
#include "app/UndoControls.h"
#include "app/VideoExportController.h"
#include "base/Job.h"
#include "project/Import.h"
#include "project/ShowModel.h"
#include "project/ShowSession.h"

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QTimer;
class QToolButton;
class QUrl;

namespace Ui {
class MainWindow;
}

namespace ui {

class AutosaveController;
class ProgressWindow;
class WindowJobs;
class RecentShowsMenu;

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The open show and its working folders, for the whole run.
    project::ShowSession Session;
    project::ShowModel& Show = Session.Show();
    // Every change to the show is a step of it; it also knows whether the show is saved.
    project::ShowHistory& History = Session.History();
    QString SiteURL;
    std::unique_ptr<Ui::MainWindow> Form;

    // What the window hands its duties to (owned by it).
    StoryboardView* Storyboard = nullptr;
    PreviewController* Preview = nullptr;
    VideoExportController* Export = nullptr;
    DiscController* Disc = nullptr;
    StoryboardInput* Input = nullptr; // shortcuts, wheel paging, dragging photos
    // Paging, choosing, deleting and moving photos and tracks on the storyboard.
    StoryboardCommands* Commands = nullptr;
    // 100 ms, always on: the enabled state of panels and buttons by the busy state.
    QTimer* BusyTimer = nullptr;

    ProgressWindow* ProgressView = nullptr; // the progress window, alive for the whole run
    // Runs long work (load, save, import, export) on a worker thread with the progress window.
    WindowJobs* Jobs = nullptr;
    // Keeps the open show in its recovery file while changes are pending (none without folders).
    AutosaveController* Autosave = nullptr;
    // The show's own file: where Ctrl+S saves; "" for a show never opened from or saved to one.
    QString ShowFile;
    QAction* SaveAction = nullptr; // save to the show's own file (Ctrl+S)

    QMenu* PhotoMenu = nullptr; // photo menu
    QMenu* TrackMenu = nullptr; // track menu
    QMenu* SaveMenu = nullptr;  // save menu

    // Yes/No question with the second button as default; true on Yes. Tests replace it.
    std::function<bool(const QString& question, const QString& caption)> AskYesNo;
    // Opens an address or a file with the desktop's default handler. Tests replace it.
    std::function<void(const QString& target)> OpenExternal;
    // Hands an address to the desktop's launcher (the browser); false when none took it, which
    // OpenExternal then tells the user. Tests replace it.
    std::function<bool(const QUrl& url)> LaunchUrl;
    // The shows last opened or saved, offered again from the open button's menu.
    RecentShowsMenu* Recent = nullptr;
    // Reports whether the progress window is visible; tests may replace it.
    std::function<bool()> ProgressVisible;
    // File dialogs; tests replace them. Each returns the chosen path or "" when cancelled.
    std::function<QString(const QString& proposed, bool avi)> AskSaveName;
    std::function<QString()> AskOpenName;
    // The add-photos and add-music file dialogs; tests replace them.
    std::function<QStringList()> AskPhotoFiles;
    std::function<QStringList()> AskTrackFiles;
    // Shows a warning message box.
    std::function<void(const QString& text)> ShowMessage;
    // The question before unsaved changes would be lost (close, New, Open). Tests replace it.
    enum class SaveAnswer { Save, Discard, Cancel };
    std::function<SaveAnswer(const QString& question, const QString& caption)> AskSaveChanges;

    // Undo and redo of the show's changes (Ctrl+Z, Ctrl+Shift+Z and the top bar's buttons).
    UndoControls* Undo = nullptr;

    // Closes the window without the question about unsaved changes: a signal (kill, Ctrl+C, the
    // end of the session) has nobody at the window to answer it.
    void CloseWithoutQuestion();

    // True while a job (load, save, import, export, disc) or the preview runs. The show may not
    // change then: commands and drops are ignored, and a close waits for the job, which it asks
    // to stop.
    bool Busy() const;
    // A job's length, on the interface thread: the window is busy, and Cancel or a close asks the
    // job to stop. When the last job ends, a close asked for meanwhile is carried out.
    class JobScope {
    public:
        JobScope(MainWindow& window, base::Progress& job);
        ~JobScope();
        JobScope(const JobScope&) = delete;
        JobScope& operator=(const JobScope&) = delete;

    private:
        MainWindow& window_;
        base::Progress* outer_;
    };

    // The file name the save dialogs propose.
    QString ProposedFileName() const;
    // A message for the user in the status line, shown for a while, never blocking.
    void ShowNotice(const QString& text);
    // False, after telling the user why, when the show has no working folders: nothing can be
    // added or opened then (it would be written into the current folder).
    bool HaveWorkingFolders();
    // The notice of a start without a sound device.
    static QString NoSoundText();

    // Project file: the load as the open command runs it (true = loaded or cancelled).
    bool OpenProjectFile(const QString& path);
    // The load behind it; remember = put the file in the recent list and make it the show's own.
    bool LoadShowFile(const QString& path, bool remember);
    // The show named on the command line (a file manager's double click): a file that is
    // missing or fails to load is reported, and the show stays empty.
    void OpenStartupShow(const QString& path);
    // A show picked from the recent list: a missing file is reported and dropped from the list;
    // one that fails to load is reported as the open command reports it.
    void OpenRecentShow(const QString& path);
    // The load-failure message (also the open command's).
    static QString LoadFailureText();
    bool SaveProjectFile(const QString& path);
    // Ctrl+S: saves to the show's own file, or asks for a name when it has none.
    void saveProject();
    // The caption: "name — program" for a show with a file, "*" in front while changes are
    // unsaved, the program's name alone for a new, unchanged show.
    void UpdateTitle();
    static QString ProgramTitle();
    // At start: offers each show a dead instance left in a recovery file, newest first. Yes
    // opens it as an unsaved show (and stops), No deletes it.
    void OfferRecovery();
    static QString RecoveryQuestion(const QString& when, int photos, const QString& show);
    // Where a file dialog of this kind ("Photos", "Music", "Shows", "Videos") starts: the folder
    // last used for it, otherwise the user's pictures, music or videos folder, otherwise home.
    static QString StartFolder(const QString& kind);
    static void RememberFolder(const QString& kind, const QString& chosenPath);
    // One file of each kind imported with its storyboard cells; true when an item was added,
    // Failed() when its working copy could not be written.
    project::ImportStatus AddPhoto(const QString& path);
    // Hands the thumbnails an import makes to the storyboard's cache.
    project::ThumbnailMade SeedThumbnail();
    project::ImportStatus AddTrack(const QString& path);

    // Commands of the window.
    void openHelp();      // help page (also F1)
    void newProject();    // new project
    void openProject();   // open
    void saveAsProject(); // save as project
    void addPhotos();     // add photos
    void addMusic();      // add music
    // The show's music: cross-fade, end fade, even loudness, fit and beat cuts, as one step.
    void openShowMusic();
    void openLink(int number); // link icons 6..11

    void updateBusyState();
    // Loads a language file into the program's table and applies it; a file that cannot be
    // read leaves the texts as they are.
    void LoadLanguageFile(const QString& path);

    // Files and folders dropped on the window or handed over otherwise.
    void AcceptDroppedPaths(const QStringList& paths);
    // Brings files in one by one with addOne as a job on the worker, in the progress window
    // (item n of N, Cancel): addOne imports a file into a copy of the show, and each new item is
    // put into the show here as it comes. Then the strip shows the first new photo selected, or
    // the first new track. The batch is one undo step.
    using ImportOne =
        std::function<project::ImportStatus(project::ShowModel& into, const std::string& path)>;
    void ImportBatch(const QStringList& files, const ImportOne& addOne);
    // A photo or track a batch imported, put at the end of the show as one of its additions.
    void PlaceImportedPhoto(const project::Slide& slide);
    void PlaceImportedTrack(const project::Track& track);

    // The message naming the files an import skipped because they could not be read.
    static QString UnreadableFilesText(const QStringList& names);

    // The six link addresses behind LinkIcon1..LinkIcon6, after formatting.
    QString LinkAddress(int number) const;

Q_SIGNALS:
    // The track the audio library was playing came to its end.
    void trackPlaybackFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    // The strip turns to the page of a photo just added at the end, and selects it.
    void ShowAddedPhoto(std::size_t index);
    void ResetAfterCancel();
    void ApplyLanguage();
    // The message when no program takes an address, with the address.
    static QString LaunchFailureText(const QString& address);
    // When the show has unsaved changes, asks whether to save them: false when the user cancels
    // or the save did not succeed (the caller then stops), true to go on.
    bool SettleUnsavedChanges();
    void openSettings(); // settings
    void openAbout();    // about
    void showSaveMenu(); // save menu
    // End of the playing track (the library's notice): release it and turn the track dialog's
    // stop button back into its play button.
    void trackPlaybackEnded();
    void layoutWindow();
    // Centres the bottom toolbar in the bottom bar.
    void CenterBottomToolbar();
    void createWindow();
    void CreateStoryboard();
    void CreateControllers();
    void CreateTimers();
    void CreateMenus();
    void AddSwapCommand();
    void CreateHistoryActions();
    void ClearShow();
    // The strip page that shows the selected photo, after an undo or redo.
    void RevealSelectedSlide();
    void CreateProjectDialogs();
    void ConnectCommands();
    void SetIcons();
    void ReadSettings();
    void WriteSettings();
    void ReleaseAudio();
    bool closed_ = false;
    bool closeWithoutQuestion_ = false;
    int jobs_ = 0;                         // jobs running (nested: a load imports)
    base::Progress* runningJob_ = nullptr; // the innermost, asked to stop on close
    bool closeWhenIdle_ = false;
};

} // namespace ui
