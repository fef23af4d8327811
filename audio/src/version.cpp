#include "bass.h"

extern "C" uint32_t BASS_GetVersion(void) {
    return BASSVERSION;
}
