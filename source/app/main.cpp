// Program entry: the application, the main window, the signals that close it, then the loop.
#include "app/MainWindow.h"
#include "app/SignalBridge.h"
#include "app/StartupArguments.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // No display name: the toolkit would append it to every window's caption.
    QApplication::setApplicationName("Tarnwick Reelpane Freeware");
    QApplication::setOrganizationName("Tarnwick");
    QApplication::setApplicationVersion(REELPANE_VERSION);
    // Ties the windows to the installed desktop entry (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(REELPANE_DESKTOP_ID);

    ui::MainWindow form;
    // kill, Ctrl+C and the end of the session close the window as the user would.
    // Nobody may be at the window to answer the question about unsaved changes.
    ui::SignalBridge closeOnSignal([&form](int) { form.CloseWithoutQuestion(); });
    form.show();
    // Work a dead instance left in its recovery file is offered before anything else.
    QTimer::singleShot(0, &form, [&form] { form.OfferRecovery(); });
    // A show named on the command line (a double click in a file manager) opens once the
    // window is up, so its progress and any message have the window to stand on; photos, clips
    // and tracks ("Open with" on a selection) come into the new show.
    if (const QStringList paths = ui::PathsFromArguments(QApplication::arguments());
        !paths.isEmpty())
        QTimer::singleShot(0, &form, [&form, paths] { form.OpenStartupPaths(paths); });
    // Used by the smoke test: come up, process the start-up events, close normally.
    if (QApplication::arguments().contains("--quit-after-start"))
        QTimer::singleShot(300, &form, [&form] { form.close(); });
    return QApplication::exec();
}
