// Writing sessions to virtual recorders of every kind through the write job, read back with the
// real ISO readers: several sessions on a CD-R, a DVD+RW grown in place, a DVD-RW formatted on
// the way, a DVD-R with its reserved track, and the failures a write can meet.
#include "BurnTestTools.h"

#include "base/Endian.h"
#include "disc/mmc/MediaDetection.h"

namespace disc_write_test {

using namespace disctest;

namespace {

constexpr std::uint8_t kWrite10 = 0x2A;
constexpr std::uint8_t kClose = 0x5B;
constexpr std::uint8_t kReserve = 0x53;
constexpr std::uint8_t kFormat = 0x04;

class WriteTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QTemporaryDir tmp;
};

TEST_F(WriteTest, SmallFileOnBlankCdRGivesA300SectorTrackThatReadsBack) {
    BurnRig r("cd-r", tmp);
    const std::string bytes = Pattern(1024, 1);
    const auto status = r.Burn({r.File("photo.txt", bytes)});
    ASSERT_TRUE(status.ok()) << status.error();
    const auto medium = r.rig.recorder->Medium();
    ASSERT_EQ(medium.Tracks().size(), 1u);
    EXPECT_EQ(medium.Tracks()[0].written, 300u);
    EXPECT_EQ(medium.ClosedSessions(), 1);
    EXPECT_EQ(medium.DiscStatus(), 1) << "the disc stays appendable";
    EXPECT_EQ(r.Extract("photo.txt", 0), bytes);
    EXPECT_EQ(r.status.bytesWritten.load(), 300 * 2048);
    EXPECT_NE(std::find_if(r.messages.begin(), r.messages.end(),
                           [](const std::string& m) {
                               return m.rfind(">>> STARTING WRITE PROCESS ON CD-R AT ", 0) == 0;
                           }),
              r.messages.end());
}

TEST_F(WriteTest, CdRSessionsListEveryFileAndTheNewestVersionWins) {
    BurnRig r("cd-r", tmp);
    ASSERT_TRUE(r.Burn({r.File("a.txt", "first a"), r.File("b.txt", Pattern(5000, 2))}).ok());
    const auto second = r.Burn({r.File("a.txt", "second a"), r.File("c.txt", "c")});
    ASSERT_TRUE(second.ok()) << second.error();
    const auto third = r.Burn({r.File("b.txt", "third b")});
    ASSERT_TRUE(third.ok()) << third.error();

    const auto medium = r.rig.recorder->Medium();
    ASSERT_EQ(medium.ClosedSessions(), 3);
    const std::uint32_t last = medium.Tracks().back().start;
    const std::string listing = r.List(last);
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        EXPECT_NE(listing.find(name), std::string::npos) << name << "\n" << listing;
    EXPECT_EQ(r.Extract("a.txt", last), "second a");
    EXPECT_EQ(r.Extract("b.txt", last), "third b");
    EXPECT_EQ(r.Extract("c.txt", last), "c");
    // The first session still reads as it was.
    EXPECT_EQ(r.Extract("a.txt", 0), "first a");
}

TEST_F(WriteTest, DvdPlusRwGrowsInPlaceAndKeepsTheFirstSessionsSectors) {
    BurnRig r("dvd+rw", tmp);
    const std::string big = Pattern(70000, 3);
    ASSERT_TRUE(r.Burn({r.File("one.bin", big)}).ok());
    EXPECT_TRUE(r.Received(kFormat)) << "a blank DVD+RW is formatted first";
    const std::string before = ReadBytes(r.Image()).substr(19 * 2048, 13 * 2048);

    const auto second = r.Burn({r.File("two.bin", Pattern(3000, 4))});
    ASSERT_TRUE(second.ok()) << second.error();
    const auto third = r.Burn({r.File("one.bin", "replaced")});
    ASSERT_TRUE(third.ok()) << third.error();

    EXPECT_EQ(ReadBytes(r.Image()).substr(19 * 2048, 13 * 2048), before)
        << "sectors 19-31 of the first session are written back unchanged";
    EXPECT_EQ(r.Extract("two.bin", 0), Pattern(3000, 4));
    EXPECT_EQ(r.Extract("one.bin", 0), "replaced");
    EXPECT_EQ(disc::GetMediaType(*r.rig.device), disc::media_type::kDvdPlusRw);
}

TEST_F(WriteTest, CancelledGrowingWriteLeavesTheFirstSessionIntact) {
    BurnRig r("dvd+rw", tmp);
    ASSERT_TRUE(r.Burn({r.File("keep.bin", Pattern(40000, 5))}).ok());
    const std::string before = ReadBytes(r.Image()).substr(0, 32 * 2048);

    StopAfter stop(2);
    const auto status = r.Burn({r.File("big.bin", Pattern(3 << 20, 6))}, stop);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error(), "OPERATION ABORTED BY USER");
    EXPECT_EQ(ReadBytes(r.Image()).substr(0, 32 * 2048), before);
    EXPECT_EQ(r.Extract("keep.bin", 0), Pattern(40000, 5));
    EXPECT_EQ(r.List(0).find("big.bin"), std::string::npos);
}

