// The show's own file: New, Open (from the dialog, the recent list and the command line), Save
// and Save as, the question before unsaved changes are lost, the caption that names the show and
// tells whether changes are unsaved, and the recovery offered at start. Loads and saves run on
// the window's job runner. It is given the session (the show, its history and folders), the job
// runner and the user's dialogs, and from the window its host (dialog parent, busy state,
// notices) and the few neighbours a show's file reaches.
#pragma once

#include "app/ControllerHost.h"
#include "project/Import.h"
#include "project/ProjectOpen.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QToolButton;
class QWidget;

namespace project {
class ShowSession;
}

namespace ui {

class AutosaveController;
class RecentShowsMenu;
class WindowJobs;
struct WindowDialogs;

class ShowFileController final : public QObject {
    Q_OBJECT

public:
    // What a show's file reaches beyond the document: the open button's menu, the working
    // folders, the storyboard that follows a new show, and the recovery file.
    struct Neighbours {
        // The recent list drops down from this button's arrow.
        QToolButton* OpenButton = nullptr;
        // False, after telling the user why, when the show has no working folders.
        std::function<bool()> HaveWorkingFolders;
        // Hands the thumbnails a load makes to the storyboard's cache.
        std::function<project::ThumbnailMade()> ThumbnailsToView;
        // The show was replaced or emptied: the strip is laid out again, at its first page and
        // photo when resetSelection.
        std::function<void(bool resetSelection)> Relayout;
        // The recovery file's keeper (null without working folders).
        std::function<AutosaveController*()> Autosave;
        // The photo settings of a new show, and those an opened show's photos come in with
        // (unset: the show's own stay).
        std::function<project::PhotoSettings()> NewShowPhotos, OpenedShowPhotos;
    };
    // host: the dialogs' parent is the window whose caption names the show; its busy state also
    // holds once the window has closed (a close may come in while a save or load runs).
    ShowFileController(QObject* parent, project::ShowSession& session, WindowJobs& jobs,
                       WindowDialogs& dialogs, ControllerHost host, Neighbours neighbours);

    // The shows last opened or saved, offered again from the open button's menu.
    RecentShowsMenu* Recent = nullptr;
    // Where Ctrl+S saves; "" for a show never opened from or saved to a file.
    const QString& ShowFile() const { return showFile_; }

    // The commands: a new show, the open dialog, Ctrl+S (saves to the show's own file, or asks
    // for a name when it has none), and the save dialog.
    void newProject();
    void openProject();
    void saveProject();
    void saveAsProject();

    // Loads and saves run as jobs: each call starts one and returns; then (when given) runs on
    // this thread once it has ended. False, starting nothing (then is not called), while another
    // job runs.
    // The load as the open command runs it; then hears whether it loaded (or was cancelled).
    bool OpenProjectFile(const QString& path, std::function<void(bool loaded)> then = {});
    // The load behind it; remember = put the file in the recent list and make it the show's own.
    bool LoadShowFile(const QString& path, bool remember,
                      std::function<void(bool loaded)> then = {});
    // The show named on the command line (a file manager's double click): a file that is
    // missing or fails to load is reported, and the show stays empty.
    void OpenStartupShow(const QString& path);
    // A show picked from the recent list: a missing file is reported and dropped from the list;
    // one that fails to load is reported as the open command reports it.
    void OpenRecentShow(const QString& path);
    // The load-failure words (also the open command's), and with them the last failed load's
    // file and reason.
    static QString LoadFailureText();
    QString LoadFailureMessage() const;
    // The save; then hears whether the show was saved.
    bool SaveProjectFile(const QString& path, std::function<void(bool saved)> then = {});
    // When the show has unsaved changes, asks whether to save them. GoOn: nothing to keep, or the
    // user lets the changes go. Stop: the user cancelled, or no save could start. Saving: a save
    // has started, and afterSave hears whether it saved (the caller goes on there).
    enum class Settle { GoOn, Stop, Saving };
    Settle SettleUnsavedChanges(std::function<void(bool saved)> afterSave);

    // The caption: "name — program" for a show with a file, "*" in front while changes are
    // unsaved, the program's name alone for a new, unchanged show.
    void UpdateTitle();
    static QString ProgramTitle();
    // At start: offers each show a dead instance left in a recovery file, newest first. Yes
    // opens it as an unsaved show (and stops), No deletes it.
    void OfferRecovery();
    static QString RecoveryQuestion(const QString& when, int photos, const QString& show);

private:
    // After the question about unsaved changes: runs next now, or once the show was saved.
    void ThenIfSettled(std::function<void()> next);
    void ClearShow();
    void ResetAfterCancel();
    // A load's end: the loaded show replaces the open one when it loaded whole. False when the
    // load failed.
    bool TakeLoadedShow(const QString& path, bool remember, project::LoadedShow loaded);
    std::optional<project::PhotoSettings> NewShowPhotos() const;

    project::ShowSession& session_;
    WindowJobs& jobs_;
    WindowDialogs& dialogs_;
    ControllerHost host_;
    Neighbours neighbours_;
    QString showFile_;
    QString loadFailure_; // the file and reason of the last load that failed
};

} // namespace ui
