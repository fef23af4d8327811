#include "cli/ConsoleProgress.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

ConsoleProgress::ConsoleProgress(const char* label)
    : label_(label), terminal_(::isatty(STDERR_FILENO) != 0) {}

void ConsoleProgress::Show() {
    SetPosition(0);
}

void ConsoleProgress::SetPosition(int percent) {
    if (!terminal_ || percent == last_)
        return;
    last_ = percent;
    const int filled = percent * 30 / 100;
    std::fprintf(stderr, "\r%s [", label_);
    for (int i = 0; i < 30; ++i)
        std::fputc(i < filled ? '#' : '.', stderr);
    std::fprintf(stderr, "] %3d%%", percent);
    std::fflush(stderr);
}

void ConsoleProgress::Close() {
    if (terminal_ && last_ >= 0)
        std::fputc('\n', stderr);
    last_ = -1;
}

} // namespace cli
