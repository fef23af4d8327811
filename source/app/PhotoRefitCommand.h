// The photos drawn again from their originals, from the Photo menu ("Refit from originals…", at
// the show's photo size) or from the MP4 dialog's note (at the size the video needs). When some
// photos are drawn from their working picture (a show saved without originals), the folder that
// holds their files is asked for and the files are matched to them; then a job draws the new
// working pictures, and the show takes them as one undo step. What was done is told in the
// status line.
#pragma once

#include "app/ControllerHost.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/WorkFiles.h"

#include <functional>

namespace ui {

class WindowJobs;
struct WindowDialogs;

class PhotoRefitCommand {
public:
    PhotoRefitCommand(ControllerHost host, const project::ShowModel& show,
                      project::ShowHistory& history, const project::WorkFiles& files,
                      WindowJobs& jobs, WindowDialogs& dialogs)
        : host_(std::move(host)), show_(show), history_(history), files_(files), jobs_(jobs),
          dialogs_(dialogs) {}

    // The Photo menu's command: at the show's photo size.
    void FromOriginals();
    // At width x height (the MP4 dialog's note); then runs once the step is made, or the refit
    // was given up or failed (the user was told).
    void AtSize(int width, int height, std::function<void()> then);

    // Whether a photo of the show is drawn from its working picture, so its file is looked for.
    bool NeedsOriginals() const;

private:
    void Run(project::PhotoSettings photos, std::function<void()> then);

    ControllerHost host_;
    const project::ShowModel& show_;
    project::ShowHistory& history_;
    const project::WorkFiles& files_;
    WindowJobs& jobs_;
    WindowDialogs& dialogs_;
};

} // namespace ui
