#include "Errors.h"

namespace bass {

namespace {
thread_local std::int32_t lastError = 0;
}

void SetError(std::int32_t code) {
    lastError = code;
}
std::int32_t LastError() {
    return lastError;
}

} // namespace bass
