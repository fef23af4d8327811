// The widgets of the storyboard cells: a thumbnail that is selected when pressed or reached by
// Tab and is dragged to another place (the strip under it takes the drop), and a picture that
// reports clicks.
#pragma once

#include <QLabel>

class QMimeData;

namespace ui {

// Thumbnail of a photo cell; its "Index" property is its photo's place (set by the storyboard).
class ThumbImage final : public QLabel {
    Q_OBJECT

public:
    explicit ThumbImage(QWidget* parent);
    static constexpr const char* kMimeType = "application/x-reelpane-thumbnail";

    // The dragged photo's place carried by a drag's data; -1 when it carries none.
    static int DraggedIndex(const QMimeData* data);

Q_SIGNALS:
    // Pressed with the left button, with the keys held (Shift, Ctrl pick several).
    void Pressed(ThumbImage* self, Qt::KeyboardModifiers modifiers);
    // Let go without a drag having begun.
    void Released(ThumbImage* self);
    // Double-clicked with the left button: the photo's effects open.
    void DoubleClicked(ThumbImage* self);
    // Keyboard focus arrived (Tab, Shift+Tab): the photo becomes the selected one.
    void Focused(ThumbImage* self);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QPoint pressedAt_;
    bool pressed_ = false;
};

// A picture that reports a left click (transition cells, track cells).
class ClickImage final : public QLabel {
    Q_OBJECT

public:
    explicit ClickImage(QWidget* parent);

Q_SIGNALS:
    void Clicked(ClickImage* self);
    void DoubleClicked(ClickImage* self);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace ui
