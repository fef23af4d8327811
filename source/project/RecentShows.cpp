#include "project/RecentShows.h"

#include <QDir>
#include <QFileInfo>

namespace project {

namespace {

QString Clean(const QString& path) {
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

QStringList AddRecentShow(const QStringList& list, const QString& path, int limit) {
    QStringList out;
    if (const QString first = Clean(path); !first.isEmpty())
        out << first;
    for (const QString& entry : list) {
        if (out.size() >= limit)
            break;
        const QString clean = Clean(entry);
        if (!clean.isEmpty() && !out.contains(clean))
            out << clean;
    }
    while (out.size() > limit && !out.isEmpty())
        out.removeLast();
    return out;
}

QStringList RemoveRecentShow(const QStringList& list, const QString& path) {
    const QString gone = Clean(path);
    QStringList out;
    for (const QString& entry : list)
        if (const QString clean = Clean(entry); !clean.isEmpty() && clean != gone)
            out << clean;
    return out;
}

QString RecentShowEntryText(int index, const QString& path) {
    QString name = QFileInfo(path).fileName();
    name.replace('&', QStringLiteral("&&"));
    const int number = index + 1;
    // Numbers 1..9 are accelerators; a tenth entry (never with the default limit) has none.
    return number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(name)
                       : QStringLiteral("%1 %2").arg(number).arg(name);
}

} // namespace project
