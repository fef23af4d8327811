#include "cli/Failure.h"

#include "base/FileName.h"

#include <cstdio>

namespace cli {

int Fail(const QString& message) {
    // File names in messages keep their bytes, whatever their encoding.
    return Fail(base::EncodeFileName(message));
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "reelpane-cli: %s\n", message.c_str());
    return 1;
}

int Fail(const char* message) {
    return Fail(std::string(message));
}

} // namespace cli
