// reelpane-cli: the show core without a window.
#include "cli/Commands.h"

#include "media/AudioLibrary.h"

#include <QGuiApplication>

int main(int argc, char** argv) {
    // Metafile text is drawn with fonts, which need a GUI application; it never opens a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("reelpane-cli");
    QGuiApplication::setApplicationVersion(REELPANE_VERSION);
    media::Audio().LoadBesideProgram(); // tracks are measured and titled by the audio library;
                                        // silent without it
    const int status = cli::Run(QGuiApplication::arguments());
    media::Audio().Unload();
    return status;
}
