// The program's binding of the audio library: loads it at run time (the program runs silent
// without it), checks its version, resolves its entry points, and offers the few operations
// around the one track that plays at a time.
#pragma once

#include "bass.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

class QObject;

namespace media {

// The library file, looked up beside the program.
inline constexpr const char* kBassLibraryFile = "libbass.so";
// The one library version this program accepts.
inline constexpr std::uint32_t kBassVersion = 0x00010002;

// Message per library error code.
extern const std::array<const char*, 43> BassErrorTexts;
// The text for a code; codes above 42 taken as unsigned (so also -1) give entry 26.
const char* BassErrorText(std::int32_t code);

// A failure reported by the audio library, with the text of its error code.
class EBASSError : public std::runtime_error {
public:
    explicit EBASSError(std::int32_t code);
    std::int32_t Code;
};

// The resolved entry points; valid while BassLibrary is set.
struct BassEntryPoints {
    BASS_GetVersion_t GetVersion = nullptr;
    BASS_ErrorGetCode_t ErrorGetCode = nullptr;
    BASS_Init_t Init = nullptr;
    BASS_Free_t Free = nullptr;
    BASS_Start_t Start = nullptr;
    BASS_StreamCreateFile_t StreamCreateFile = nullptr;
    BASS_StreamFree_t StreamFree = nullptr;
    BASS_ChannelPlay_t ChannelPlay = nullptr;
    BASS_ChannelSetSync_t ChannelSetSync = nullptr;
    BASS_ChannelRemoveSync_t ChannelRemoveSync = nullptr;
    BASS_ChannelSlideAttributes_t ChannelSlideAttributes = nullptr;
    BASS_StreamGetLength_t StreamGetLength = nullptr;
    BASS_ChannelGetPosition_t ChannelGetPosition = nullptr;
    BASS_ChannelSetPosition_t ChannelSetPosition = nullptr;
    BASS_ChannelBytes2Seconds_t ChannelBytes2Seconds = nullptr;
    BASS_StreamGetTags_t StreamGetTags = nullptr;
    BASS_ChannelGetInfo_t ChannelGetInfo = nullptr;
    BASS_ChannelGetAttributes_t ChannelGetAttributes = nullptr;
    BASS_ChannelIsActive_t ChannelIsActive = nullptr;
    BASS_ChannelGetData_t ChannelGetData = nullptr;
};

// Process-wide state of the binding (main thread only).
extern void* BassLibrary;           // dlopen handle; null = no library, every operation is a no-op
extern BassEntryPoints Bass;        // the entry points
extern HSTREAM CurrentStream;       // the track being played; 0 = none
extern bool BassReady;              // BASS_Init succeeded and BASS_Free was not called since
extern HSYNC EndSync;               // end notice set up on CurrentStream; 0 = none
extern std::int32_t PlaybackVolume; // 0..100, applied to the next track started

// The event the main window receives when the playing track has reached its end (the
// counterpart of the WM_USER message). It is only delivered while that track is still the
// current one.
inline constexpr int kUserMessageEvent = 1000; // QEvent::User

// Loads the library beside the program. Any failure leaves BassLibrary null, silently.
void LoadBass();
// The same from the first of the given folders that holds the library file.
void LoadBassFrom(const QStringList& folders);
void UnloadBass();
// Opens the output device; window receives the end-of-track event. Throws EBASSError.
void BassInit(std::int32_t device, std::uint32_t rate, std::uint32_t flags, QObject* window,
              const void* classId = nullptr);
void BassFree();
// Starts playing a file unless a track is already current. Throws EBASSError.
void PlayTrackFile(const std::string& path);
// Stops and releases the current track. Throws EBASSError when the end notice cannot be
// removed; the track is released even then.
void StopTrack();
// Volume 0..100 of the current track, at once.
void SetTrackVolume(std::int32_t volume);

// Throws EBASSError with the library's last error code.
[[noreturn]] void RaiseBassError();

} // namespace media
