// Frames encoded on a thread of their own: they arrive in order, as YUV copies (the caller reuses
// its picture at once) that the encoder may keep, and the encoder's first failure comes back to
// the caller, with nothing after it encoded.
#include "media/video/FrameQueue.h"

#include "imaging/Bitmap.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kWidth = 34; // rows with padding
constexpr int kHeight = 18;

imaging::Bitmap Filled(std::uint8_t v) {
    imaging::Bitmap b = imaging::Bitmap::CreateSized(kWidth, kHeight);
    b.Fill(v, v, v);
    return b;
}

TEST(FrameQueueTest, FramesArriveInOrderAsYuvTheEncoderMayKeep) {
    std::vector<std::pair<int, std::int64_t>> seen;
    media::FfPtr<AVFrame> kept(av_frame_alloc());
    media::FrameQueue queue(kWidth, kHeight, imaging::YuvMatrix::Bt709,
                            [&](const AVFrame& f, std::int64_t count) -> base::Status {
                                if (f.width != kWidth || f.height != kHeight)
                                    return base::Fail("wrong size");
                                seen.emplace_back(
                                    f.data[0][(kHeight - 1) * f.linesize[0] + kWidth - 1], count);
                                if (count == 10) { // a reference outlives the call
                                    av_frame_unref(kept.get());
                                    av_frame_ref(kept.get(), &f);
                                }
                                return {};
                            });
    imaging::Bitmap picture = Filled(0);
    for (int i = 1; i <= 50; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 5);
        picture.Fill(v, v, v);
        ASSERT_TRUE(queue.Push(picture, i));
    }
    ASSERT_TRUE(queue.Drain());
    ASSERT_EQ(seen.size(), 50u);
    for (int i = 1; i <= 50; ++i) {
        // A grey keeps its level on the studio range: 16 + 219/255 of it.
        const int luma = 16 + (i * 5 * 219 * 2 + 255) / 510;
        EXPECT_EQ(seen[static_cast<std::size_t>(i - 1)], std::make_pair(luma, std::int64_t{i}));
    }
    // The frame kept was not reused by the later ones.
    EXPECT_EQ(kept->data[0][0], 16 + (50 * 219 * 2 + 255) / 510);
    EXPECT_EQ(kept->data[1][0], 128);
}

TEST(FrameQueueTest, APictureOfAnotherSizeIsRefused) {
    media::FrameQueue queue(kWidth, kHeight, imaging::YuvMatrix::Bt601,
                            [](const AVFrame&, std::int64_t) -> base::Status { return {}; });
    const imaging::Bitmap small = imaging::Bitmap::CreateSized(kWidth - 2, kHeight);
    EXPECT_FALSE(queue.Push(small, 1));
    EXPECT_TRUE(queue.Push(Filled(3), 1));
    EXPECT_TRUE(queue.Drain());
}

TEST(FrameQueueTest, TheFirstFailureComesBackAndStopsTheFrames) {
    int encoded = 0;
    media::FrameQueue queue(kWidth, kHeight, imaging::YuvMatrix::Bt601,
                            [&](const AVFrame&, std::int64_t) -> base::Status {
                                if (++encoded == 3)
                                    return base::Fail("disk full");
                                if (encoded > 3)
                                    return base::Fail("a later failure");
                                return {};
                            });
    const imaging::Bitmap picture = Filled(7);
    base::Status pushed;
    for (int i = 0; i < 20 && pushed; ++i)
        pushed = queue.Push(picture, 1);
    const base::Status drained = queue.Drain();
    ASSERT_FALSE(drained);
    EXPECT_EQ(drained.error(), "disk full");
    if (!pushed) {
        EXPECT_EQ(pushed.error(), "disk full");
    }
    EXPECT_EQ(encoded, 3);
    EXPECT_FALSE(queue.Push(picture, 1)); // nothing more is taken
    EXPECT_EQ(encoded, 3);
}

} // namespace
