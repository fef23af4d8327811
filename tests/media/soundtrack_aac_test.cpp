// The MP4's soundtrack encoded on a thread of its own: every sample of the pieces comes out as
// AAC packets in order, a soundtrack with nothing readable gives no sound, a failing piece fails
// the wait, and a soundtrack dropped midway stops at once instead of encoding to its end.
#include "media/video/SoundtrackAac.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <cstring>

namespace soundtrack_aac_test {

// Stereo 16-bit 44.1 kHz tone of a given length; counts the frames handed out.
class CountedTone final : public media::PcmSource {
public:
    CountedTone(std::int64_t frames, std::atomic<std::int64_t>& read, bool failMidway = false)
        : left_(frames), read_(read), failMidway_(failMidway) {}
    media::PcmFormat Format() const override { return {44100, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        if (failMidway_ && read_ > 44100)
            return base::Fail("the track's file went away");
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(left_, static_cast<std::int64_t>(size / 4)));
        for (std::size_t i = 0; i < n * 2; ++i) {
            const auto v = static_cast<std::int16_t>((i / 2) % 100 * 100);
            std::memcpy(out + i * 2, &v, 2);
        }
        left_ -= static_cast<std::int64_t>(n);
        read_ += static_cast<std::int64_t>(n);
        return n * 4;
    }

private:
    std::int64_t left_;
    std::atomic<std::int64_t>& read_;
    bool failMidway_;
};

media::SoundPiece Piece(std::int64_t frames, std::atomic<std::int64_t>& read,
                        std::int32_t startMs = 0, bool failMidway = false) {
    media::SoundPiece p;
    p.Name = "tone";
    p.StartMs = startMs;
    p.Open = [frames, &read, failMidway]() -> base::Result<std::unique_ptr<media::PcmSource>> {
        return std::unique_ptr<media::PcmSource>(
            std::make_unique<CountedTone>(frames, read, failMidway));
    };
    return p;
}

TEST(SoundtrackAacTest, EncodesEveryPieceInOrderOrNothingWhenNoneOpens) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    std::atomic<std::int64_t> read{0};
    std::vector<media::SoundPiece> pieces;
    pieces.push_back(Piece(44100, read));       // 1 s
    pieces.push_back(Piece(22050, read, 1500)); // after half a second of silence
    auto sound = media::SoundtrackAac::Start(std::move(pieces), folder);
    ASSERT_TRUE(sound);
    ASSERT_TRUE((*sound)->Wait());
    ASSERT_TRUE((*sound)->HasSound());
    EXPECT_EQ(read.load(), 44100 + 22050);
    const auto& packets = (*sound)->Packets();
    ASSERT_FALSE(packets.empty());
    std::int64_t covered = 0;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        EXPECT_GT(packets[i].Place.Size, 0u);
        if (i > 0) {
            EXPECT_EQ(packets[i].Pts, packets[i - 1].Pts + packets[i - 1].Duration);
        }
        covered += packets[i].Duration;
        ASSERT_TRUE((*sound)->Read(packets[i]));
    }
    // Two seconds of sound, in whole AAC frames of 1024 samples (the encoder's delay aside).
    EXPECT_GE(covered, 88200);
    EXPECT_LT(covered, 88200 + 3 * 1024);

    media::SoundPiece unreadable;
    unreadable.Name = "gone.mp3";
    unreadable.Open = []() -> base::Result<std::unique_ptr<media::PcmSource>> {
        return base::Fail("no such file");
    };
    std::vector<media::SoundPiece> none;
    none.push_back(std::move(unreadable));
    auto silent = media::SoundtrackAac::Start(std::move(none), folder);
    ASSERT_TRUE(silent);
    EXPECT_TRUE((*silent)->Wait());
    EXPECT_FALSE((*silent)->HasSound());
}

TEST(SoundtrackAacTest, AFailingPieceFailsTheWaitAndADroppedOneStopsAtOnce) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    std::atomic<std::int64_t> read{0};
    std::vector<media::SoundPiece> failing;
    failing.push_back(Piece(10 * 44100, read, 0, true));
    auto broken = media::SoundtrackAac::Start(std::move(failing), folder);
    ASSERT_TRUE(broken);
    const base::Status st = (*broken)->Wait();
    ASSERT_FALSE(st);
    EXPECT_NE(st.error().find("the track's file went away"), std::string::npos) << st.error();

    // An hour of music, dropped as soon as it starts: the thread stops after a block or so.
    std::atomic<std::int64_t> longRead{0};
    std::vector<media::SoundPiece> hour;
    hour.push_back(Piece(3600LL * 44100, longRead));
    {
        auto dropped = media::SoundtrackAac::Start(std::move(hour), folder);
        ASSERT_TRUE(dropped);
    }
    EXPECT_LT(longRead.load(), 3600LL * 44100 / 10);
}

} // namespace soundtrack_aac_test
