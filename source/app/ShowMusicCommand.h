// The show's music command: the dialog of cross-fade, end fade, even loudness, fitting the photos
// to the music and cutting them on the beat, put into the show as one undo step. The beats are
// found by a job on the worker.
#pragma once

#include "project/ShowHistory.h"
#include "project/ShowModel.h"

#include <functional>
#include <string>

class QWidget;

namespace ui {

class StoryboardView;
class WindowJobs;
struct WindowDialogs;

class ShowMusicCommand {
public:
    struct Host {
        QWidget* Parent = nullptr; // of the dialog
        project::ShowModel& Show;
        project::ShowHistory& History;
        WindowJobs& Jobs;
        WindowDialogs& Dialogs;
        StoryboardView& Storyboard;
        std::function<bool()> Busy; // the show may not change while true
    };
    explicit ShowMusicCommand(Host host) : host_(std::move(host)) {}

    void Open();

private:
    // The step's end: committed, the strip laid out again, a problem told.
    void Finish(project::ShowHistory::Change change, const std::string& problem);
    Host host_;
};

} // namespace ui
