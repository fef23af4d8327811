#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace base {

namespace {
QString& Override() {
    static QString folder;
    return folder;
}

QString WithSlash(QString s) {
    if (!s.endsWith('/'))
        s += '/';
    return s;
}
} // namespace

void SetProgramFolderForTesting(const QString& folder) {
    Override() = folder;
}

QString ProgramFolder() {
    if (!Override().isEmpty())
        return WithSlash(Override());
    const QString exeDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    if (QDir(exeDir + "/language").exists() || QDir(exeDir + "/help").exists())
        return WithSlash(exeDir);
    return WithSlash(QStringLiteral(REELPANE_DATADIR));
}

} // namespace base
