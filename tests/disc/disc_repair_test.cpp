// Burns that were cut short (a cancel half-way, a write error) on write-once discs that already
// hold a session, followed by a burn that must succeed: the unfinished track and session are
// closed first, the new session starts where the disc really is free, every earlier session
// still reads, and the real readers see the new one whole.
#include "BurnTestTools.h"

#include "base/Endian.h"

namespace disc_repair_test {

using namespace disctest;

namespace {

constexpr std::uint8_t kClose = 0x5B;

enum class Cut { Cancel, WriteError };

// Burns one session, cuts a second one short and burns a third; returns the third's start.
std::uint32_t BurnCutBurn(BurnRig& r, Cut cut) {
    EXPECT_TRUE(r.Burn({r.File("a.txt", "first a"), r.File("b.txt", Pattern(9000, 1))}).ok());
    const std::string big = r.File("big.bin", Pattern(6 << 20, 2));
    if (cut == Cut::Cancel) {
        StopAfter stop(20);
        const auto status = r.Burn({big}, stop);
        EXPECT_EQ(status.error(), "OPERATION ABORTED BY USER");
    } else {
        disc::VirtualFaults faults;
        faults.mediumErrorAt = r.rig.recorder->Medium().NextWritable() + 700;
        r.rig.recorder->SetFaults(faults);
        const auto status = r.Burn({big});
        EXPECT_EQ(status.error().rfind("WRITER ERROR [", 0), 0u) << status.error();
        r.rig.recorder->SetFaults({});
    }
    EXPECT_TRUE(r.rig.recorder->Medium().OpenTrack().has_value()) << "the cut left a track open";
    const auto third = r.Burn({r.File("c.txt", "third c"), r.File("a.txt", "third a")});
    EXPECT_TRUE(third.ok()) << third.error();
    return r.rig.recorder->Medium().Tracks().back().start;
}

TEST(RepairTest, CutBurnIsClosedAndTheNextSessionReadsBackInEveryReader) {
    for (const char* profile : {"cd-r", "dvd-r", "dvd+r"}) {
        for (const Cut cut : {Cut::Cancel, Cut::WriteError}) {
            SCOPED_TRACE(std::string(profile) + (cut == Cut::Cancel ? " cancel" : " write error"));
            QTemporaryDir dir;
            BurnRig r(profile, dir);
            const std::uint32_t last = BurnCutBurn(r, cut);
            const auto medium = r.rig.recorder->Medium();
            EXPECT_FALSE(medium.OpenTrack().has_value());
            EXPECT_EQ(medium.ClosedSessions(), 3) << "first, the closed cut one, the new one";
            EXPECT_EQ(medium.DiscStatus(), 1) << "still appendable";

            // The new session, read by xorriso and isoinfo, lists the old and new files.
            const std::string listing = r.List(last);
            for (const char* name : {"a.txt", "b.txt", "c.txt"})
                EXPECT_NE(listing.find(name), std::string::npos) << name << "\n" << listing;
            EXPECT_EQ(listing.find("big.bin"), std::string::npos) << listing;
            EXPECT_EQ(r.Extract("a.txt", last), "third a");
            EXPECT_EQ(r.Extract("b.txt", last), Pattern(9000, 1));
            EXPECT_EQ(r.Extract("c.txt", last), "third c");
            const std::string found = r.IsoinfoFind(last);
            for (const char* path : {"/a.txt", "/b.txt", "/c.txt"})
                EXPECT_NE(found.find(path), std::string::npos) << path << "\n" << found;
            EXPECT_EQ(r.IsoinfoExtract("C.TXT", last), "third c");
            EXPECT_EQ(r.IsoinfoExtract("B.TXT", last), Pattern(9000, 1));

            // The first session still reads as it was written.
            EXPECT_EQ(r.Extract("a.txt", 0), "first a");
            EXPECT_EQ(r.IsoinfoExtract("A.TXT", 0), "first a");
            EXPECT_EQ(r.List(0).find("c.txt"), std::string::npos);

            // And the disc takes yet another session on top.
            ASSERT_TRUE(r.Burn({r.File("d.txt", "d")}).ok());
            const std::uint32_t fourth = r.rig.recorder->Medium().Tracks().back().start;
            EXPECT_EQ(r.Extract("d.txt", fourth), "d");
            EXPECT_EQ(r.Extract("c.txt", fourth), "third c");
        }
    }
}

TEST(RepairTest, DiscWhoseOpenSessionCannotBeClosedIsLeftAsItWas) {
    QTemporaryDir dir;
    BurnRig r("cd-r", dir);
    ASSERT_TRUE(r.Burn({r.File("a.txt", "a")}).ok());
    StopAfter stop(10);
    ASSERT_FALSE(r.Burn({r.File("big.bin", Pattern(4 << 20, 3))}, stop).ok());
    const auto before = r.rig.recorder->Medium().Serialize();
    const std::string image = ReadBytes(r.Image());
    disc::VirtualFaults faults;
    faults.failClose = true;
    r.rig.recorder->SetFaults(faults);
    const auto status = r.Burn({r.File("c.txt", "c")});
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().rfind("THE DISC HOLDS AN UNFINISHED SESSION FROM AN INTERRUPTED "
                                   "WRITE THAT COULD NOT BE CLOSED",
                                   0),
              0u)
        << status.error();
    EXPECT_NE(status.error().find("NOTHING WAS WRITTEN"), std::string::npos);
    EXPECT_EQ(r.rig.recorder->Medium().Serialize(), before);
    EXPECT_EQ(ReadBytes(r.Image()), image);
}

// The close names the track that was written: 1 on a blank disc, the next one after that.
TEST(RepairTest, CloseTrackNamesTheTrackJustWritten) {
    for (const char* profile : {"dvd-r", "dvd+r"}) {
        SCOPED_TRACE(profile);
        QTemporaryDir dir;
        BurnRig r(profile, dir);
        for (const std::uint16_t want : {1, 2, 3}) {
            ASSERT_TRUE(r.Burn({r.File("a.txt", std::to_string(want))}).ok());
            std::vector<std::uint16_t> closed;
            for (const auto& cdb : r.rig.recorder->CommandLog())
                if (cdb[0] == kClose && (cdb[2] & 0x07) == 1)
                    closed.push_back(base::LoadBE<std::uint16_t>(&cdb[4]));
            ASSERT_FALSE(closed.empty());
            EXPECT_EQ(closed.back(), want);
        }
    }
}

} // namespace

} // namespace disc_repair_test
