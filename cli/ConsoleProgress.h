// Progress of long work as a text bar on standard error, when that is a terminal.
#pragma once

#include "base/Job.h"

namespace cli {

class ConsoleProgress final : public base::Progress {
public:
    explicit ConsoleProgress(const char* label);
    void Show() override;
    void SetPosition(int percent) override;
    void Close() override;

private:
    const char* label_;
    bool terminal_ = false;
    int last_ = -1;
};

} // namespace cli
