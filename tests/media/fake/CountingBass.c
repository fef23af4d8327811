/* A complete stand-in for the audio library that counts the streams it hands out against those
 * freed, so tests can show that the binding releases every handle on every path. What a stream
 * does is chosen by its file name:
 *   "refuse"   no stream (error 2, the file cannot be opened)
 *   "nolength" the length is unknown (-1)
 *   "nostart"  the output cannot start
 *   "noplay"   the stream cannot play
 * A supplied stream (BASS_StreamCreate) is named "supplied". Any other name gives a one-second
 * stream of 44.1 kHz stereo 16-bit. */
#include "bass.h"

#include <string.h>

#define EXPORT __attribute__((visibility("default")))

static int created, freed;
static int32_t lastError;

EXPORT int FakeBass_Created(void) {
    return created;
}
EXPORT int FakeBass_Freed(void) {
    return freed;
}

EXPORT uint32_t BASS_GetVersion(void) {
    return 0x00010002u;
}
EXPORT int32_t BASS_ErrorGetCode(void) {
    return lastError;
}
EXPORT BOOL32 BASS_Init(int32_t d, uint32_t r, uint32_t f, void* w, const void* c) {
    (void)d, (void)r, (void)f, (void)w, (void)c;
    return 1;
}
EXPORT BOOL32 BASS_Free(void) {
    return 1;
}

static const char* nameOf(HSTREAM h);
static char names[64][256];

EXPORT BOOL32 BASS_Start(void) {
    for (int i = 0; i < 64; ++i)
        if (names[i][0] && strstr(names[i], "nostart")) {
            lastError = 9;
            return 0;
        }
    return 1;
}

EXPORT HSTREAM BASS_StreamCreateFile(BOOL32 mem, const void* file, uint64_t o, uint64_t l,
                                     uint32_t flags) {
    (void)mem, (void)o, (void)l, (void)flags;
    const char* path = (const char*)file;
    if (strstr(path, "refuse")) {
        lastError = 2;
        return 0;
    }
    for (int i = 0; i < 64; ++i)
        if (!names[i][0]) {
            strncpy(names[i], path, 255);
            ++created;
            return (HSTREAM)(i + 1);
        }
    lastError = 1;
    return 0;
}

/* A supplied stream is counted like a file's; its procedure is never called. */
EXPORT HSTREAM BASS_StreamCreate(uint32_t freq, uint32_t chans, uint32_t flags, STREAMPROC* proc,
                                 void* user) {
    (void)freq, (void)chans, (void)flags, (void)user;
    return proc ? BASS_StreamCreateFile(0, "supplied", 0, 0, 0) : 0;
}

static const char* nameOf(HSTREAM h) {
    return (h >= 1 && h <= 64 && names[h - 1][0]) ? names[h - 1] : NULL;
}

EXPORT BOOL32 BASS_StreamFree(HSTREAM h) {
    if (!nameOf(h)) {
        lastError = 5;
        return 0;
    }
    names[h - 1][0] = 0;
    ++freed;
    return 1;
}

EXPORT BOOL32 BASS_ChannelPlay(uint32_t h, BOOL32 restart) {
    (void)restart;
    const char* n = nameOf(h);
    if (!n || strstr(n, "noplay")) {
        lastError = 24;
        return 0;
    }
    return 1;
}

EXPORT HSYNC BASS_ChannelSetSync(uint32_t h, uint32_t type, uint64_t p, SYNCPROC proc, void* u) {
    (void)type, (void)p, (void)proc, (void)u;
    return nameOf(h) ? 100 + h : 0;
}
EXPORT BOOL32 BASS_ChannelRemoveSync(uint32_t h, HSYNC s) {
    return nameOf(h) && s == 100 + h;
}
EXPORT BOOL32 BASS_ChannelSlideAttributes(uint32_t h, int32_t f, int32_t v, int32_t p, uint32_t t) {
    (void)f, (void)v, (void)p, (void)t;
    return nameOf(h) != NULL;
}
EXPORT uint64_t BASS_StreamGetLength(HSTREAM h) {
    const char* n = nameOf(h);
    if (!n || strstr(n, "nolength")) {
        lastError = 37;
        return (uint64_t)-1;
    }
    return 44100 * 4;
}
EXPORT uint64_t BASS_ChannelGetPosition(uint32_t h) {
    return nameOf(h) ? 0 : (uint64_t)-1;
}
EXPORT BOOL32 BASS_ChannelSetPosition(uint32_t h, uint64_t p) {
    (void)p;
    return nameOf(h) != NULL;
}
EXPORT double BASS_ChannelBytes2Seconds(uint32_t h, uint64_t bytes) {
    if (!nameOf(h) || bytes == (uint64_t)-1)
        return -1.0;
    return (double)bytes / (44100.0 * 4.0);
}
EXPORT const char* BASS_StreamGetTags(HSTREAM h, uint32_t tags) {
    (void)h, (void)tags;
    return NULL;
}
EXPORT BOOL32 BASS_ChannelGetInfo(uint32_t h, BASS_CHANNELINFO* info) {
    if (!nameOf(h))
        return 0;
    memset(info, 0, sizeof *info);
    info->freq = 44100;
    info->chans = 2;
    return 1;
}
EXPORT BOOL32 BASS_ChannelGetAttributes(uint32_t h, uint32_t* f, uint32_t* v, int32_t* p) {
    (void)f, (void)v, (void)p;
    return nameOf(h) != NULL;
}
EXPORT uint32_t BASS_ChannelIsActive(uint32_t h) {
    return nameOf(h) ? 1 : 0;
}
EXPORT uint32_t BASS_ChannelGetData(uint32_t h, void* buffer, uint32_t length) {
    (void)buffer, (void)length;
    return nameOf(h) ? 0 : (uint32_t)-1;
}
