/* The C interface of Reelpane's audio library: decoding of sound files into PCM, playback on the
 * sound output, decode-only streams for offline mixing, streams whose PCM the program supplies
 * on demand, and the tag blocks of a file. Handles
 * are 32-bit numbers, positions and lengths are byte counts of the decoded format. Every call
 * that fails sets an error code that BASS_ErrorGetCode reports on the calling thread. */
#ifndef REELPANE_BASS_H
#define REELPANE_BASS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define BASS_EXPORT __attribute__((visibility("default")))
#define BASSVERSION 0x00010002u

typedef int32_t BOOL32;
typedef uint32_t HSTREAM;
typedef uint32_t HSYNC;

/* Error codes. */
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_NOTFILE 27
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_DECODE 38
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_UNKNOWN (-1)

/* Stream flags. */
#define BASS_SAMPLE_8BITS 1u         /* channel info: samples are unsigned 8-bit */
#define BASS_STREAM_DECODE 0x200000u /* decode only: read with BASS_ChannelGetData */

/* Sync types. The low word is the event; BASS_SYNC_MESSAGE is accepted for compatibility and
 * changes nothing: the notice always arrives through the callback. */
#define BASS_SYNC_END 2u
#define BASS_SYNC_MESSAGE 0x20000000u

/* A stream procedure's answer: bytes written, with this bit set when the stream ends there. */
#define BASS_STREAMPROC_END 0x80000000u

/* BASS_ChannelIsActive answers. */
#define BASS_ACTIVE_STOPPED 0u
#define BASS_ACTIVE_PLAYING 1u

/* BASS_StreamGetTags kinds. */
#define BASS_TAG_ID3 0u   /* the 128-byte ID3v1 block */
#define BASS_TAG_ID3V2 1u /* the ID3v2 block from its 10-byte header */
#define BASS_TAG_OGG 2u   /* "key=value" strings, each NUL-terminated, then an empty one */

typedef struct BASS_CHANNELINFO {
    uint32_t freq;  /* sample rate in Hz */
    uint32_t chans; /* 1 or 2 */
    uint32_t flags; /* BASS_SAMPLE_8BITS, BASS_STREAM_DECODE */
    uint32_t ctype; /* reserved, 0 */
} BASS_CHANNELINFO;

/* End-of-stream notice. It is called on a thread of the library, never from inside a call the
 * program made, and must not call back into the library; post the news to your own thread. */
typedef void (*SYNCPROC)(HSYNC sync, uint32_t channel, uint32_t data, void* user);

/* Supplies up to `length` bytes of a stream created by BASS_StreamCreate into buffer (whole sample
 * frames, 16-bit signed or, with BASS_SAMPLE_8BITS, unsigned 8-bit, interleaved). Returns the
 * bytes written, or'ed with BASS_STREAMPROC_END at the last data; fewer bytes than asked without
 * the end bit mean "nothing more yet" and the library asks again later. It is called on a thread
 * of the library, never two calls at once, never after BASS_StreamFree of its stream has
 * returned; it must not block nor call back into the library. */
typedef uint32_t(STREAMPROC)(HSTREAM handle, void* buffer, uint32_t length, void* user);

BASS_EXPORT uint32_t BASS_GetVersion(void);
BASS_EXPORT int32_t BASS_ErrorGetCode(void);
BASS_EXPORT BOOL32 BASS_Init(int32_t device, uint32_t freq, uint32_t flags, void* win,
                             const void* clsid);
BASS_EXPORT BOOL32 BASS_Free(void);
BASS_EXPORT BOOL32 BASS_Start(void);
BASS_EXPORT HSTREAM BASS_StreamCreateFile(BOOL32 mem, const void* file, uint64_t offset,
                                          uint64_t length, uint32_t flags);
/* A stream of freq Hz and chans (1 or 2) channels whose sample data proc supplies as it plays
 * (or as BASS_ChannelGetData asks, with BASS_STREAM_DECODE). Its position counts the bytes it
 * has played; it has no length and cannot be moved, and restarting it only drops what was
 * queued and counts again from 0. */