TEST_F(WriteTest, CancelDuringACdWriteEndsWithoutAClose) {
    BurnRig r("cd-r", tmp);
    StopAfter stop(3);
    const auto status = r.Burn({r.File("big.bin", Pattern(4 << 20, 7))}, stop);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error(), "OPERATION ABORTED BY USER");
    EXPECT_TRUE(r.Received(kWrite10));
    EXPECT_FALSE(r.Received(kClose));
    EXPECT_LT(r.status.bytesWritten.load(), 4 << 20);
}

TEST_F(WriteTest, BlankDvdRwIsQuickFormattedThenWritten) {
    BurnRig r("dvd-rw", tmp);
    const auto status = r.Burn({r.File("clip.avi", Pattern(100000, 8))});
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_TRUE(r.Received(kFormat));
    EXPECT_EQ(disc::GetMediaType(*r.rig.device), disc::media_type::kDvdRwRestricted);
    EXPECT_EQ(r.Extract("clip.avi", 0), Pattern(100000, 8));
    // Formatted now: the next write grows the session instead of formatting again.
    r.messages.clear();
    ASSERT_TRUE(r.Burn({r.File("more.txt", "more")}).ok());
    EXPECT_EQ(std::count(r.messages.begin(), r.messages.end(), ">>> FORMATTING THE DISC"), 0);
    EXPECT_EQ(r.Extract("clip.avi", 0), Pattern(100000, 8));
    EXPECT_EQ(r.Extract("more.txt", 0), "more");
}

TEST_F(WriteTest, DvdRWritesIntoAReservedTrackInWhole32SectorWrites) {
    BurnRig r("dvd-r", tmp);
    const auto status = r.Burn({r.File("a.bin", Pattern(100 * 2048 + 5, 9))});
    ASSERT_TRUE(status.ok()) << status.error();
    std::uint32_t reserved = 0;
    for (const auto& cdb : r.rig.recorder->CommandLog()) {
        if (cdb[0] == kReserve)
            reserved = base::LoadBE<std::uint32_t>(&cdb[5]);
        if (cdb[0] == kWrite10) {
            EXPECT_EQ(base::LoadBE<std::uint16_t>(&cdb[7]), 32) << "every DVD write is 32";
        }
    }
    EXPECT_GT(reserved, 0u);
    EXPECT_EQ(reserved % 32, 0u);
    EXPECT_EQ(r.Extract("a.bin", 0), Pattern(100 * 2048 + 5, 9));
    const auto second = r.Burn({r.File("b.bin", "b")});
    ASSERT_TRUE(second.ok()) << second.error();
    const std::uint32_t last = r.rig.recorder->Medium().Tracks().back().start;
    EXPECT_EQ(r.Extract("b.bin", last), "b");
    EXPECT_EQ(r.Extract("a.bin", last), Pattern(100 * 2048 + 5, 9));
}

TEST_F(WriteTest, MissingSourceFailsBeforeAnythingIsWritten) {
    BurnRig r("cd-r", tmp);
    const std::string path = r.File("gone.txt", "soon gone");
    disc::IsoImageBuilder builder;
    ASSERT_EQ(builder.InsertFile("\\", path), disc::InsertResult::Added);
    std::remove(path.c_str());
    base::NoProgress progress;
    const auto status = disc::WriteDisc(*r.rig.device, builder, {}, progress, r.status);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error(),
              "CAN'T OPEN FILE \"" + path + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_FALSE(r.Received(kWrite10));
    EXPECT_EQ(r.rig.recorder->Medium().DiscStatus(), 0);
}

