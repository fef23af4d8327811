/* A stand-in for the audio library that the program must refuse: it answers FAKE_VERSION and,
 * unless FAKE_COMPLETE is set, exports nothing else. */
#include <stdint.h>

__attribute__((visibility("default"))) uint32_t BASS_GetVersion(void) {
    return FAKE_VERSION;
}
