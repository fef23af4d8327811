// Main window: files and folders dropped from a file manager.
#include "project/ui/TForm1.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace ui {

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptDrops() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    AcceptDroppedPaths(paths);
}

void TForm1::AcceptDroppedPaths(const QStringList& paths) {
    // Import issue: folders give their photos, files their photo or track, through AddPhoto
    // and AddTrack, with a repaint after each item.
    (void)paths;
}

} // namespace ui
