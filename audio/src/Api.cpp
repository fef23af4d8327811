// The exported C entry points: argument checks, handle lookup and error codes around the
// decoder, the channel table and the output device.
#include "Channel.h"
#include "Errors.h"
#include "Output.h"
#include "bass.h"

#include <cstring>
#include <new>

using namespace bass;

namespace {

constexpr std::uint64_t kFail64 = ~std::uint64_t{0};

// A window [offset, offset + length) of another source; length 0 means "to the end".
class WindowSource final : public ByteSource {
public:
    WindowSource(std::shared_ptr<ByteSource> base, std::uint64_t offset, std::uint64_t length)
        : base_(std::move(base)), offset_(offset),
          size_(offset >= base_->Size()
                    ? 0
                    : (length == 0 || length > base_->Size() - offset ? base_->Size() - offset
                                                                      : length)) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const override {
        if (offset >= size_)
            return 0;
        if (n > size_ - offset)
            n = static_cast<std::size_t>(size_ - offset);
        return base_->ReadAt(offset_ + offset, buffer, n);
    }

private:
    std::shared_ptr<ByteSource> base_;
    std::uint64_t offset_;
    std::uint64_t size_;
};

std::shared_ptr<Channel> Lookup(std::uint32_t handle) {
    auto ch = FindChannel(handle);
    if (!ch)
        SetError(BASS_ERROR_HANDLE);
    return ch;
}

BOOL32 Ok() {
    SetError(BASS_OK);
    return 1;
}

} // namespace

extern "C" {

uint32_t BASS_GetVersion(void) {
    return BASSVERSION;
}

int32_t BASS_ErrorGetCode(void) {
    return LastError();
}

BOOL32 BASS_Init(int32_t device, uint32_t freq, uint32_t, void*, const void*) {
    const std::int32_t r = OutputInit(device, freq);
    return r == BASS_OK ? Ok() : Fail(r, 0);
}

BOOL32 BASS_Free(void) {
    return OutputFree() ? Ok() : Fail(BASS_ERROR_INIT, 0);
}

BOOL32 BASS_Start(void) {
    const std::int32_t r = OutputStart();
    return r == BASS_OK ? Ok() : Fail(r, 0);
}

HSTREAM BASS_StreamCreateFile(BOOL32 mem, const void* file, uint64_t offset, uint64_t length,
                              uint32_t flags) {
    try {
        if (!file)
            return Fail(BASS_ERROR_FILEOPEN, 0u);
        std::shared_ptr<ByteSource> source;
        if (mem) {
            if (length == 0 || length > SIZE_MAX)
                return Fail(BASS_ERROR_ILLPARAM, 0u);
            source = MemorySource(static_cast<const std::uint8_t*>(file) + offset,
                                  static_cast<std::size_t>(length));
        } else {
            source = OpenFileSource(static_cast<const char*>(file));
            if (!source)
                return Fail(BASS_ERROR_FILEOPEN, 0u);
            if (offset != 0 || length != 0)
                source = std::make_shared<WindowSource>(std::move(source), offset, length);
        }
        std::int32_t error = 0;
        auto decoder = Decoder::Open(std::move(source), &error);
        if (!decoder)
            return Fail(error, 0u);
        const std::uint32_t h =
            RegisterChannel((flags & BASS_STREAM_DECODE) != 0, std::move(decoder));
        SetError(BASS_OK);
        return h;
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM, 0u);
    } catch (...) {
        return Fail(BASS_ERROR_UNKNOWN, 0u);
    }
}

HSTREAM BASS_StreamCreate(uint32_t freq, uint32_t chans, uint32_t flags, STREAMPROC* proc,
                          void* user) {
    if (!proc)
        return Fail(BASS_ERROR_ILLPARAM, 0u);
    if (freq < 8000 || freq > 192000)
        return Fail(25, 0u); // illegal sample rate
    if (chans < 1 || chans > 2)
        return Fail(BASS_ERROR_ILLPARAM, 0u);
    try {
        const std::uint32_t h = RegisterProcChannel(
            (flags & BASS_STREAM_DECODE) != 0, static_cast<int>(freq), static_cast<int>(chans),
            (flags & BASS_SAMPLE_8BITS) != 0, StreamProc{proc, user});
        SetError(BASS_OK);
        return h;
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM, 0u);
    }
}

BOOL32 BASS_StreamFree(HSTREAM handle) {
    auto ch = RemoveChannel(handle);
    if (!ch)
        return Fail(BASS_ERROR_HANDLE, 0);
    OutputRelease(ch);
    // Waits for a read in progress on the feeder thread; none starts after this.
    std::lock_guard lock(ch->decodeMutex);
    ch->released = true;
    return Ok();
}

BOOL32 BASS_ChannelPlay(uint32_t handle, BOOL32 restart) {
    auto ch = Lookup(handle);
    if (!ch)
        return 0;
    if (ch->decodeOnly)
        return Fail(BASS_ERROR_DECODE, 0);
    const std::int32_t r = OutputPlay(ch, restart != 0);
    return r == BASS_OK ? Ok() : Fail(r, 0);
}

