#include "Output.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <thread>

namespace bass {

namespace {

// How much converted audio the feeder keeps ahead of the device, in seconds.
constexpr double kAheadSeconds = 0.25;
constexpr std::size_t kDecodeChunk = 16 * 1024;

struct Device {
    std::mutex mixMutex; // the playing list and every channel's playback fields
    SDL_AudioDeviceID id = 0;
    SDL_AudioSpec spec{};
    std::vector<std::shared_ptr<Channel>> playing;
    std::vector<std::int16_t> scratch;
    std::thread feeder;
    std::condition_variable wake;
    bool stopFeeder = false;
    bool open = false;

    // A program that exits without BASS_Free: stop the feeder before its thread object goes.
    ~Device() {
        if (!feeder.joinable())
            return;
        {
            std::lock_guard lock(mixMutex);
            stopFeeder = true;
        }
        wake.notify_all();
        feeder.join();
        if (id != 0)
            SDL_CloseAudioDevice(id);
    }
};

Device& Dev() {
    static Device d;
    return d;
}

std::atomic<std::uint32_t> nextSync{1};

int DeviceBytesPerSecond() {
    return Dev().spec.freq * 4;
}

void MixCallback(void*, Uint8* stream, int len) {
    Device& d = Dev();
    std::memset(stream, 0, static_cast<std::size_t>(len));
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    const int samples = len / 2;
    std::lock_guard lock(d.mixMutex);
    if (d.scratch.size() < static_cast<std::size_t>(samples))
        d.scratch.resize(static_cast<std::size_t>(samples));
    bool someoneFinished = false;
    for (auto& ch : d.playing) {
        if (!ch->playing || !ch->converter)
            continue;
        const int got = SDL_AudioStreamGet(ch->converter, d.scratch.data(), len);
        const int n = got > 0 ? got / 2 : 0;
        const int vol = ch->volume;
        for (int i = 0; i < n; ++i) {
            const int v = out[i] + d.scratch[static_cast<std::size_t>(i)] * vol / 100;
            out[i] = static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
        }
        if (got < len && ch->decoderDone && SDL_AudioStreamAvailable(ch->converter) == 0) {
            ch->playing = false;
            ch->finished = true;
            someoneFinished = true;
        }
    }
    if (someoneFinished)
        d.wake.notify_one();
}

// Decodes about a tenth of a second of the channel when its queue is running short, resamples it
// to the device format under the channel's decode lock only, and queues the result under the
// mixing lock. Returns true when it did some work.
bool TopUp(const std::shared_ptr<Channel>& ch, std::vector<std::uint8_t>& buffer,
           std::vector<std::uint8_t>& converted) {
    Device& d = Dev();
    {
        std::lock_guard mix(d.mixMutex);
        if (!ch->playing || ch->decoderDone || !ch->converter)
            return false;
        if (SDL_AudioStreamAvailable(ch->converter) >= kAheadSeconds * DeviceBytesPerSecond())
            return false;
    }
    std::lock_guard dec(ch->decodeMutex);
    if (!ch->resampler || ch->released)
        return false;
    const auto bpf = static_cast<std::size_t>(ch->BytesPerFrame());
    const std::size_t want =
        std::clamp<std::size_t>(static_cast<std::size_t>(ch->rate) / 10, 1, kDecodeChunk / bpf) *
        bpf;
    bool ended = false;
    const std::size_t n = ch->Read(buffer.data(), want, &ended);
    if (n == 0 && !ended)
        return false; // a supplied stream with nothing yet: asked again on the next round
    bool put = n > 0 && SDL_AudioStreamPut(ch->resampler, buffer.data(), static_cast<int>(n)) == 0;
    if (ended)
        SDL_AudioStreamFlush(ch->resampler);
    const int ready = SDL_AudioStreamAvailable(ch->resampler);
    converted.resize(static_cast<std::size_t>(std::max(ready, 0)));
    const int got = ready > 0 ? SDL_AudioStreamGet(ch->resampler, converted.data(), ready) : 0;

    std::lock_guard mix(d.mixMutex);
    if (!ch->playing || ch->decoderDone || !ch->converter)
        return false;
    if (got > 0)
        SDL_AudioStreamPut(ch->converter, converted.data(), got);
    if (put)
        ch->fed += n;
    if (ended) {
        SDL_AudioStreamFlush(ch->converter);
        ch->decoderDone = true;
    }
    return true;
}

void FeederLoop() {
    Device& d = Dev();
    std::vector<std::uint8_t> buffer(kDecodeChunk);
    std::vector<std::uint8_t> converted;
    for (;;) {
        std::vector<std::shared_ptr<Channel>> playing;
        std::vector<std::pair<std::shared_ptr<Channel>, SyncEntry>> notices;
        {
            std::unique_lock lock(d.mixMutex);
            d.wake.wait_for(lock, std::chrono::milliseconds(10));
            if (d.stopFeeder)
                return;
            for (auto it = d.playing.begin(); it != d.playing.end();) {
                if ((*it)->finished) {
                    for (const SyncEntry& s : (*it)->syncs)
                        notices.emplace_back(*it, s);
                    (*it)->finished = false;
                    it = d.playing.erase(it);
                } else {
                    playing.push_back(*it++);
                }
            }
        }
        for (auto& [ch, s] : notices)
            s.proc(s.id, ch->handle, 0, s.user);
        for (int round = 0; round < 64; ++round) {
            bool worked = false;
            for (auto& ch : playing)
                worked |= TopUp(ch, buffer, converted);
            if (!worked)
                break;
        }
    }
}

} // namespace

std::int32_t OutputInit(std::int32_t device, std::uint32_t rate) {
    Device& d = Dev();
    if (d.open)
        return BASS_ERROR_ALREADY;
    if (rate < 8000 || rate > 192000)
        return 25; // illegal sample rate
    if (device == 0 || device < -1)
        return BASS_ERROR_DEVICE;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return BASS_ERROR_DRIVER;
    const char* name = nullptr;
    if (device > 1) {
        name = SDL_GetAudioDeviceName(device - 1, 0);
        if (!name) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return BASS_ERROR_DEVICE;
        }
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(rate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 2048;
    want.callback = MixCallback;
    d.id = SDL_OpenAudioDevice(name, 0, &want, &d.spec, 0);
    if (d.id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return BASS_ERROR_DRIVER;
    }
    d.stopFeeder = false;
    d.open = true;
    d.feeder = std::thread(FeederLoop);
    SDL_PauseAudioDevice(d.id, 0);
    return BASS_OK;
}

bool OutputIsOpen() {
    return Dev().open;
}

std::int32_t OutputStart() {
    Device& d = Dev();
    if (!d.open)
        return BASS_ERROR_INIT;
    SDL_PauseAudioDevice(d.id, 0);
    return BASS_OK;
}

bool OutputFree() {
    Device& d = Dev();
    if (!d.open)
        return false;
    {
        std::lock_guard lock(d.mixMutex);
        d.stopFeeder = true;
    }
    d.wake.notify_all();
    d.feeder.join();
    // Closing waits for a running callback, which takes mixMutex: do not hold it here.
    SDL_CloseAudioDevice(d.id);
    d.id = 0;
    {
        std::lock_guard lock(d.mixMutex);
        for (auto& ch : d.playing) {
            ch->playing = false;
            ch->finished = false;
        }
        d.playing.clear();
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    d.open = false;
    return true;
}

std::int32_t OutputPlay(const std::shared_ptr<Channel>& ch, bool restart) {
    Device& d = Dev();
    if (!d.open)
        return BASS_ERROR_INIT;
    std::lock_guard dec(ch->decodeMutex);
    std::lock_guard mix(d.mixMutex);
    if (!ch->converter) {
        ch->resampler = SDL_NewAudioStream(ch->eightBit ? AUDIO_U8 : AUDIO_S16SYS,
                                           static_cast<Uint8>(ch->channels), ch->rate, AUDIO_S16SYS,
                                           2, d.spec.freq);
        ch->converter =
            SDL_NewAudioStream(AUDIO_S16SYS, 2, d.spec.freq, AUDIO_S16SYS, 2, d.spec.freq);
        if (!ch->resampler || !ch->converter) {
            if (ch->resampler)
                SDL_FreeAudioStream(ch->resampler);
            if (ch->converter)
                SDL_FreeAudioStream(ch->converter);
            ch->resampler = nullptr;
            ch->converter = nullptr;
            return BASS_ERROR_FORMAT;
        }
        ch->fedFrom = ch->SourcePosition();
        ch->fed = 0;
    }
    if (restart) {
        if (ch->SourcePosition() != 0 || ch->decoderDone)
            if (!ch->SourceSeek(0))
                return BASS_ERROR_POSITION;
        SDL_AudioStreamClear(ch->resampler);
        SDL_AudioStreamClear(ch->converter);
        ch->fedFrom = 0;
        ch->fed = 0;
        ch->decoderDone = false;
    } else if (ch->decoderDone && SDL_AudioStreamAvailable(ch->converter) == 0) {
        return BASS_OK; // already played to its end; nothing left to resume
    }
    ch->finished = false;
    ch->playing = true;
    if (std::find(d.playing.begin(), d.playing.end(), ch) == d.playing.end())
        d.playing.push_back(ch);
    d.wake.notify_one();
    return BASS_OK;
}

void OutputRelease(const std::shared_ptr<Channel>& ch) {
    Device& d = Dev();
    std::lock_guard mix(d.mixMutex);
    ch->playing = false;
    ch->finished = false;
    ch->syncs.clear();
    d.playing.erase(std::remove(d.playing.begin(), d.playing.end(), ch), d.playing.end());
}

std::uint64_t OutputPosition(const std::shared_ptr<Channel>& ch) {
    Device& d = Dev();
    std::lock_guard dec(ch->decodeMutex);
    std::lock_guard mix(d.mixMutex);
    if (!ch->converter)
        return ch->SourcePosition();
    // What is still queued in the converter has not been heard yet.
    const double queuedDevice = SDL_AudioStreamAvailable(ch->converter);
    const double streamPerDevice =
        static_cast<double>(ch->rate) * ch->BytesPerFrame() / DeviceBytesPerSecond();
    auto queued = static_cast<std::uint64_t>(queuedDevice * streamPerDevice);
    queued -= queued % static_cast<std::uint64_t>(ch->BytesPerFrame());
    return ch->fedFrom + (queued < ch->fed ? ch->fed - queued : 0);
}

bool OutputSeek(const std::shared_ptr<Channel>& ch, std::uint64_t pos) {
    Device& d = Dev();
    std::lock_guard dec(ch->decodeMutex);
    if (!ch->SourceSeek(pos))
        return false;
    std::lock_guard mix(d.mixMutex);
    if (ch->converter) {
        SDL_AudioStreamClear(ch->resampler);
        SDL_AudioStreamClear(ch->converter);
        ch->fedFrom = ch->SourcePosition();
        ch->fed = 0;
        ch->decoderDone = false;
    }
    d.wake.notify_one();
    return true;
}

void OutputSetVolume(const std::shared_ptr<Channel>& ch, int volume) {
    std::lock_guard mix(Dev().mixMutex);
    ch->volume = volume;
}

int OutputVolume(const std::shared_ptr<Channel>& ch) {
    std::lock_guard mix(Dev().mixMutex);
    return ch->volume;
}

bool OutputIsPlaying(const std::shared_ptr<Channel>& ch) {
    std::lock_guard mix(Dev().mixMutex);
    return ch->playing || ch->finished;
}

HSYNC OutputAddSync(const std::shared_ptr<Channel>& ch, SYNCPROC proc, void* user) {
    std::lock_guard mix(Dev().mixMutex);
    HSYNC id = nextSync++;
    if (id == 0)
        id = nextSync++;
    ch->syncs.push_back(SyncEntry{id, proc, user});
    return id;
}

bool OutputRemoveSync(const std::shared_ptr<Channel>& ch, HSYNC sync) {
    std::lock_guard mix(Dev().mixMutex);
    auto it = std::find_if(ch->syncs.begin(), ch->syncs.end(),
                           [sync](const SyncEntry& s) { return s.id == sync; });
    if (it == ch->syncs.end())
        return false;
    ch->syncs.erase(it);
    return true;
}

} // namespace bass
