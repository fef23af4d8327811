// Keyboard and mouse of the main window's editor: the window's shortcuts (actions of the window,
// named "...Shortcut", which the menu bar lists), wheel paging over the
// storyboard, and dragging a photo to another place (a marker shows where it will go; held at a
// strip edge the drag turns the pages). Every change goes through the storyboard's commands; the
// window lends its host (the window the shortcuts belong to, the busy state) and its own commands.
#pragma once

#include "app/ControllerHost.h"
#include "app/StoryboardWidgets.h"

#include <QKeySequence>
#include <QObject>

#include <QStringList>

#include <functional>

class QDragMoveEvent;
class QDropEvent;
class QFrame;
class QTimer;
class QWheelEvent;
class QWidget;

namespace ui {

class PreviewController;
class StoryboardCommands;
class StoryboardView;

class StoryboardInput final : public QObject {
    Q_OBJECT

public:
    // The window's own commands that its keys and drops reach.
    struct WindowCommands {
        // Behind Ctrl+N, Ctrl+O and Ctrl+S.
        std::function<void()> NewShow, OpenShow, SaveShow;
        // Files dropped on the storyboard, handed to the window's import.
        std::function<void(const QStringList& paths)> DropFiles;
    };
    // host: its dialog parent is the window the shortcuts belong to; drags and drops are refused
    // while it is busy. view: the strips (its widgets), their pages and places; commands: what
    // changes the show; preview: started, paused and resumed from the keyboard.
    StoryboardInput(ControllerHost host, StoryboardView& view, StoryboardCommands& commands,
                    PreviewController& preview, WindowCommands window);

    // Pixels at each end of the photo strip where a held drag turns the page, and how often.
    static constexpr int kEdgeZone = 24;
    static constexpr int kEdgePagingMs = 600;
    // One notch of a mouse wheel (angle delta units).
    static constexpr int kWheelStep = 120;

    // The line between two cells where a dragged photo will be put; hidden when no drag is over.
    QFrame* DropMarker() const { return marker_; }
    // Turns a page towards the strip edge a drag is held at (what the edge timer does).
    void PageTowardsEdge();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddShortcut(const QKeySequence& keys, const char* name, std::function<void()> action);
    void CreateShortcuts();
    bool Wheel(QWheelEvent* event);
    bool DragOver(QObject* watched, QDragMoveEvent* event);
    bool Drop(QObject* watched, QDropEvent* event);
    void EndDrag();
    void PlaceMarker();

    ControllerHost host_;
    StoryboardView& view_;
    StoryboardCommands& commands_;
    PreviewController& preview_;
    WindowCommands window_;
    StoryboardWidgets strip_; // the window's strips and paging arrows, the view's
    QFrame* marker_ = nullptr;
    QTimer* edgeTimer_ = nullptr;
    int edgeDirection_ = 0; // -1 left, +1 right, 0 not at an edge
    int dragX_ = 0;         // the drag's last position in the strip
    int wheelRest_ = 0;     // wheel movement not yet turned into a page (fine-grained wheels)
};

} // namespace ui
