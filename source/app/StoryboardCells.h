// The storyboard's cells, private to the view's files: each photo's and each track's widgets.
#pragma once

#include "app/StoryboardView.h"
#include "app/StripCells.h"

#include <QPixmap>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

namespace ui {

// A top widget of a cell: deleted with the cell, or earlier by its parent when the window goes
// first (a guarded pointer, so it is never deleted twice).
class CellWidget {
public:
    CellWidget() = default;
    CellWidget(const CellWidget&) = delete;
    CellWidget& operator=(const CellWidget&) = delete;
    ~CellWidget() { delete widget_.data(); }
    void reset(QWidget* widget) {
        delete widget_.data();
        widget_ = widget;
    }
    QWidget* get() const { return widget_.data(); }
    QWidget* operator->() const { return widget_.data(); }

private:
    QPointer<QWidget> widget_;
};

struct StoryboardView::PhotoCell {
    CellWidget Panel;
    CellWidget TransitionPanel;
    ThumbImage* Thumb = nullptr;
    ClickImage* TransitionCell = nullptr;
    QToolButton* Menu = nullptr;
    QPixmap Clean; // the thumbnail without frame or texts
};

struct StoryboardView::TrackCell {
    CellWidget Panel;
    ClickImage* Image = nullptr;
    QToolButton* Menu = nullptr;
};

} // namespace ui
