// reelpane-cli: the show core without a window.
#include "cli/Commands.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("reelpane-cli");
    QCoreApplication::setApplicationVersion(REELPANE_VERSION);
    return cli::Run(QCoreApplication::arguments());
}
