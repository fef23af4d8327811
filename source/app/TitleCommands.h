// The window's title commands: "Add title" puts a title slide before the selected slide (or first
// in an empty show), and a title slide opens the title editor where a photo opens its effects.
// Each is one step of the history; the title's card (its working picture) is drawn anew with it.
#pragma once

#include "app/ControllerHost.h"

#include <QObject>

#include <cstddef>
#include <functional>

namespace project {
class ShowHistory;
class ShowModel;
class WorkFiles;
} // namespace project

namespace ui {

class StoryboardView;
class TitleDialog;
struct WindowDialogs;

class TitleCommands final : public QObject {
    Q_OBJECT

public:
    TitleCommands(QObject* parent, const project::ShowModel& show, project::ShowHistory& history,
                  const project::WorkFiles& files, StoryboardView& view, WindowDialogs& dialogs,
                  ControllerHost host);

    // Whether slide `index` is a title slide.
    bool IsTitle(int index) const;

    // Runs the editor; true when its values are to be kept. Replaceable by tests.
    std::function<bool(TitleDialog& dialog)> RunDialog;

    void addTitle();
    void editTitle(int index);

private:
    const project::ShowModel& show_;
    project::ShowHistory& history_;
    const project::WorkFiles& files_;
    StoryboardView& view_;
    WindowDialogs& dialogs_;
    ControllerHost host_;
};

} // namespace ui
