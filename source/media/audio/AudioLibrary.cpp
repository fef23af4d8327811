#include "media/audio/AudioLibrary.h"

#include "media/audio/LibraryLog.h"

#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace media {

const std::array<const char*, 43> AudioErrorTexts = {
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

const char* AudioErrorText(std::int32_t code) {
    const auto index = static_cast<std::uint32_t>(code);
    return AudioErrorTexts[index < AudioErrorTexts.size() ? index : 26];
}

base::Error AudioFailure(const std::string& doing, std::int32_t code) {
    return base::Fail(doing + ": " + AudioErrorText(code));
}

namespace {

template <typename F> bool Resolve(void* lib, const char* name, F& fn) {
    fn = reinterpret_cast<F>(dlsym(lib, name));
    return fn != nullptr;
}

bool ResolveAll(void* lib, AudioEntryPoints& e) {
    return Resolve(lib, "BASS_ErrorGetCode", e.ErrorGetCode) && Resolve(lib, "BASS_Init", e.Init) &&
           Resolve(lib, "BASS_Free", e.Free) && Resolve(lib, "BASS_Start", e.Start) &&
           Resolve(lib, "BASS_StreamCreateFile", e.StreamCreateFile) &&
           Resolve(lib, "BASS_StreamCreate", e.StreamCreate) &&
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

} // namespace

// ---- Stream ------------------------------------------------------------------------------------

Stream::Stream(Stream&& other) noexcept : api_(other.api_), handle_(other.handle_) {
    other.handle_ = 0;
}

Stream& Stream::operator=(Stream&& other) noexcept {
    if (this != &other) {
        Reset();
        api_ = other.api_;
        handle_ = other.handle_;
        other.handle_ = 0;
    }
    return *this;
}

void Stream::Reset() {
    if (handle_ != 0 && api_ && api_->StreamFree)
        api_->StreamFree(handle_);
    handle_ = 0;
}

std::uint64_t Stream::LengthBytes() const {
    return handle_ ? api_->StreamGetLength(handle_) : static_cast<std::uint64_t>(-1);
}

double Stream::BytesToSeconds(std::uint64_t bytes) const {
    return handle_ ? api_->ChannelBytes2Seconds(handle_, bytes) : -1.0;
}

std::uint64_t Stream::Position() const {
    return handle_ ? api_->ChannelGetPosition(handle_) : static_cast<std::uint64_t>(-1);
}

bool Stream::SetPosition(std::uint64_t bytes) const {
    return handle_ && api_->ChannelSetPosition(handle_, bytes) != 0;
}

const char* Stream::Tags(std::uint32_t kind) const {
    return handle_ ? api_->StreamGetTags(handle_, kind) : nullptr;
}

bool Stream::Info(BASS_CHANNELINFO& info) const {
    return handle_ && api_->ChannelGetInfo(handle_, &info) != 0;
}

std::uint32_t Stream::Read(void* buffer, std::uint32_t length) const {
    return handle_ ? api_->ChannelGetData(handle_, buffer, length) : static_cast<std::uint32_t>(-1);
}

bool Stream::Finished() const {
    return !handle_ || api_->ChannelIsActive(handle_) == BASS_ACTIVE_STOPPED;
}

// ---- AudioLibrary ------------------------------------------------------------------------------

AudioLibrary& AudioLibrary::Shared() {
    // Never destroyed: at exit the loaded library's own state may be gone before this object, so
    // the front ends unload it while the program still runs (closing the window, ending a
    // command) and whatever is left at exit is left to the system.
    alignas(AudioLibrary) static unsigned char storage[sizeof(AudioLibrary)];
    static AudioLibrary* const library = ::new (storage) AudioLibrary();
    return *library;
}

AudioLibrary::~AudioLibrary() {
    Unload();
}

std::int32_t AudioLibrary::LastErrorCode() const {
    return api_.ErrorGetCode ? api_.ErrorGetCode() : -1;
}

void AudioLibrary::LoadFrom(const QStringList& folders) {
    if (library_)
        return;
    // The sound system must not take over SIGINT and SIGTERM: the program answers them itself.
    if (qEnvironmentVariableIsEmpty("SDL_NO_SIGNAL_HANDLERS"))
        qputenv("SDL_NO_SIGNAL_HANDLERS", "1");
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(QString::fromLatin1(kAudioLibraryFile));
        if (!QFile::exists(path))
            continue;
        void* lib = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return;
        AudioEntryPoints e;
        if (Resolve(lib, "BASS_GetVersion", e.GetVersion) &&
            e.GetVersion() == kAudioLibraryVersion && ResolveAll(lib, e)) {
            library_ = lib;
            api_ = e;
        } else {
            dlclose(lib);
        }
        return;
    }
}

void AudioLibrary::LoadBesideProgram() {
    RouteLibraryLog(); // the decoders' complaints about damaged tracks never reach stderr raw
    QStringList folders{base::ProgramFolder()};
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath();
    LoadFrom(folders);
}

void AudioLibrary::Unload() {
    if (!library_)
        return;
    // The track is released even when its end notice cannot be removed; the notice goes with
    // the output closed next, so that failure leaves nothing behind.
    const base::Status stopped = StopTrack();
    static_cast<void>(stopped);
    CloseOutput();
    dlclose(library_);
    library_ = nullptr;
    api_ = AudioEntryPoints{};
}

base::Status AudioLibrary::OpenOutput(std::int32_t device, std::uint32_t rate, std::uint32_t flags,
                                      QObject* window) {
    if (!library_ || outputOpen_)
        return {};
    noticeWindow_.store(window);
    outputOpen_ = api_.Init(device, rate, flags, window, nullptr) != 0;
    if (!outputOpen_)
        return AudioFailure("cannot open the sound output", LastErrorCode());
    return {};
}

namespace {

// Sends standard error to /dev/null for its lifetime: the sound system's device probing prints
// its failures there, and they are no concern of the user's terminal.
class QuietStandardError {
public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

} // namespace

AudioLibrary::OutputKind AudioLibrary::OpenOutputOrSilence(QObject* window) {
    if (!library_)
        return OutputKind::None;
    if (outputOpen_)
        return OutputKind::Device;
    {
        QuietStandardError quiet;
        // No usable device: on to the silent one.
        if (OpenOutput(1, 44100, 0, window))
            return OutputKind::Device;
    }
    qputenv("SDL_AUDIODRIVER", "dummy");
    return OpenOutput(1, 44100, 0, window) ? OutputKind::Silent : OutputKind::None;
}

void AudioLibrary::CloseOutput() {
    if (!library_ || !outputOpen_)
        return;
    outputOpen_ = false;
    api_.Free();
    noticeWindow_.store(nullptr);
}

Stream AudioLibrary::OpenFile(const std::string& path, std::uint32_t flags) const {
    if (!library_)
        return Stream();
    const HSTREAM handle = api_.StreamCreateFile(0, path.c_str(), 0, 0, flags);
    return handle ? Stream(&api_, handle) : Stream();
}

Stream AudioLibrary::OpenSupplied(std::uint32_t rate, std::uint32_t chans, std::uint32_t flags,
                                  STREAMPROC* proc, void* user) const {
    if (!library_)
        return Stream();
    const HSTREAM handle = api_.StreamCreate(rate, chans, flags, proc, user);
    return handle ? Stream(&api_, handle) : Stream();
}

// Called by the library on its own thread at the end of the playing stream: hands the news to
// the main thread, where it becomes the window's end-of-track event if that stream is still the
// one playing (a track stopped and replaced meanwhile must not stop its successor).
void AudioLibrary::EndOfStream(HSYNC, std::uint32_t channel, std::uint32_t, void* user) {
    auto* self = static_cast<AudioLibrary*>(user);
    QObject* window = self->noticeWindow_.load();
    if (!window)
        return;
    QMetaObject::invokeMethod(
        window,
        [self, window, channel] {
            if (self->current_.Handle() != 0 && self->current_.Handle() == channel) {
                QEvent message(static_cast<QEvent::Type>(kUserMessageEvent));
                QCoreApplication::sendEvent(window, &message);
            }
        },
        Qt::QueuedConnection);
}

base::Status AudioLibrary::PlayTrack(const std::string& path) {
    return StartTrack(path, 0);
}

base::Status AudioLibrary::PlayTrackFrom(const std::string& path, std::uint64_t position) {
    return StartTrack(path, position);
}

base::Status AudioLibrary::StartTrack(const std::string& path, std::uint64_t position) {
    if (!library_ || current_)
        return {};
    const std::string doing = "cannot play " + path;
    current_ = OpenFile(path, 0);
    if (!current_)
        return AudioFailure(doing, LastErrorCode());
    currentBase_ = 0;
    return StartCurrent(position, doing);
}

base::Status AudioLibrary::PlaySuppliedTrack(std::uint32_t rate, std::uint32_t chans,
                                             STREAMPROC* proc, void* user, std::uint64_t position) {
    if (!library_ || current_)
        return {};
    const std::string doing = "cannot play the music";
    current_ = OpenSupplied(rate, chans, 0, proc, user);
    if (!current_)
        return AudioFailure(doing, LastErrorCode());
    currentBase_ = position;
    return StartCurrent(0, doing);
}

base::Status AudioLibrary::StartCurrent(std::uint64_t position, const std::string& doing) {
    const HSTREAM handle = current_.Handle();
    endSync_ = api_.ChannelSetSync(handle, BASS_SYNC_MESSAGE | BASS_SYNC_END, 0,
                                   &AudioLibrary::EndOfStream, this);
    // A stream that cannot start is released at once rather than left as the playing track
    // with no end notice to come.
    const auto failed = [this, handle, &doing] {
        const std::int32_t code = LastErrorCode();
        if (endSync_ != 0)
            api_.ChannelRemoveSync(handle, endSync_);
        endSync_ = 0;
        current_.Reset();
        return AudioFailure(doing, code);
    };
    if (position != 0 && !api_.ChannelSetPosition(handle, position))
        return failed();
    if (!api_.Start())
        return failed();
    api_.ChannelSlideAttributes(handle, -1, playbackVolume_, -1, 0);
    // From the start the play restarts; from a position it carries on from there.
    if (!api_.ChannelPlay(handle, position == 0 ? -1 : 0))
        return failed();
    return {};
}

base::Status AudioLibrary::StopTrack() {
    if (!library_ || !current_)
        return {};
    std::int32_t failure = 0;
    bool removeFailed = false;
    if (endSync_ != 0) {
        if (!api_.ChannelRemoveSync(current_.Handle(), endSync_)) {
            removeFailed = true;
            failure = LastErrorCode();
        }
        endSync_ = 0;
    }
    current_.Reset();
    if (removeFailed)
        return AudioFailure("cannot remove the end notice of the track", failure);
    return {};
}

void AudioLibrary::SetTrackVolume(std::int32_t volume) {
    if (!library_ || !current_)
        return;
    api_.ChannelSlideAttributes(current_.Handle(), -1, volume, -1, 0);
}

} // namespace media
