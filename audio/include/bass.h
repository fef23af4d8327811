/* The C interface of Reelpane's audio library. */
#ifndef REELPANE_BASS_H
#define REELPANE_BASS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define BASS_EXPORT __attribute__((visibility("default")))
#define BASSVERSION 0x00010002u

BASS_EXPORT uint32_t BASS_GetVersion(void);

#ifdef __cplusplus
}
#endif

#endif
