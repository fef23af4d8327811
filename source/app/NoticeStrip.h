// The window's notices (what a command did, a silent sound device) shown as a strip over the
// bottom of the preview, so that the window's parts stay where they are while one shows. The
// strip follows the window's status bar, which keeps the message and its time out but is not
// shown itself; a click on the strip clears the notice.
#pragma once

#include <QLabel>

class QStatusBar;

namespace ui {

class NoticeStrip final : public QLabel {
    Q_OBJECT

public:
    // over: the widget whose bottom edge the strip lies along; messages: the status bar whose
    // message it shows.
    NoticeStrip(QWidget* over, QStatusBar* messages);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Show(const QString& text);
    void Place();

    QStatusBar* messages_;
};

} // namespace ui
