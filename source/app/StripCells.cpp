#include "app/StripCells.h"

#include <QApplication>
#include <QDrag>
#include <QFocusEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace ui {

ThumbImage::ThumbImage(QWidget* parent) : QLabel(parent) {
    // Drops go to the strip, which knows between which cells the photo lands.
    setAcceptDrops(false);
    setFocusPolicy(Qt::StrongFocus);
}

int ThumbImage::DraggedIndex(const QMimeData* data) {
    if (!data || !data->hasFormat(kMimeType))
        return -1;
    bool ok = false;
    const int index = data->data(kMimeType).toInt(&ok);
    return ok && index >= 0 ? index : -1;
}

void ThumbImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    pressed_ = true;
    pressedAt_ = event->position().toPoint();
    Q_EMIT Pressed(this, event->modifiers());
}

void ThumbImage::mouseMoveEvent(QMouseEvent* event) {
    // The drag begins once the pointer has moved a little, so a click only selects.
    if (!pressed_ || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - pressedAt_).manhattanLength() <
            QApplication::startDragDistance()) {
        QLabel::mouseMoveEvent(event);
        return;
    }
    pressed_ = false;
    auto* mime = new QMimeData;
    mime->setData(kMimeType, QByteArray::number(property("Index").toInt()));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (!pixmap().isNull())
        drag->setPixmap(pixmap().scaled(45, 45));
    drag->exec(Qt::MoveAction);
}

void ThumbImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicked = pressed_ && event->button() == Qt::LeftButton;
    pressed_ = false;
    if (clicked)
        Q_EMIT Released(this);
    QLabel::mouseReleaseEvent(event);
}

void ThumbImage::mouseDoubleClickEvent(QMouseEvent* event) {
    pressed_ = false; // no drag starts from a double click
    if (event->button() == Qt::LeftButton)
        Q_EMIT DoubleClicked(this);
    else
        QLabel::mouseDoubleClickEvent(event);
}

void ThumbImage::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        Q_EMIT Focused(this);
}

ClickImage::ClickImage(QWidget* parent) : QLabel(parent) {}

void ClickImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked(this);
    else
        QLabel::mouseReleaseEvent(event);
}

void ClickImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT DoubleClicked(this);
    else
        QLabel::mouseDoubleClickEvent(event);
}

} // namespace ui
