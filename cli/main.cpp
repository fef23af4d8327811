// reelpane-cli: the show core without a window.
#include "cli/Commands.h"

#include "base/FileName.h"
#include "media/audio/AudioLibrary.h"

#include <QGuiApplication>

#include <csignal>

namespace {

// Standard error is the tool's own: its messages and its progress bar. The toolkit's warnings
// (a missing XDG_RUNTIME_DIR, font notes of the off-screen platform) say nothing about the
// user's files and are dropped.
void DropToolkitMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(DropToolkitMessages);
    // A write past the file-size limit fails with "File too large" and is reported, instead of
    // killing the tool in the middle of a file.
    std::signal(SIGXFSZ, SIG_IGN);
    // Metafile text is drawn with fonts, which need a GUI application; it never opens a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName("reelpane-cli");
    QGuiApplication::setApplicationVersion(REELPANE_VERSION);
    // The arguments as the file system's bytes (the application has taken its own options out of
    // argv): a file name that is not UTF-8 reaches the commands whole.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << base::DecodeFileName(argv[i]);
    media::Audio().LoadBesideProgram(); // tracks are measured and titled by the audio library;
                                        // silent without it
    const int status = cli::Run(args);
    media::Audio().Unload();
    return status;
}
