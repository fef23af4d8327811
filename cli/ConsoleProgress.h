// Progress of long work as a text bar on standard error, when that is a terminal.
#pragma once

#include "project/Progress.h"

namespace cli {

class ConsoleProgress final : public project::Progress {
public:
    explicit ConsoleProgress(const char* label);
    void Open() override;
    void SetPosition(int percent) override;
    void Close() override;

private:
    const char* label_;
    bool terminal_ = false;
    int last_ = -1;
};

} // namespace cli
