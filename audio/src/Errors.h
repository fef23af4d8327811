// The last error code of the calling thread, as BASS_ErrorGetCode reports it.
#pragma once

#include <cstdint>

namespace bass {

void SetError(std::int32_t code);
std::int32_t LastError();

// Sets the error and returns the given failure value, for one-line failure returns.
template <typename T> T Fail(std::int32_t code, T value) {
    SetError(code);
    return value;
}

} // namespace bass
