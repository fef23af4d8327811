// The write queue: the blocks it hands out are exactly the session's sectors (the same bytes
// the image file writer produces), its size rules, and sources that change under it.
#include "DiscTestTools.h"

#include "disc/burn/WriteCache.h"
#include "disc/iso/SessionStream.h"

namespace write_cache_test {

using namespace disctest;

namespace {

class WriteCacheTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = tmp.path().toStdString() + "/" + name;
        WriteBytes(path, bytes);
        return path;
    }
    // Everything the queue hands out, block sizes in *sizes.
    static std::string Drain(disc::WriteCache& cache, std::vector<long>* sizes = nullptr) {
        std::string out;
        std::vector<std::uint8_t> block;
        for (;;) {
            const long n = cache.TakeBlock(block);
            if (n == 0)
                return out;
            if (n < 0)
                continue;
            if (sizes)
                sizes->push_back(n);
            out.append(reinterpret_cast<const char*>(block.data()), block.size());
        }
    }
    QTemporaryDir tmp;
};

TEST_F(WriteCacheTest, BlocksHoldExactlyTheSessionsSectors) {
    disc::IsoImageBuilder builder;
    builder.WritePostGap = false;
    // An empty file, a file of exactly one sector and files with ragged ends.
    for (const auto& [name, size] : std::vector<std::pair<std::string, std::size_t>>{
             {"a.bin", 1}, {"empty.bin", 0}, {"b.bin", 2048}, {"c.bin", 200000}, {"d.bin", 70001}})
        ASSERT_EQ(builder.InsertFile("\\", File(name, Pattern(size, static_cast<unsigned>(size)))),
                  disc::InsertResult::Added);
    const std::string image = tmp.path().toStdString() + "/ref.iso";
    ASSERT_TRUE(WriteSession(builder, 0, image).ok());
    const std::string expected = ReadBytes(image);

    disc::SessionStream stream(builder, expected.size());
    disc::WriteCache cache(2u << 20, 55296);
    cache.Start(stream);
    ASSERT_TRUE(cache.WaitFilled());
    std::vector<long> sizes;
    const std::string got = Drain(cache, &sizes);
    EXPECT_TRUE(cache.Error().empty()) << cache.Error();
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << "the queue's bytes differ from the image file's";
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i)
        EXPECT_EQ(sizes[i], 55296);
    EXPECT_EQ(sizes.back() % 2048, 0);
    EXPECT_EQ(stream.Written().size(), 4u) << "the empty file has no sectors";
}

TEST_F(WriteCacheTest, SizeRules) {
    EXPECT_EQ(disc::NormalizeCacheSize(100), 2u << 20);
    EXPECT_EQ(disc::NormalizeCacheSize((4u << 20) + 1000), 4u << 20);
    EXPECT_EQ(disc::NormalizeCacheSize(4u << 20), 4u << 20);
    EXPECT_EQ(disc::WriteCache(4u << 20, 65536).QueueLimit(), 64u);
}

TEST_F(WriteCacheTest, SourceThatChangedSizeStopsTheQueueWithItsName) {
    for (const bool grow : {true, false}) {
        disc::IsoImageBuilder builder;
        const std::string path = File("photo.jpg", Pattern(10000, 3));
        ASSERT_EQ(builder.InsertFile("\\", path), disc::InsertResult::Added);
        builder.ComputeLayout(0);
        ASSERT_TRUE(builder.BuildHeader().ok());
        WriteBytes(path, Pattern(grow ? 12000 : 5000, 3));
        disc::SessionStream stream(builder,
                                   static_cast<std::uint64_t>(builder.TrackSectors()) * 2048);
        disc::WriteCache cache(2u << 20, 65536);
        cache.Start(stream);
        EXPECT_FALSE(cache.WaitFilled());
        EXPECT_NE(cache.Error().find("photo.jpg"), std::string::npos) << cache.Error();
        EXPECT_NE(cache.Error().find("CHANGED SIZE"), std::string::npos) << cache.Error();
    }
}

TEST_F(WriteCacheTest, CancelFreesTheQueueAndEndsTheProducer) {
    disc::IsoImageBuilder builder;
    ASSERT_EQ(builder.InsertFile("\\", File("big.bin", Pattern(8u << 20, 4))),
              disc::InsertResult::Added);
    builder.ComputeLayout(0);
    ASSERT_TRUE(builder.BuildHeader().ok());
    disc::SessionStream stream(builder, static_cast<std::uint64_t>(builder.TrackSectors()) * 2048);
    disc::WriteCache cache(2u << 20, 65536);
    cache.Start(stream);
    ASSERT_TRUE(cache.WaitFilled());
    EXPECT_GT(cache.FillPercent(), 50);
    cache.Cancel();
    EXPECT_EQ(cache.Error(), "OPERATION ABORTED BY USER");
    EXPECT_EQ(cache.FillPercent(), 0);
    std::vector<std::uint8_t> block;
    EXPECT_EQ(cache.TakeBlock(block), 0);
}

} // namespace

} // namespace write_cache_test
