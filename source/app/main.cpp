// Program entry: the application, the main window, the signals that close it, then the loop.
#include "app/MainWindow.h"
#include "app/SignalBridge.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // No display name: the toolkit would append it to every window's caption.
    QApplication::setApplicationName("Tarnwick Reelpane Freeware");
    QApplication::setOrganizationName("Tarnwick");
    QApplication::setApplicationVersion(REELPANE_VERSION);

    ui::MainWindow form;
    // kill, Ctrl+C and the end of the session close the window as the user would.
    // Nobody may be at the window to answer the question about unsaved changes.
    ui::SignalBridge closeOnSignal([&form](int) { form.CloseWithoutQuestion(); });
    form.show();
    // Used by the smoke test: come up, process the start-up events, close normally.
    if (QApplication::arguments().contains("--quit-after-start"))
        QTimer::singleShot(300, &form, [&form] { form.close(); });
    return QApplication::exec();
}
