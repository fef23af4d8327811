#include "media/litebass.h"

#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <dlfcn.h>

namespace media {

const std::array<const char*, 43> BassErrorTexts = {
    "All is OK",
    "Memory error",
    "Can't open the file",
    "Can't find a free sound driver",
    "The sample buffer was lost",
    "Invalid handle",
    "Unsupported sample format",
    "Invalid playback position",
    "BASS_Init has not been successfully called",
    "BASS_Start has not been successfully called",
    "Can't initialize CD",
    "BASS_CDInit has not been successfully called",
    "No CD in drive",
    "Can't play the selected CD track",
    "Already initialized",
    "CD has no volume control",
    "Not paused",
    "Not an audio track",
    "Can't get a free channel",
    "An illegal type was specified",
    "An illegal parameter was specified",
    "No 3D support",
    "No EAX support",
    "Illegal device number",
    "Not playing",
    "Illegal sample rate",
    "Unknown error",
    "The stream is not a file stream",
    "Unknown error",
    "No hardware voices available",
    "Unknown error",
    "The MOD music has no sequence data",
    "No internet connection could be opened",
    "couldn't create the file",
    "Effects are not enabled",
    "The channel is playing",
    "Unknown error",
    "Requested data is not available",
    "The channel is a \"decoding channel\"",
    "A sufficient DirectX version is not installed",
    "Connection timedout",
    "Unsupported file format",
    "Unavailable speaker",
};

const char* BassErrorText(std::int32_t code) {
    const auto index = static_cast<std::uint32_t>(code);
    return BassErrorTexts[index < BassErrorTexts.size() ? index : 26];
}

EBASSError::EBASSError(std::int32_t code) : std::runtime_error(BassErrorText(code)), Code(code) {}

void* BassLibrary = nullptr;
BassEntryPoints Bass;
HSTREAM CurrentStream = 0;
bool BassReady = false;
HSYNC EndSync = 0;
std::int32_t PlaybackVolume = 100;

namespace {

// The window that receives the end-of-track event. Written on the main thread by BassInit and
// BassFree, read by the library's notice thread.
std::atomic<QObject*> noticeWindow{nullptr};

template <typename F> bool Resolve(void* lib, const char* name, F& fn) {
    fn = reinterpret_cast<F>(dlsym(lib, name));
    return fn != nullptr;
}

bool ResolveAll(void* lib, BassEntryPoints& e) {
    return Resolve(lib, "BASS_ErrorGetCode", e.ErrorGetCode) && Resolve(lib, "BASS_Init", e.Init) &&
           Resolve(lib, "BASS_Free", e.Free) && Resolve(lib, "BASS_Start", e.Start) &&
           Resolve(lib, "BASS_StreamCreateFile", e.StreamCreateFile) &&
           Resolve(lib, "BASS_StreamFree", e.StreamFree) &&
           Resolve(lib, "BASS_ChannelPlay", e.ChannelPlay) &&
           Resolve(lib, "BASS_ChannelSetSync", e.ChannelSetSync) &&
           Resolve(lib, "BASS_ChannelRemoveSync", e.ChannelRemoveSync) &&
           Resolve(lib, "BASS_ChannelSlideAttributes", e.ChannelSlideAttributes) &&
           Resolve(lib, "BASS_StreamGetLength", e.StreamGetLength) &&
           Resolve(lib, "BASS_ChannelGetPosition", e.ChannelGetPosition) &&
           Resolve(lib, "BASS_ChannelSetPosition", e.ChannelSetPosition) &&
           Resolve(lib, "BASS_ChannelBytes2Seconds", e.ChannelBytes2Seconds) &&
           Resolve(lib, "BASS_StreamGetTags", e.StreamGetTags) &&
           Resolve(lib, "BASS_ChannelGetInfo", e.ChannelGetInfo) &&
           Resolve(lib, "BASS_ChannelGetAttributes", e.ChannelGetAttributes) &&
           Resolve(lib, "BASS_ChannelIsActive", e.ChannelIsActive) &&
           Resolve(lib, "BASS_ChannelGetData", e.ChannelGetData);
}

// Called by the library on its own thread at the end of the playing stream: hands the news to
// the main thread, where it becomes the window's end-of-track event if that stream is still the
// current one (a track stopped and replaced meanwhile must not stop its successor).
void EndOfStream(HSYNC, std::uint32_t channel, std::uint32_t, void*) {
    QObject* window = noticeWindow.load();
    if (!window)
        return;
    QMetaObject::invokeMethod(
        window,
        [window, channel] {
            if (CurrentStream != 0 && CurrentStream == channel) {
                QEvent message(static_cast<QEvent::Type>(kUserMessageEvent));
                QCoreApplication::sendEvent(window, &message);
            }
        },
        Qt::QueuedConnection);
}

} // namespace

void RaiseBassError() {
    throw EBASSError(Bass.ErrorGetCode ? Bass.ErrorGetCode() : -1);
}

void LoadBassFrom(const QStringList& folders) {
    if (BassLibrary)
        return;
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(kBassLibraryFile));
        if (!QFile::exists(path))
            continue;
        void* lib = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return;
        BassEntryPoints e;
        if (Resolve(lib, "BASS_GetVersion", e.GetVersion) && e.GetVersion() == kBassVersion &&
            ResolveAll(lib, e)) {
            BassLibrary = lib;
            Bass = e;
        } else {
            dlclose(lib);
        }
        return;
    }
}

