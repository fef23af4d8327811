// The 64-byte table kernel against a byte-by-byte mapping, over every tail length and channel
// phase a row can end with.
#include "imaging/LutVbmi.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

TEST(LutVbmi, MatchesByteByByteMapping) {
    if (!imaging::HaveVbmi())
        GTEST_SKIP() << "this processor has no AVX-512 VBMI; the portable path is used";
    std::mt19937 rng(7);
    std::uint8_t tables[3][256];
    for (auto& t : tables)
        for (auto& b : t)
            b = static_cast<std::uint8_t>(rng());
    const std::uint8_t* const distinct[3] = {tables[0], tables[1], tables[2]};
    const std::uint8_t* const same[3] = {tables[1], tables[1], tables[1]};
    for (const auto* set : {distinct, same}) {
        for (std::size_t n = 0; n <= 400; ++n) {
            // Guard bytes on both sides must stay as they were.
            std::vector<std::uint8_t> row(n + 128);
            for (auto& b : row)
                b = static_cast<std::uint8_t>(rng());
            std::vector<std::uint8_t> want = row;
            for (std::size_t i = 0; i < n; ++i)
                want[64 + i] = set[i % 3][row[64 + i]];
            imaging::ApplyChannelTablesVbmi(row.data() + 64, n, set);
            ASSERT_EQ(row, want) << "n = " << n;
        }
    }
}

TEST(LutVbmi, ReversesPixelOrder) {
    if (!imaging::HaveVbmi())
        GTEST_SKIP() << "this processor has no AVX-512 VBMI; the portable path is used";
    std::mt19937 rng(9);
    for (std::size_t count = 0; count <= 130; ++count) {
        std::vector<std::uint8_t> src(count * 3);
        for (auto& b : src)
            b = static_cast<std::uint8_t>(rng());
        std::vector<std::uint8_t> dst(count * 3 + 64, 0xA5); // guard bytes after the row
        imaging::ReversePixelsVbmi(src.data(), dst.data(), count);
        for (std::size_t k = 0; k < count; ++k)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(dst[k * 3 + c], src[(count - 1 - k) * 3 + c]) << count << " " << k;
        for (std::size_t g = count * 3; g < dst.size(); ++g)
            ASSERT_EQ(dst[g], 0xA5) << "wrote past the row, count " << count;
    }
}
