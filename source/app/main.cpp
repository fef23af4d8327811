// Program entry: the application, the main window and the progress window, then the loop.
#include "app/MainWindow.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tarnwick Reelpane Freeware");
    QApplication::setApplicationDisplayName("Tarnwick Reelpane Freeware");
    QApplication::setOrganizationName("Tarnwick");
    QApplication::setApplicationVersion(REELPANE_VERSION);

    ui::MainWindow form;
    form.show();
    // Used by the smoke test: come up, process the start-up events, close normally.
    if (QApplication::arguments().contains("--quit-after-start"))
        QTimer::singleShot(300, &form, [&form] { form.close(); });
    return QApplication::exec();
}
