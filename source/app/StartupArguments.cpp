#include "app/StartupArguments.h"

#include <QUrl>

namespace ui {

QStringList PathsFromArguments(const QStringList& arguments) {
    QStringList paths;
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
            if (url.isLocalFile())
                paths << url.toLocalFile();
            continue;
        }
        paths << argument;
    }
    return paths;
}

QString ShowPathFromArguments(const QStringList& arguments) {
    return PathsFromArguments(arguments).value(0);
}

} // namespace ui