HSYNC BASS_ChannelSetSync(uint32_t handle, uint32_t type, uint64_t, SYNCPROC proc, void* user) {
    auto ch = Lookup(handle);
    if (!ch)
        return 0;
    if ((type & ~BASS_SYNC_MESSAGE) != BASS_SYNC_END)
        return Fail(BASS_ERROR_ILLTYPE, 0u);
    if (!proc)
        return Fail(BASS_ERROR_ILLPARAM, 0u);
    if (ch->decodeOnly)
        return Fail(BASS_ERROR_DECODE, 0u);
    const HSYNC s = OutputAddSync(ch, proc, user);
    SetError(BASS_OK);
    return s;
}

BOOL32 BASS_ChannelRemoveSync(uint32_t handle, HSYNC sync) {
    auto ch = Lookup(handle);
    if (!ch)
        return 0;
    return OutputRemoveSync(ch, sync) ? Ok() : Fail(BASS_ERROR_HANDLE, 0);
}

BOOL32 BASS_ChannelSlideAttributes(uint32_t handle, int32_t freq, int32_t volume, int32_t pan,
                                   uint32_t) {
    auto ch = Lookup(handle);
    if (!ch)
        return 0;
    if (volume < -1 || volume > 100 || pan < -101 || pan > 100 || freq < -1)
        return Fail(BASS_ERROR_ILLPARAM, 0);
    if (volume >= 0)
        OutputSetVolume(ch, volume);
    return Ok();
}

uint64_t BASS_StreamGetLength(HSTREAM handle) {
    auto ch = Lookup(handle);
    if (!ch)
        return kFail64;
    try {
        std::lock_guard lock(ch->decodeMutex);
        if (auto n = ch->Length()) {
            SetError(BASS_OK);
            return *n;
        }
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM, kFail64);
    }
    return Fail(BASS_ERROR_NOTAVAIL, kFail64);
}

uint64_t BASS_ChannelGetPosition(uint32_t handle) {
    auto ch = Lookup(handle);
    if (!ch)
        return kFail64;
    SetError(BASS_OK);
    return OutputPosition(ch);
}

BOOL32 BASS_ChannelSetPosition(uint32_t handle, uint64_t pos) {
    auto ch = Lookup(handle);
    if (!ch)
        return 0;
    const auto bpf = static_cast<std::uint64_t>(ch->BytesPerFrame());
    pos -= pos % bpf;
    {
        std::lock_guard lock(ch->decodeMutex);
        const auto length = ch->Length();
        if (length && pos > *length)
            return Fail(BASS_ERROR_POSITION, 0);
    }
    return OutputSeek(ch, pos) ? Ok() : Fail(BASS_ERROR_POSITION, 0);
}

double BASS_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) {
    auto ch = Lookup(handle);
    if (!ch)
        return -1.0;
    SetError(BASS_OK);
    return static_cast<double>(pos) / (static_cast<double>(ch->rate) * ch->BytesPerFrame());
}

const char* BASS_StreamGetTags(HSTREAM handle, uint32_t tags) {
    auto ch = Lookup(handle);
    if (!ch)
        return nullptr;
    if (tags > BASS_TAG_OGG)
        return Fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
    try {
        std::lock_guard lock(ch->decodeMutex);
        if (const char* p = ch->Tags(tags)) {
            SetError(BASS_OK);
            return p;
        }
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM, static_cast<const char*>(nullptr));
    }
    return Fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
}

BOOL32 BASS_ChannelGetInfo(uint32_t handle, BASS_CHANNELINFO* info) {
    auto ch = Lookup(handle);
    if (!ch)
        return 0;
    if (!info)
        return Fail(BASS_ERROR_ILLPARAM, 0);
    info->freq = static_cast<uint32_t>(ch->rate);
    info->chans = static_cast<uint32_t>(ch->channels);
    info->flags =
        (ch->eightBit ? BASS_SAMPLE_8BITS : 0u) | (ch->decodeOnly ? BASS_STREAM_DECODE : 0u);
    info->ctype = 0;
    return Ok();
}

BOOL32 BASS_ChannelGetAttributes(uint32_t handle, uint32_t* freq, uint32_t* volume, int32_t* pan) {
    auto ch = Lookup(handle);
    if (!ch)
        return 0;
    if (freq)
        *freq = static_cast<uint32_t>(ch->rate);
    if (volume)
        *volume = static_cast<uint32_t>(OutputVolume(ch));
    if (pan)
        *pan = 0;
    return Ok();
}

uint32_t BASS_ChannelIsActive(uint32_t handle) {
    auto ch = Lookup(handle);
    if (!ch)
        return BASS_ACTIVE_STOPPED;
    SetError(BASS_OK);
    if (ch->decodeOnly) {
        std::lock_guard lock(ch->decodeMutex);
        return ch->SourceAtEnd() ? BASS_ACTIVE_STOPPED : BASS_ACTIVE_PLAYING;
    }
    return OutputIsPlaying(ch) ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

uint32_t BASS_ChannelGetData(uint32_t handle, void* buffer, uint32_t length) {
    auto ch = Lookup(handle);
    if (!ch)
        return ~0u;
    if (!ch->decodeOnly)
        return Fail(BASS_ERROR_NOTAVAIL, ~0u);
    if (!buffer)
        return Fail(BASS_ERROR_ILLPARAM, ~0u);
    try {
        std::lock_guard lock(ch->decodeMutex);
        bool ended = false;
        const std::size_t n = ch->Read(static_cast<std::uint8_t*>(buffer), length, &ended);
        SetError(BASS_OK);
        return static_cast<uint32_t>(n);
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM, ~0u);
    }
}

} // extern "C"