TEST_F(WriteTest, BusyDriveIsWaitedForAndMediumErrorsFailWithTheSenseText) {
    {
        BurnRig r("cd-r", tmp);
        disc::VirtualFaults faults;
        faults.busyCommands = 3;
        r.rig.recorder->SetFaults(faults);
        const auto status = r.Burn({r.File("a.txt", "busy")});
        EXPECT_TRUE(status.ok()) << status.error();
    }
    QTemporaryDir other;
    BurnRig r("cd-r", other);
    disc::VirtualFaults faults;
    faults.mediumErrorAt = 40;
    r.rig.recorder->SetFaults(faults);
    const auto status = r.Burn({r.File("a.txt", Pattern(200000, 10))});
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().rfind("WRITER ERROR [", 0), 0u) << status.error();
    EXPECT_FALSE(r.Received(kClose));
}

TEST_F(WriteTest, FailedFlushOrCloseIsAFailedWrite) {
    for (const bool failSync : {true, false}) {
        QTemporaryDir dir;
        BurnRig r("cd-r", dir);
        disc::VirtualFaults faults;
        faults.failSynchronizeCache = failSync;
        faults.failClose = !failSync;
        r.rig.recorder->SetFaults(faults);
        const auto status = r.Burn({r.File("a.txt", "x")});
        ASSERT_FALSE(status.ok()) << (failSync ? "sync" : "close");
        EXPECT_NE(status.error().find('['), std::string::npos) << status.error();
    }
}

TEST_F(WriteTest, ClosedDiscAndNoRoomAreRefusedUntouched) {
    BurnRig r("cd-r", tmp);
    disc::WriteOptions finalize;
    finalize.finalizeDisc = true;
    base::NoProgress progress;
    ASSERT_TRUE(r.Burn({r.File("a.txt", "a")}, progress, finalize).ok());
    const std::string before = ReadBytes(r.Image());
    const auto status = r.Burn({r.File("b.txt", "b")});
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error(), "THE DISC IS CLOSED: NO SESSION CAN BE ADDED");
    EXPECT_EQ(ReadBytes(r.Image()), before);
}

TEST_F(WriteTest, ImageFileModeWritesAReadableImageOrSaysWhyNot) {
    BurnRig r("cd-r", tmp);
    const std::string image = r.folder + "/out.iso";
    disc::WriteOptions options;
    options.imageFile = image;
    base::NoProgress progress;
    const auto status = r.Burn({r.File("x.txt", Pattern(3000, 11))}, progress, options);
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_FALSE(r.Received(kWrite10)) << "no drive command in image mode";
    const std::string listing = Shell("isoinfo -J -l -i " + Quote(image));
    EXPECT_NE(listing.find("x.txt"), std::string::npos) << listing;

    const std::string source = r.File("z.txt", "z");
    options.imageFile = source;
    const auto self = r.Burn({source}, progress, options);
    ASSERT_FALSE(self.ok());
    EXPECT_EQ(self.error(),
              "CAN'T CREATE FILE \"" + source + "\": IT IS ONE OF THE FILES TO WRITE");
    EXPECT_EQ(ReadBytes(source), "z") << "a source is never overwritten by the image";

    options.imageFile = r.folder + "/no/such/folder/out.iso";
    const auto refused = r.Burn({r.File("y.txt", "y")}, progress, options);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "CAN'T CREATE FILE \"" + options.imageFile + "\"");
}

TEST_F(WriteTest, AFolderOnItsOwnIsContent) {
    BurnRig r("cd-r", tmp);
    disc::IsoImageBuilder builder;
    ASSERT_NE(builder.ForceDirectory("\\Holiday"), nullptr);
    base::NoProgress progress;
    const auto status = disc::WriteDisc(*r.rig.device, builder, {}, progress, r.status);
    ASSERT_TRUE(status.ok()) << status.error();
    EXPECT_NE(r.List(0).find("Holiday"), std::string::npos);
    // Nothing new at all is still refused, and leaves the disc as it was.
    disc::IsoImageBuilder empty;
    const auto refused = disc::WriteDisc(*r.rig.device, empty, {}, progress, r.status);
    EXPECT_EQ(refused.error(), "NO FILES TO WRITE");
    EXPECT_EQ(r.rig.recorder->Medium().ClosedSessions(), 1);
}

