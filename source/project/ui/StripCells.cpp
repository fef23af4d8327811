#include "project/ui/StripCells.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>

namespace ui {

ThumbImage::ThumbImage(QWidget* parent) : QLabel(parent) {
    setAcceptDrops(true);
}

void ThumbImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    QPointer<ThumbImage> self(this);
    Q_EMIT Pressed(this);
    if (!self)
        return;
    // The drag starts at once; a drop on another thumbnail exchanges the two photos.
    auto* mime = new QMimeData;
    mime->setData(kMimeType, QByteArray::number(property("Tag").toInt()));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (!pixmap().isNull())
        drag->setPixmap(pixmap().scaled(45, 45));
    drag->exec(Qt::MoveAction);
}

void ThumbImage::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(kMimeType))
        event->acceptProposedAction();
}

void ThumbImage::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(kMimeType))
        event->acceptProposedAction();
}

void ThumbImage::dropEvent(QDropEvent* event) {
    bool ok = false;
    const int source = event->mimeData()->data(kMimeType).toInt(&ok);
    if (!ok)
        return;
    event->acceptProposedAction();
    Q_EMIT Dropped(source, property("Tag").toInt());
}

ClickImage::ClickImage(QWidget* parent) : QLabel(parent) {}

void ClickImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked(this);
    else
        QLabel::mouseReleaseEvent(event);
}

} // namespace ui
