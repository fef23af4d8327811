// The main window's widgets that the storyboard draws into and its input listens on, lent by the
// window instead of its whole form.
#pragma once

class QLabel;
class QToolButton;
class QWidget;

namespace ui {

struct StoryboardWidgets {
    QWidget* PhotoStrip = nullptr; // the photos' cells; its width decides a page
    QWidget* MusicStrip = nullptr; // the tracks' cells
    QLabel* Ruler = nullptr;       // the time ruler over the strips
    QWidget* RulerPanel = nullptr; // the panel whose colour the ruler is drawn on
    QLabel* Picture = nullptr;     // the editor's picture of the selected photo
    QToolButton* PreviousPage = nullptr;
    QToolButton* NextPage = nullptr;
};

} // namespace ui