TEST_F(WriteTest, FreeSpaceIsWhatTheDiscStillTakes) {
    for (const char* profile : {"dvd-r", "dvd+r", "dvd+rw", "dvd-rw"}) {
        SCOPED_TRACE(profile);
        QTemporaryDir dir;
        BurnRig r(profile, dir);
        ASSERT_TRUE(r.Burn({r.File("a.bin", Pattern(3 << 20, 1))}).ok());
        const auto medium = r.rig.recorder->Medium();
        const disc::DiscState state = disc::ReadDiscState(*r.rig.device);
        std::uint32_t used = 0;
        if (medium.Sequential())
            used = medium.NextWritable();
        else
            used = (base::LoadLE<std::uint32_t>(
                        reinterpret_cast<const std::uint8_t*>(ReadBytes(r.Image()).data()) +
                        16 * 2048 + 80) +
                    15) /
                   16 * 16;
        EXPECT_GT(used, 1536u) << "3 MiB are on the disc";
        EXPECT_EQ(state.freeBlocks, medium.Capacity() - used);
    }
}

TEST_F(WriteTest, WriteToOneRecorderLeavesTheOtherUntouched) {
    const std::string a = tmp.path().toStdString() + "/a.img";
    const std::string b = tmp.path().toStdString() + "/b.img";
    auto transport = disc::VirtualTransport::FromSpec("cd-r=" + a + ";cd-r=" + b);
    ASSERT_TRUE(transport.ok()) << transport.error();
    auto second = (*transport)->Recorder(1);
    disc::ScsiDevice device(std::move(*transport), std::make_shared<FakeClock>());
    ASSERT_TRUE(device.OpenTransport().ok());
    ASSERT_TRUE(device.SelectDevice(device.DeviceList().at(0)));
    const std::string file = tmp.path().toStdString() + "/f.txt";
    WriteBytes(file, "only on a");
    disc::IsoImageBuilder builder;
    ASSERT_EQ(builder.InsertFile("\\", file), disc::InsertResult::Added);
    disc::DiscJobStatus status;
    base::NoProgress progress;
    ASSERT_TRUE(disc::WriteDisc(device, builder, {}, progress, status).ok());
    EXPECT_EQ(second->Medium().DiscStatus(), 0);
    EXPECT_TRUE(second->CommandLog().empty() ||
                std::none_of(second->CommandLog().begin(), second->CommandLog().end(),
                             [](const auto& cdb) { return cdb[0] == kWrite10; }));
}

} // namespace

namespace {

// The opcodes of a recorder's log, in order.
std::vector<std::uint8_t> Opcodes(const disc::VirtualRecorder& recorder) {
    std::vector<std::uint8_t> ops;
    for (const auto& cdb : recorder.CommandLog())
        ops.push_back(cdb[0]);
    return ops;
}

bool Holds(const std::vector<std::uint8_t>& ops, const std::vector<std::uint8_t>& run) {
    return std::search(ops.begin(), ops.end(), run.begin(), run.end()) != ops.end();
}

} // namespace

TEST_F(WriteTest, WritesAndErasesLeaveTheDriveRezeroedLoadedAndUnlocked) {
    // REZERO, allow removal, load, REZERO, TEST UNIT READY.
    const std::vector<std::uint8_t> reset{0x01, 0x1E, 0x1B, 0x01, 0x00};
    for (const char* media : {"cd-r", "dvd+rw"}) {
        QTemporaryDir dir;
        BurnRig r(media, dir);
        ASSERT_TRUE(r.Burn({r.File("a.txt", "a")}).ok()) << media;
        const auto ops = Opcodes(*r.rig.recorder);
        EXPECT_TRUE(Holds(ops, reset)) << media; // then the read-back of the new session
        // Before the data, only a CD is rezeroed; a DVD+RW goes straight on.
        const auto firstWrite = std::find(ops.begin(), ops.end(), kWrite10);
        ASSERT_NE(firstWrite, ops.end());
        const bool rezeroedFirst = std::find(ops.begin(), firstWrite, 0x01) != firstWrite;
        EXPECT_EQ(rezeroedFirst, std::string(media) == "cd-r") << media;
    }
    QTemporaryDir dir;
    BurnRig r("cd-rw", dir);
    ASSERT_TRUE(r.Burn({r.File("a.txt", "a")}).ok());
    ASSERT_TRUE(r.Erase(true).ok());
    const auto ops = Opcodes(*r.rig.recorder);
    EXPECT_TRUE(ops.size() >= reset.size() &&
                std::equal(reset.begin(), reset.end(), ops.end() - reset.size()));
}

} // namespace disc_write_test
