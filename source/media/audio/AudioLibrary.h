// The program's face over the audio library: AudioLibrary loads it at run time (the program runs
// silent without it), checks its version, owns its entry points, the output device and the one
// track that plays at a time; Stream owns one stream handle and frees it on every path. Nothing
// else calls the library's entry points.
#pragma once

#include "base/Result.h"
#include "bass.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

class QObject;

namespace media {

// The library file, looked up beside the program.
inline constexpr const char* kAudioLibraryFile = "libbass.so";
// The one library version this program accepts.
inline constexpr std::uint32_t kAudioLibraryVersion = 0x00010002;

// Message per library error code.
extern const std::array<const char*, 43> AudioErrorTexts;
// The text for a code; codes above 42 taken as unsigned (so also -1) give entry 26.
const char* AudioErrorText(std::int32_t code);

// A failure reported by the audio library: what was being done, then the text of its code.
base::Error AudioFailure(const std::string& doing, std::int32_t code);

// The resolved entry points.
struct AudioEntryPoints {
    BASS_GetVersion_t GetVersion = nullptr;
    BASS_ErrorGetCode_t ErrorGetCode = nullptr;
    BASS_Init_t Init = nullptr;
    BASS_Free_t Free = nullptr;
    BASS_Start_t Start = nullptr;
    BASS_StreamCreateFile_t StreamCreateFile = nullptr;
    BASS_StreamCreate_t StreamCreate = nullptr;
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

// One stream of the library; move-only, freed when it goes out of scope or is reset.
class Stream {
public:
    Stream() = default;
    ~Stream() { Reset(); }
    Stream(Stream&& other) noexcept;
    Stream& operator=(Stream&& other) noexcept;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    explicit operator bool() const { return handle_ != 0; }
    HSTREAM Handle() const { return handle_; }
    // Frees the handle now (if any).
    void Reset();

    // Length of the decoded stream in bytes; BASS-style -1 when unknown.
    std::uint64_t LengthBytes() const;
    double BytesToSeconds(std::uint64_t bytes) const;
    std::uint64_t Position() const;
    bool SetPosition(std::uint64_t bytes) const;
    // The tag block of a kind (BASS_TAG_*), or null.
    const char* Tags(std::uint32_t kind) const;
    // Sample rate, channels and flags; false when the library refuses.
    bool Info(BASS_CHANNELINFO& info) const;
    // Decoded sample bytes of a decode-only stream; BASS-style -1 (as unsigned) at the end.
    std::uint32_t Read(void* buffer, std::uint32_t length) const;
    // True when the stream has nothing more to give (its end, or no stream).
    bool Finished() const;

private:
    friend class AudioLibrary;
    Stream(const AudioEntryPoints* api, HSTREAM handle) : api_(api), handle_(handle) {}
    const AudioEntryPoints* api_ = nullptr;
    HSTREAM handle_ = 0;
};

class AudioLibrary {
public:
    AudioLibrary() = default;
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // The instance the program, the console tool and the tests share (main thread only): the
    // library's own state (its output device) is process-wide too.
    static AudioLibrary& Shared();

    // Loads the library beside the program; any failure leaves it unloaded, silently.
    void LoadBesideProgram();
    // The same from the first of the given folders that holds the library file.
    void LoadFrom(const QStringList& folders);
    // Stops the track, closes the output and unloads.
    void Unload();
    bool Loaded() const { return library_ != nullptr; }

    // The raw entry points, for the tests of the library itself; empty while unloaded.
    const AudioEntryPoints& Api() const { return api_; }
    // The library's last error code (-1 while unloaded).
    std::int32_t LastErrorCode() const;

    // Opens the output device; window receives the end-of-track event. Succeeds doing nothing
    // while unloaded or already open.
    base::Status OpenOutput(std::int32_t device, std::uint32_t rate, std::uint32_t flags,
                            QObject* window);
    void CloseOutput();
    bool OutputOpen() const { return outputOpen_; }

    // How the program's start opens the output: the system's device when there is one (its
    // probing kept off the terminal), otherwise a device that plays nothing at the same pace,
    // so the preview keeps time silently. Decoding works either way.
    enum class OutputKind { Device, Silent, None };
    OutputKind OpenOutputOrSilence(QObject* window);

    // A stream over a file (flags BASS_*; BASS_STREAM_DECODE for decoding only). An empty
    // Stream when unloaded or refused (LastErrorCode() tells why).
    Stream OpenFile(const std::string& path, std::uint32_t flags) const;
    // A stream of 16-bit PCM at rate and chans that proc supplies as it plays (flags BASS_*).
    // An empty Stream when unloaded or refused.
    Stream OpenSupplied(std::uint32_t rate, std::uint32_t chans, std::uint32_t flags,
                        STREAMPROC* proc, void* user) const;

    // The one track played at a time. PlayTrack starts a file unless a track is already
    // playing (then, or while unloaded, it succeeds doing nothing); a failure names the file and
    // the library's reason. StopTrack releases it (failing when the end notice cannot be
    // removed; the track is released even then).
    base::Status PlayTrack(const std::string& path);
    // The same from a byte position of the decoded track (a paused track taken up again); a
    // position the track does not have fails and leaves no track playing.
    base::Status PlayTrackFrom(const std::string& path, std::uint64_t position);
    // A stream that proc supplies (16-bit PCM at rate and chans) as the one track, started
    // unless a track is already playing. `position` is the byte position in the music where proc
    // starts, so that TrackPosition goes on from there. proc's data must live until StopTrack
    // (or the track's replacement) has returned.
    base::Status PlaySuppliedTrack(std::uint32_t rate, std::uint32_t chans, STREAMPROC* proc,
                                   void* user, std::uint64_t position);
    base::Status StopTrack();
    bool TrackPlaying() const { return static_cast<bool>(current_); }
    // Where the playing track is, in bytes of the decoded stream (0 when none plays).
    std::uint64_t TrackPosition() const {
        return current_ ? current_.Position() + currentBase_ : 0;
    }
    // The playing track's stream (empty when none).
    const Stream& CurrentTrack() const { return current_; }
    // Volume 0..100 of the playing track, at once.
    void SetTrackVolume(std::int32_t volume);
    // Volume 0..100 given to the next track started.
    std::int32_t PlaybackVolume() const { return playbackVolume_; }
    void SetPlaybackVolume(std::int32_t volume) { playbackVolume_ = volume; }

private:
    static void EndOfStream(HSYNC, std::uint32_t channel, std::uint32_t, void* user);
    base::Status StartTrack(const std::string& path, std::uint64_t position);
    // Plays current_ (just opened) from position with the end notice; releases it on failure,
    // whose message begins with `doing`.
    base::Status StartCurrent(std::uint64_t position, const std::string& doing);

    void* library_ = nullptr;
    AudioEntryPoints api_;
    bool outputOpen_ = false;
    Stream current_;
    // Added to a supplied track's own position: where in the music its procedure started.
    std::uint64_t currentBase_ = 0;
    HSYNC endSync_ = 0;
    std::int32_t playbackVolume_ = 100;
    // The window that receives the end-of-track event; read by the library's notice thread.
    std::atomic<QObject*> noticeWindow_{nullptr};
};

// The shared instance.
inline AudioLibrary& Audio() {
    return AudioLibrary::Shared();
}

// The event the main window receives when the playing track has reached its end. It is only
// delivered while that track is still the one playing.
inline constexpr int kUserMessageEvent = 1000; // QEvent::User

} // namespace media
