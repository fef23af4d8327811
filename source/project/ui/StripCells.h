// The widgets of the storyboard cells: a thumbnail that starts a drag when pressed and takes
// drops of other thumbnails, and a picture that reports clicks.
#pragma once

#include <QLabel>

namespace ui {

// Thumbnail of a photo cell ("ThumbImage_" + index); its "Tag" property is position + 1.
class ThumbImage final : public QLabel {
    Q_OBJECT

public:
    explicit ThumbImage(QWidget* parent);
    static constexpr const char* kMimeType = "application/x-reelpane-thumbnail";

Q_SIGNALS:
    void Pressed(ThumbImage* self);
    void Dropped(int sourceTag, int targetTag);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// A picture that reports a left click (transition cells, track cells).
class ClickImage final : public QLabel {
    Q_OBJECT

public:
    explicit ClickImage(QWidget* parent);

Q_SIGNALS:
    void Clicked(ClickImage* self);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace ui
