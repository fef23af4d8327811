// Frames encoded on a thread of their own: they arrive in order, as copies (the caller reuses its
// picture at once), and the encoder's first failure comes back to the caller, with nothing after
// it encoded.
#include "media/FrameQueue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

imaging::Bitmap Filled(std::uint8_t v) {
    imaging::Bitmap b = imaging::Bitmap::CreateSized(33, 17); // rows with padding
    b.Fill(v, v, v);
    return b;
}

TEST(FrameQueueTest, FramesArriveInOrderAsCopies) {
    std::vector<std::pair<int, std::int64_t>> seen;
    media::FrameQueue queue([&](const imaging::Bgr& f, std::int64_t count) -> base::Status {
        seen.emplace_back(f.Row(16)[96], count);
        return {};
    });
    imaging::Bitmap picture = Filled(0);
    for (int i = 1; i <= 50; ++i) {
        picture.Fill(static_cast<std::uint8_t>(i), 0, 0);
        ASSERT_TRUE(queue.Push(picture, i));
    }
    ASSERT_TRUE(queue.Drain());
    ASSERT_EQ(seen.size(), 50u);
    for (int i = 1; i <= 50; ++i)
        EXPECT_EQ(seen[static_cast<std::size_t>(i - 1)], std::make_pair(i, std::int64_t{i}));
}

TEST(FrameQueueTest, TheFirstFailureComesBackAndStopsTheFrames) {
    int encoded = 0;
    media::FrameQueue queue([&](const imaging::Bgr&, std::int64_t) -> base::Status {
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
