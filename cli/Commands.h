// Dispatch of reelpane-cli's commands.
#pragma once

#include <QStringList>

namespace cli {

// Runs the command named by args[1]; returns the process exit status.
int Run(const QStringList& args);

// An integer within lo..hi from an argument; false, leaving out as it was, otherwise.
bool ParseInt(const QString& text, int lo, int hi, int& out);
// The value after the option at args[i]: true with i moved onto it, false when none follows.
bool NextValue(const QStringList& args, int& i, QString& value);

// NAME[:SECONDS]: a transition's name (crossfade, fade-black, ..., soft-down) or a classic kind
// 0..13, and optionally whole seconds 0..3600 (seconds stays as it was when none are given).
// False, leaving both as they were, for anything else.
// "NAME[:SECONDS]": the kind, and its length in milliseconds when given (0.1 s steps, at least
// 0.1 s for a kind that is not "no transition"; ms is left as it was when not given).
bool ParseTransitionArg(const QString& text, int& kind, std::int64_t& ms);
// Seconds with at most one decimal ("2", "2.5") within loMs..hiMs, as milliseconds.
bool ParseTenths(const QString& text, std::int64_t loMs, std::int64_t hiMs, std::int64_t& ms);

// The names --transition takes, for messages.
extern const char kTransitionArgHelp[];

} // namespace cli