BASS_EXPORT HSTREAM BASS_StreamCreate(uint32_t freq, uint32_t chans, uint32_t flags,
                                      STREAMPROC* proc, void* user);
BASS_EXPORT BOOL32 BASS_StreamFree(HSTREAM handle);
BASS_EXPORT BOOL32 BASS_ChannelPlay(uint32_t handle, BOOL32 restart);
BASS_EXPORT HSYNC BASS_ChannelSetSync(uint32_t handle, uint32_t type, uint64_t param, SYNCPROC proc,
                                      void* user);
BASS_EXPORT BOOL32 BASS_ChannelRemoveSync(uint32_t handle, HSYNC sync);
BASS_EXPORT BOOL32 BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume,
                                               int32_t pan, uint32_t time);
BASS_EXPORT uint64_t BASS_StreamGetLength(HSTREAM handle);
BASS_EXPORT uint64_t BASS_ChannelGetPosition(uint32_t handle);
BASS_EXPORT BOOL32 BASS_ChannelSetPosition(uint32_t handle, uint64_t pos);
BASS_EXPORT double BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos);
BASS_EXPORT const char* BASS_StreamGetTags(HSTREAM handle, uint32_t tags);
BASS_EXPORT BOOL32 BASS_ChannelGetInfo(uint32_t handle, BASS_CHANNELINFO* info);
BASS_EXPORT BOOL32 BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t* volume,
                                             int32_t* pan);
BASS_EXPORT uint32_t BASS_ChannelIsActive(uint32_t handle);
BASS_EXPORT uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length);

/* Function pointer types for binding at run time. */
typedef uint32_t (*BASS_GetVersion_t)(void);
typedef int32_t (*BASS_ErrorGetCode_t)(void);
typedef BOOL32 (*BASS_Init_t)(int32_t, uint32_t, uint32_t, void*, const void*);
typedef BOOL32 (*BASS_Free_t)(void);
typedef BOOL32 (*BASS_Start_t)(void);
typedef HSTREAM (*BASS_StreamCreateFile_t)(BOOL32, const void*, uint64_t, uint64_t, uint32_t);
typedef HSTREAM (*BASS_StreamCreate_t)(uint32_t, uint32_t, uint32_t, STREAMPROC*, void*);
typedef BOOL32 (*BASS_StreamFree_t)(HSTREAM);
typedef BOOL32 (*BASS_ChannelPlay_t)(uint32_t, BOOL32);
typedef HSYNC (*BASS_ChannelSetSync_t)(uint32_t, uint32_t, uint64_t, SYNCPROC, void*);
typedef BOOL32 (*BASS_ChannelRemoveSync_t)(uint32_t, HSYNC);
typedef BOOL32 (*BASS_ChannelSlideAttributes_t)(uint32_t, int32_t, int32_t, int32_t, uint32_t);
typedef uint64_t (*BASS_StreamGetLength_t)(HSTREAM);
typedef uint64_t (*BASS_ChannelGetPosition_t)(uint32_t);
typedef BOOL32 (*BASS_ChannelSetPosition_t)(uint32_t, uint64_t);
typedef double (*BASS_ChannelBytes2Seconds_t)(uint32_t, uint64_t);
typedef const char* (*BASS_StreamGetTags_t)(HSTREAM, uint32_t);
typedef BOOL32 (*BASS_ChannelGetInfo_t)(uint32_t, BASS_CHANNELINFO*);
typedef BOOL32 (*BASS_ChannelGetAttributes_t)(uint32_t, uint32_t*, uint32_t*, int32_t*);
typedef uint32_t (*BASS_ChannelIsActive_t)(uint32_t);
typedef uint32_t (*BASS_ChannelGetData_t)(uint32_t, void*, uint32_t);

#ifdef __cplusplus
}
#endif

#endif
