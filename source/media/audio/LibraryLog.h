// FFmpeg's log lines ("[mp3float @ ...] Header missing") routed to the program's own reporting
// instead of standard error: damaged tracks are normal input, and the console tool's standard
// error is for its own messages and its progress. Lines go to the installed handler; without one
// they are only kept, the last few, for a failure report.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace media {

// level: FFmpeg's (AV_LOG_ERROR = 16, AV_LOG_WARNING = 24, ...); line: one complete line
// without its newline. Called from any thread, one line at a time.
using LibraryLogHandler = std::function<void(int level, const std::string& line)>;

// Routes the library's lines from now on (idempotent). Lines above the library's log level are
// dropped as before.
void RouteLibraryLog();
// Routes them and hands each to the handler (empty: keep them only).
void SetLibraryLogHandler(LibraryLogHandler handler);
// The last lines at error level or worse (at most 16), oldest first.
std::vector<std::string> RecentLibraryErrors();

} // namespace media
