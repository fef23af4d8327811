#include "app/StartupArguments.h"

#include <QUrl>

namespace ui {

QString ShowPathFromArguments(const QStringList& arguments) {
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument.isEmpty() || (!optionsEnded && argument.startsWith('-')))
            continue;
        // Launchers that pass addresses rather than paths give local files as "file:" URLs.
        if (argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
            const QUrl url(argument);
            return url.isLocalFile() ? url.toLocalFile() : QString();
        }
        return argument;
    }
    return QString();
}

} // namespace ui
