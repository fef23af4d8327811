// The extension block read back from its bytes alone: exact texts checked before they replace the
// record's, entries for items the file does not hold dropped, values out of range falling back to
// what the record says, and chunks that do not fit refused even under a good checksum.
#include "base/Endian.h"
#include "project/ExtensionBlock.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace extension_block_reader_test {

namespace {

using namespace project;

// The block with its closing checksum made again over the changed bytes, so only the reader's own
// checks can refuse it.
std::vector<std::uint8_t> Reseal(std::vector<std::uint8_t> b) {
    const auto crc = static_cast<std::uint32_t>(::crc32(0, b.data(), uInt(b.size() - 4)));
    base::StoreLE<std::uint32_t>(b.data() + b.size() - 4, crc);
    return b;
}

// A text chunk read back: bytes that are not UTF-8 and lengths past the payload are refused or
// dropped, never read past.
TEST(ExtensionBlockReader, ExactTextsAreCheckedBeforeTheyWin) {
    Slide s = Slide::MakeDefault();
    s.Caption.Text = "東京";
    Track t = Track::MakeDefault();
    t.Title = "Ελλάδα";
    const auto block = WriteExtensionBlock({s}, {t}, {});
    ASSERT_FALSE(block.empty());
    auto read = ReadExtensionBlock(block.data(), block.size(), 1, 1);
    ASSERT_TRUE(read) << read.error();
    ASSERT_EQ(read->Slides.size(), 1u);
    EXPECT_EQ(read->Slides.at(0).Texts, (CaptionTexts{"東京", "Arial"}));
    ASSERT_EQ(read->Tracks.size(), 1u);
    EXPECT_EQ(read->Tracks.at(0).Title, "Ελλάδα");
    EXPECT_TRUE(ReadExtensionBlock(block.data(), block.size(), 0, 0)->Slides.empty());

    // The slide chunk starts after the 12-byte header: its own 8-byte header, then index and
    // lengths; the text follows at 12 + 8 + 12.
    auto notUtf8 = block;
    notUtf8[12 + 8 + 12] = 0xFF;
    notUtf8 = Reseal(notUtf8);
    auto dropped = ReadExtensionBlock(notUtf8.data(), notUtf8.size(), 1, 1);
    ASSERT_TRUE(dropped);
    EXPECT_FALSE(dropped->Slides[0].Texts);
    EXPECT_TRUE(dropped->Tracks[0].Title);
    auto overlong = block;
    overlong[12 + 8 + 4] = 0xF0; // the text's length runs past the payload
    overlong = Reseal(overlong);
    EXPECT_FALSE(ReadExtensionBlock(overlong.data(), overlong.size(), 1, 1));
}

TEST(ExtensionBlockReader, RefusesWhatDoesNotFitAndFallsBackOnOddValues) {
    std::vector<Slide> slides(3, Slide::MakeDefault());
    std::vector<Track> tracks(1, Track::MakeDefault());
    slides[2].Ext.Motion.Mode = imaging::MotionMode::Auto;
    slides[2].Ext.Motion.Start = {0.2, 0.8, 1.25};
    tracks[0].Ext.FadeInSeconds = 4;
    const auto block = WriteExtensionBlock(slides, tracks, {});
    ASSERT_FALSE(block.empty());
    EXPECT_TRUE(
        WriteExtensionBlock(std::vector<Slide>(2, Slide::MakeDefault()), tracks, ShowOptions{})
            .size() < block.size());
    EXPECT_TRUE(WriteExtensionBlock({Slide::MakeDefault()}, {Track::MakeDefault()}, {}).empty());

    auto ok = ReadExtensionBlock(block.data(), block.size(), 3, 1);
    ASSERT_TRUE(ok) << ok.error();
    ASSERT_EQ(ok->Slides.size(), 1u);
    ASSERT_TRUE(ok->Slides.begin()->second.Ext);
    EXPECT_EQ(ok->Slides.begin()->first, 2u);
    EXPECT_EQ(ok->Slides.at(2).Ext->Ext.Motion.Start.Z, 1.25);
    // Entries for items the file does not hold are dropped, not applied elsewhere.
    auto fewer = ReadExtensionBlock(block.data(), block.size(), 2, 0);
    ASSERT_TRUE(fewer);
    EXPECT_TRUE(fewer->Slides.empty());
    EXPECT_TRUE(fewer->Tracks.empty());

    // Values out of their ranges fall back to "as the record says".
    std::vector<Slide> odd(1, Slide::MakeDefault());
    odd[0].StillMs = -5;
    odd[0].Ext.TransitionKind = 3; // a record kind is never an extension kind
    odd[0].Ext.Motion.Mode = imaging::MotionMode::Manual;
    odd[0].Ext.Motion.End = {1.5, std::nan(""), 0.25};
    auto oddBlock = WriteExtensionBlock(odd, {}, {});
    auto read = ReadExtensionBlock(oddBlock.data(), oddBlock.size(), 1, 0);
    ASSERT_TRUE(read);
    ASSERT_TRUE(read->Slides.at(0).Ext);
    const StoredSlideExtension& stored = *read->Slides.at(0).Ext;
    const SlideExtension& e = stored.Ext;
    EXPECT_EQ(stored.StillMs, 0);
    EXPECT_EQ(e.TransitionKind, 0);
    EXPECT_EQ(e.Motion.End, (imaging::MotionState{0.5, 0.5, 1.0}));

    // A chunk whose length runs past the block, or a known chunk shorter than its type, is
    // refused even under a good checksum.
    auto overrun = block;
    base::StoreLE<std::uint32_t>(overrun.data() + 12 + 4, 0x7FFFFFFF);
    overrun = Reseal(overrun);
    EXPECT_FALSE(ReadExtensionBlock(overrun.data(), overrun.size(), 3, 1));
    auto shortChunk = block;
    base::StoreLE<std::uint32_t>(shortChunk.data() + 12 + 4, 10);
    shortChunk = Reseal(shortChunk);
    EXPECT_FALSE(ReadExtensionBlock(shortChunk.data(), shortChunk.size(), 3, 1));
    EXPECT_FALSE(ReadExtensionBlock(block.data(), 10, 3, 1));
}

} // namespace

} // namespace extension_block_reader_test
