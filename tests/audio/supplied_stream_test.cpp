// Streams whose PCM the program supplies through a procedure: read back whole by a decode-only
// stream, played on the dummy output to the end notice with every byte counted, and released
// while playing without the procedure ever being called after the release returned.
#include "AudioFiles.h"

#include "media/audio/AudioLibrary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

const media::AudioEntryPoints& Api() {
    return media::Audio().Api();
}

// Supplies a ramp of 16-bit samples (sample i is i mod 32768) up to `total` bytes, then ends; a
// total of 0 never ends. Notes the threads it was called on and every call after `closed`.
struct Ramp {
    std::uint32_t total = 0;
    std::atomic<std::uint32_t> given{0};
    std::atomic<int> calls{0};
    std::atomic<bool> closed{false};
    std::atomic<int> callsAfterClose{0};
    std::atomic<bool> onCallerThread{false};
    std::thread::id caller = std::this_thread::get_id();

    static std::uint32_t Proc(HSTREAM, void* buffer, std::uint32_t length, void* user) {
        auto* self = static_cast<Ramp*>(user);
        ++self->calls;
        if (self->closed)
            ++self->callsAfterClose;
        if (std::this_thread::get_id() == self->caller)
            self->onCallerThread = true;
        const std::uint32_t at = self->given;
        std::uint32_t n = length;
        bool end = false;
        if (self->total != 0 && self->total - at <= n) {
            n = self->total - at;
            end = true;
        }
        auto* out = static_cast<std::int16_t*>(buffer);
        for (std::uint32_t i = 0; i < n / 2; ++i)
            out[i] = static_cast<std::int16_t>((at / 2 + i) % 32768);
        self->given = at + n;
        return n | (end ? BASS_STREAMPROC_END : 0u);
    }
};

template <typename Done> bool WaitFor(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

class SuppliedStream : public ::testing::Test {
protected:
    void SetUp() override {
        testing_audio::LoadRealLibrary();
        ASSERT_TRUE(media::Audio().Loaded());
    }
};

TEST_F(SuppliedStream, DecodeOnlyGivesWhatTheProcedureWrote) {
    Ramp ramp;
    ramp.total = 10000;
    const HSTREAM h = Api().StreamCreate(22050, 1, BASS_STREAM_DECODE, &Ramp::Proc, &ramp);
    ASSERT_NE(h, 0u) << Api().ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(Api().ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, 22050u);
    EXPECT_EQ(info.chans, 1u);
    std::vector<std::int16_t> got;
    std::int16_t buf[1501]; // an odd byte count is cut to whole frames
    while (Api().ChannelIsActive(h) == BASS_ACTIVE_PLAYING) {
        const std::uint32_t n = Api().ChannelGetData(h, buf, 3001);
        ASSERT_NE(n, ~0u);
        EXPECT_EQ(n % 2, 0u);
        got.insert(got.end(), buf, buf + n / 2);
    }
    ASSERT_EQ(got.size(), 5000u);
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], static_cast<std::int16_t>(i)) << i;
    EXPECT_EQ(Api().ChannelGetData(h, buf, 100), 0u);
    // No length, no moving but back to the start.
    EXPECT_EQ(Api().StreamGetLength(h), ~std::uint64_t{0});
    EXPECT_EQ(Api().ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_FALSE(Api().ChannelSetPosition(h, 400));
    EXPECT_TRUE(Api().StreamFree(h));

    EXPECT_EQ(Api().StreamCreate(44100, 2, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(Api().ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(Api().StreamCreate(44100, 3, 0, &Ramp::Proc, &ramp), 0u);
    EXPECT_EQ(Api().ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(Api().StreamCreate(1000, 2, 0, &Ramp::Proc, &ramp), 0u);
}

TEST_F(SuppliedStream, PlaysToTheEndNoticeOnTheLibrarysThread) {
    Ramp ramp;
    ramp.total = 48000 * 4 / 2; // half a second of 48 kHz stereo, resampled to the device
    const HSTREAM h = Api().StreamCreate(48000, 2, 0, &Ramp::Proc, &ramp);
    ASSERT_NE(h, 0u);
    static std::atomic<std::uint32_t> ended{0};
    ended = 0;
    ASSERT_NE(Api().ChannelSetSync(
                  h, BASS_SYNC_END, 0,
                  [](HSYNC, std::uint32_t channel, std::uint32_t, void*) { ended = channel; },
                  nullptr),
              0u);
    ASSERT_TRUE(Api().Start());
    ASSERT_TRUE(Api().ChannelPlay(h, 1));
    EXPECT_EQ(Api().ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    EXPECT_TRUE(WaitFor([] { return ended != 0; }));
    EXPECT_EQ(ended.load(), h);
    EXPECT_EQ(ramp.given.load(), ramp.total);
    EXPECT_EQ(Api().ChannelGetPosition(h), ramp.total);
    EXPECT_EQ(Api().ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_FALSE(ramp.onCallerThread.load());
    EXPECT_TRUE(Api().StreamFree(h));
}

TEST_F(SuppliedStream, ReleasedWhilePlayingItIsNeverAskedAgain) {
    Ramp ramp; // never ends
    const HSTREAM h = Api().StreamCreate(44100, 2, 0, &Ramp::Proc, &ramp);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(Api().ChannelPlay(h, 1));
    ASSERT_TRUE(WaitFor([&] { return ramp.calls >= 3; }));
    // The clock: what was heard, never more than what was given.
    EXPECT_TRUE(WaitFor([&] { return Api().ChannelGetPosition(h) > 0; }));
    EXPECT_LE(Api().ChannelGetPosition(h), std::uint64_t{ramp.given});
    // Restarting drops what was queued and counts from 0 again.
    ASSERT_TRUE(Api().ChannelPlay(h, 1));
    EXPECT_LT(Api().ChannelGetPosition(h), 44100u * 4);
    ASSERT_TRUE(Api().StreamFree(h));
    ramp.closed = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(ramp.callsAfterClose.load(), 0);
}

} // namespace
