// The tests' one way into the main window: a window that lends its test the show, the history, the
// dialogs it asks and the controllers it owns, under the names the window gives them. Widgets are
// not lent: a test finds them by their role names (WidgetLookup.h), as a user's click would.
#pragma once

#include "app/MainWindow.h"

namespace ui {

class MainWindowProbe final : public MainWindow {
public:
    explicit MainWindowProbe(QWidget* parent = nullptr) : MainWindow(parent) {}

    project::ShowSession& Session = MainWindow::Session;
    project::ShowModel& Show = MainWindow::Show;
    project::ShowHistory& History = MainWindow::History;
    QString& SiteURL = MainWindow::SiteURL;
    WindowDialogs& Dialogs = MainWindow::Dialogs;

    // The controllers, as the window holds them (they live as long as the window).
    StoryboardView*& Storyboard = MainWindow::Storyboard;
    StoryboardCommands*& Commands = MainWindow::Commands;
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

    QMenu*& PhotoMenu = MainWindow::PhotoMenu;
    QMenu*& TrackMenu = MainWindow::TrackMenu;
    QMenu*& SaveMenu = MainWindow::SaveMenu;
};

} // namespace ui
