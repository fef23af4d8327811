// The list of shows last opened or saved, newest first, as the project menu offers them again.
#pragma once

#include <QString>
#include <QStringList>

namespace project {

// How many shows the list keeps.
constexpr int kRecentShowsLimit = 8;

// The list with path put first: the same file further down is dropped (paths are compared after
// making them absolute and clean, so "a/../b.qvs" and "b.qvs" are one file), empty entries are
// dropped, and the list is cut to limit entries.
QStringList AddRecentShow(const QStringList& list, const QString& path,
                          int limit = kRecentShowsLimit);

// The list without path (compared as AddRecentShow compares).
QStringList RemoveRecentShow(const QStringList& list, const QString& path);

// The text of a menu entry: its number as the keyboard accelerator, then the file name; the
// folder is left to the entry's hint. "&" in a name is doubled so it shows as itself.
QString RecentShowEntryText(int index, const QString& path);

} // namespace project
