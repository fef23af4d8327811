// The window's "Make a collage": two to four picked photos become one collage slide at the first
// one's place, as one step of the history (its undo brings the photos back as they were). A
// collage is edited in the effects dialog, on its own page (StoryboardCommands::openEffects).
#pragma once

#include "app/ControllerHost.h"

#include <QObject>

namespace project {
class ShowHistory;
class ShowModel;
class WorkFiles;
} // namespace project

namespace ui {

class StoryboardView;
struct WindowDialogs;

class CollageCommands final : public QObject {
    Q_OBJECT

public:
    CollageCommands(QObject* parent, const project::ShowModel& show, project::ShowHistory& history,
                    const project::WorkFiles& files, StoryboardView& view, WindowDialogs& dialogs,
                    ControllerHost host);

    // Whether the picked slides can be made a collage: two to four, all of them photos.
    bool CanMakeCollage() const;

    void makeCollage();

private:
    const project::ShowModel& show_;
    project::ShowHistory& history_;
    const project::WorkFiles& files_;
    StoryboardView& view_;
    WindowDialogs& dialogs_;
    ControllerHost host_;
};

} // namespace ui
