// The tests' one way into the main window: a window that lends its test the show, the history, the
// dialogs it asks and the controllers it owns, under the names the window gives them. Widgets are
// not lent: a test finds them by their role names (WidgetLookup.h), as a user's click would.
#pragma once

#include "app/MainWindow.h"
#include "project/ShowEdit.h"

#include <functional>

namespace ui {

class MainWindowProbe final : public MainWindow {
public:
    explicit MainWindowProbe(QWidget* parent = nullptr) : MainWindow(parent) {}

    project::ShowSession& Session = MainWindow::Session;
    const project::ShowModel& Show = MainWindow::Show;
    project::ShowHistory& History = MainWindow::History;
    QString& SiteURL = MainWindow::SiteURL;
    WindowDialogs& Dialogs = MainWindow::Dialogs;

    // The controllers, as the window holds them (they live as long as the window).
    StoryboardView*& Storyboard = MainWindow::Storyboard;
    StoryboardCommands*& Commands = MainWindow::Commands;
    TitleCommands*& Titles = MainWindow::Titles;
    StoryboardInput*& Input = MainWindow::Input;
    ShowFileController*& Files = MainWindow::Files;
    ImportController*& Import = MainWindow::Import;
    PreviewController*& Preview = MainWindow::Preview;
    VideoExportController*& Export = MainWindow::Export;
    DiscController*& Disc = MainWindow::Disc;
    UndoControls*& Undo = MainWindow::Undo;
    WindowJobs*& Jobs = MainWindow::Jobs;
    ProgressWindow*& ProgressView = MainWindow::ProgressView;
    AutosaveController*& Autosave = MainWindow::Autosave;

    // The window's texts taken again from the language table, as after a change of language.
    void ApplyLanguage() { MainWindow::ApplyLanguage(); }

    // Test set-ups change the show as the window does: through its history, one step each.
    // Change edits the values of a draft of the show; Insert puts an item at the end. A set-up
    // leaves the saved state as it found it, so a clean show does not ask to be saved.
    bool Change(const std::function<void(project::ShowContent& show)>& edit) {
        const bool clean = !History.IsModified();
        auto change = History.BeginChange();
        if (!change)
            return false;
        edit(change->Draft);
        const auto done = History.Commit(std::move(*change), QStringLiteral("test set-up"));
        return Settled(clean) && done.ok();
    }
    bool Insert(const project::Slide& slide) {
        const bool clean = !History.IsModified();
        return Settled(clean,
                       History.Apply({project::edit::InsertSlide{Show.Slides().size(), slide}},
                                     QStringLiteral("add")));
    }
    bool Insert(const project::Track& track) {
        const bool clean = !History.IsModified();
        return Settled(clean,
                       History.Apply({project::edit::InsertTrack{Show.Sounds().size(), track}},
                                     QStringLiteral("add")));
    }
    const project::WorkFiles& Work() const { return Session.Files(); }

    QMenu*& PhotoMenu = MainWindow::PhotoMenu;
    QMenu*& TrackMenu = MainWindow::TrackMenu;
    QMenu*& SaveMenu = MainWindow::SaveMenu;

private:
    bool Settled(bool clean, const base::Status& done = {}) {
        if (clean)
            History.MarkSaved();
        return done.ok();
    }
};

} // namespace ui