void LoadBass() {
    QStringList folders{base::ProgramFolder()};
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath();
    LoadBassFrom(folders);
}

void UnloadBass() {
    if (!BassLibrary)
        return;
    dlclose(BassLibrary);
    BassLibrary = nullptr;
    Bass = BassEntryPoints{};
    BassReady = false;
    CurrentStream = 0;
    EndSync = 0;
}

void BassInit(std::int32_t device, std::uint32_t rate, std::uint32_t flags, QObject* window,
              const void* classId) {
    if (!BassLibrary || BassReady)
        return;
    noticeWindow.store(window);
    BassReady = Bass.Init(device, rate, flags, window, classId) != 0;
    if (!BassReady)
        RaiseBassError();
}

void BassFree() {
    if (!BassLibrary || !BassReady)
        return;
    BassReady = false;
    Bass.Free();
    noticeWindow.store(nullptr);
}

void PlayTrackFile(const std::string& path) {
    if (!BassLibrary || CurrentStream != 0)
        return;
    CurrentStream = Bass.StreamCreateFile(0, path.c_str(), 0, 0, 0);
    if (CurrentStream == 0)
        RaiseBassError();
    EndSync = Bass.ChannelSetSync(CurrentStream, BASS_SYNC_MESSAGE | BASS_SYNC_END, 0, EndOfStream,
                                  nullptr);
    // A stream that cannot start is released at once rather than left as the current track
    // with no end notice to come.
    const auto failed = [] {
        const std::int32_t code = Bass.ErrorGetCode();
        if (EndSync != 0)
            Bass.ChannelRemoveSync(CurrentStream, EndSync);
        Bass.StreamFree(CurrentStream);
        CurrentStream = 0;
        EndSync = 0;
        throw EBASSError(code);
    };
    if (!Bass.Start())
        failed();
    Bass.ChannelSlideAttributes(CurrentStream, -1, PlaybackVolume, -1, 0);
    if (!Bass.ChannelPlay(CurrentStream, -1))
        failed();
}

void StopTrack() {
    if (!BassLibrary || CurrentStream == 0)
        return;
    std::int32_t failure = 0;
    bool removeFailed = false;
    if (EndSync != 0) {
        if (!Bass.ChannelRemoveSync(CurrentStream, EndSync)) {
            removeFailed = true;
            failure = Bass.ErrorGetCode();
        }
        EndSync = 0;
    }
    Bass.StreamFree(CurrentStream);
    CurrentStream = 0;
    if (removeFailed)
        throw EBASSError(failure);
}

void SetTrackVolume(std::int32_t volume) {
    if (!BassLibrary)
        return;
    Bass.ChannelSlideAttributes(CurrentStream, -1, volume, -1, 0);
}

} // namespace media
