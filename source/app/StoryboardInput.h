// Keyboard and mouse of the main window's editor: the window's shortcuts, wheel paging over the
// storyboard, and dragging a photo to another place (a marker shows where it will go; held at a
// strip edge the drag turns the pages). Every change goes through the storyboard's commands; the
// window lends its strip widgets and its own commands through the host.
#pragma once

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
    struct Host {
        // The window the shortcuts belong to, and its strips and paging arrows.
        QWidget* Window = nullptr;
        StoryboardWidgets Widgets;
        // The strip's pages and places, and the commands that change the show.
        StoryboardView* View = nullptr;
        StoryboardCommands* Commands = nullptr;
        PreviewController* Preview = nullptr;
        // True while a job or the preview runs: drags and drops are refused.
        std::function<bool()> Busy;
        // Files dropped on the storyboard, handed to the window's import.
        std::function<void(const QStringList& paths)> DropFiles;
        // The window's commands behind Ctrl+N, Ctrl+O, Ctrl+S and Ctrl+Shift+S.
        std::function<void()> NewShow, OpenShow, SaveShow, SaveVideo;
    };
    explicit StoryboardInput(Host host);

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

    Host host_;
    QFrame* marker_ = nullptr;
    QTimer* edgeTimer_ = nullptr;
    int edgeDirection_ = 0; // -1 left, +1 right, 0 not at an edge
    int dragX_ = 0;         // the drag's last position in the strip
    int wheelRest_ = 0;     // wheel movement not yet turned into a page (fine-grained wheels)
};

} // namespace ui
