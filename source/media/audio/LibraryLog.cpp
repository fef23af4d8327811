#include "media/audio/LibraryLog.h"

#include <cstdarg>
#include <deque>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

namespace media {

namespace {

constexpr std::size_t kKeptLines = 16;

struct LogState {
    std::mutex Mutex;
    LibraryLogHandler Handler;
    std::deque<std::string> Errors;
};

LogState& State() {
    static LogState state;
    return state;
}

void OnLibraryLine(void* object, int level, const char* format, va_list args) {
    if (level > av_log_get_level())
        return;
    // A line may come in pieces (no newline yet): each thread gathers its own.
    thread_local int printPrefix = 1;
    thread_local std::string pending;
    char text[1024];
    va_list copy;
    va_copy(copy, args);
    av_log_format_line2(object, level, format, copy, text, sizeof text, &printPrefix);
    va_end(copy);
    pending += text;
    if (pending.empty() || pending.back() != '\n')
        return;
    pending.pop_back();
    const std::string line = std::move(pending);
    pending.clear();
    LogState& s = State();
    std::lock_guard lock(s.Mutex);
    if (level <= AV_LOG_ERROR) {
        s.Errors.push_back(line);
        if (s.Errors.size() > kKeptLines)
            s.Errors.pop_front();
    }
    if (s.Handler)
        s.Handler(level, line);
}

} // namespace

void RouteLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(OnLibraryLine); });
}

void SetLibraryLogHandler(LibraryLogHandler handler) {
    RouteLibraryLog();
    LogState& s = State();
    std::lock_guard lock(s.Mutex);
    s.Handler = std::move(handler);
}

std::vector<std::string> RecentLibraryErrors() {
    LogState& s = State();
    std::lock_guard lock(s.Mutex);
    return {s.Errors.begin(), s.Errors.end()};
}

} // namespace media
