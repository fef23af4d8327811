#include "app/NoticeStrip.h"

#include <QEvent>
#include <QMouseEvent>
#include <QStatusBar>

namespace ui {

NoticeStrip::NoticeStrip(QWidget* over, QStatusBar* messages) : QLabel(over), messages_(messages) {
    setObjectName("NoticeStrip");
    setWordWrap(true);
    setMargin(6);
    // Light text on a dark veil: readable over any photo, and plainly not part of it.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(24, 24, 24, 215));
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    setCursor(Qt::PointingHandCursor);
    hide();
    over->installEventFilter(this);
    connect(messages_, &QStatusBar::messageChanged, this, &NoticeStrip::Show);
}

void NoticeStrip::Show(const QString& text) {
    setText(text);
    setToolTip(text);
    setVisible(!text.isEmpty());
    if (!text.isEmpty()) {
        Place();
        raise();
    }
}

void NoticeStrip::Place() {
    const QWidget* over = parentWidget();
    const int height = std::min(heightForWidth(over->width()), over->height());
    setGeometry(0, over->height() - height, over->width(), height);
}

bool NoticeStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        Place();
    return QLabel::eventFilter(watched, event);
}

void NoticeStrip::mousePressEvent(QMouseEvent* event) {
    messages_->clearMessage();
    event->accept();
}

} // namespace ui
