// The builder's tree, layout and head, read back byte by byte: addresses, descriptors, path
// tables, directory records, dates and the limits of names and sizes.
#include "DiscTestTools.h"

#include "base/Endian.h"
#include "disc/iso/IsoDates.h"
#include "disc/iso/IsoNames.h"

#include <QDir>
#include <QString>

#include <ctime>
#include <map>

#include <fcntl.h>
#include <unistd.h>

using disctest::WriteBytes;

namespace {

struct Record {
    std::uint32_t extent = 0;
    std::uint32_t size = 0;
    std::uint8_t flags = 0;
    std::string name; // raw identifier bytes
    std::size_t length = 0;
};

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = tmp.path().toStdString() + "/" + name;
        WriteBytes(path, bytes);
        return path;
    }
    const std::uint8_t* Sector(std::uint32_t lba) const {
        return b.Header().data() + static_cast<std::size_t>(lba - b.Layout().Start) * 2048;
    }
    // Every record of a directory extent, "." and ".." included.
    std::vector<Record> Records(std::uint32_t extent, std::uint32_t bytes) const {
        std::vector<Record> out;
        for (std::uint32_t s = 0; s < bytes / 2048; ++s) {
            const std::uint8_t* p = Sector(extent + s);
            std::size_t pos = 0;
            while (pos < 2048 && p[pos] != 0) {
                Record r;
                r.length = p[pos];
                r.extent = base::LoadLE<std::uint32_t>(p + pos + 2);
                EXPECT_EQ(r.extent, base::LoadBE<std::uint32_t>(p + pos + 6));
                r.size = base::LoadLE<std::uint32_t>(p + pos + 10);
                EXPECT_EQ(r.size, base::LoadBE<std::uint32_t>(p + pos + 14));
                r.flags = p[pos + 25];
                r.name.assign(reinterpret_cast<const char*>(p + pos + 33), p[pos + 32]);
                EXPECT_EQ(r.length % 2, 0u);
                out.push_back(r);
                pos += r.length;
            }
        }
        return out;
    }
    QTemporaryDir tmp;
    disc::IsoImageBuilder b;
};

std::string Ucs2(const QString& s) {
    std::string out;
    for (QChar c : s) {
        out.push_back(static_cast<char>(c.unicode() >> 8));
        out.push_back(static_cast<char>(c.unicode() & 0xFF));
    }
    return out;
}

} // namespace

TEST_F(LayoutTest, EmptyImageHasRootsAndAPaddedTrack) {
    b.ComputeLayout(0);
    ASSERT_TRUE(b.BuildHeader());
    const auto& l = b.Layout();
    EXPECT_EQ(l.IsoDirs, 23u);
    EXPECT_EQ(l.JolietDirs, 24u);
    EXPECT_EQ(l.FirstFile, 150u);
    EXPECT_EQ(l.VolumeSectors, 150u);
    EXPECT_EQ(b.TrackSectors(), 300);
    b.WritePostGap = false;
    EXPECT_EQ(b.TrackSectors(), 150);
    EXPECT_EQ(b.Header().size(), 150u * 2048);
    const auto root = Records(23, 2048);
    ASSERT_EQ(root.size(), 2u);
    EXPECT_EQ(root[0].extent, 23u);
    EXPECT_EQ(root[1].extent, 23u); // the root's parent is itself
}

TEST_F(LayoutTest, OneFileOnABlankDisc) {
    ASSERT_EQ(b.InsertFile("\\", File("movie.avi", std::string(5000, 'm'))),
              disc::InsertResult::Added);
    b.ComputeLayout(0);
    ASSERT_TRUE(b.BuildHeader());
    const auto& l = b.Layout();
    EXPECT_EQ(l.Primary, 16u);
    EXPECT_EQ(l.Supplementary, 17u);
    EXPECT_EQ(l.Terminator, 18u);
    EXPECT_EQ(l.IsoPathL, 19u);
    EXPECT_EQ(l.IsoPathM, 20u);
    EXPECT_EQ(l.JolietPathL, 21u);
    EXPECT_EQ(l.JolietPathM, 22u);
    EXPECT_EQ(l.IsoDirs, 23u);
    EXPECT_EQ(l.JolietDirs, 24u);
    EXPECT_EQ(l.FirstFile, 150u);
    EXPECT_EQ(l.VolumeSectors, 153u);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(Sector(16) + 80), 153u);
    EXPECT_EQ(base::LoadBE<std::uint32_t>(Sector(16) + 84), 153u);
    EXPECT_EQ(Sector(16)[0], 1);
    EXPECT_EQ(Sector(17)[0], 2);
    EXPECT_EQ(Sector(18)[0], 0xFF);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Sector(18) + 1), 5), "CD001");
    const auto iso = Records(23, 2048);
    ASSERT_EQ(iso.size(), 3u);
    EXPECT_EQ(iso[2].name, "MOVIE.AVI;1");
    EXPECT_EQ(iso[2].extent, 150u);
    EXPECT_EQ(iso[2].size, 5000u);
    const auto joliet = Records(24, 2048);
    ASSERT_EQ(joliet.size(), 3u);
    EXPECT_EQ(joliet[2].name, Ucs2("movie.avi;1"));
    EXPECT_EQ(joliet[2].length, 33u + 22 + 1);
    // The path tables hold the roots' extents, L little-endian and M big-endian.
    EXPECT_EQ(base::LoadLE<std::uint32_t>(Sector(19) + 2), 23u);
    EXPECT_EQ(base::LoadBE<std::uint32_t>(Sector(20) + 2), 23u);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(Sector(21) + 2), 24u);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(Sector(16) + 140), 19u);
    EXPECT_EQ(base::LoadBE<std::uint32_t>(Sector(16) + 148), 20u);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(Sector(17) + 140), 21u);
    // The head copy keeps the descriptors and FFh after them.
    const auto head = b.DescriptorHead();
    EXPECT_EQ(head.size(), 65537u);
    EXPECT_EQ(head[16 * 2048], 1);
    EXPECT_EQ(head[19 * 2048], 0xFF);
}

TEST_F(LayoutTest, LabelUpperCasedInTheIsoDescriptorAndAsItIsInJoliet) {
    b.Ids.Volume = "My Photos";
    b.ComputeLayout(0);
    ASSERT_TRUE(b.BuildHeader());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Sector(16) + 40), 32),
              "MY PHOTOS" + std::string(23, ' '));
    std::string joliet = Ucs2("My Photos");
    for (int i = 0; i < 7; ++i)
        joliet += std::string("\0 ", 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Sector(17) + 40), 32), joliet);
    EXPECT_EQ(Sector(17)[88], 0x25);
    EXPECT_EQ(Sector(16)[88], 0); // escape sequences only in the Joliet descriptor
}

TEST_F(LayoutTest, NamesWithoutExtensionEmptyFilesAndRecordOrder) {
    ASSERT_EQ(b.InsertFile("\\", File("zeta.txt", "z")), disc::InsertResult::Added);
    ASSERT_EQ(b.InsertFile("\\", File("README", "read me")), disc::InsertResult::Added);
    ASSERT_EQ(b.InsertFile("\\", File("empty.dat", "")), disc::InsertResult::Added);
    ASSERT_EQ(b.InsertFile("\\", File("alpha.txt", "a")), disc::InsertResult::Added);
    ASSERT_NE(b.ForceDirectory("\\Album\\2024"), nullptr);
    b.ComputeLayout(0);
    ASSERT_TRUE(b.BuildHeader());
    const auto iso = Records(23, b.Root().IsoBytes);
    std::vector<std::string> names;
    for (std::size_t i = 2; i < iso.size(); ++i)
        names.push_back(iso[i].name);
    EXPECT_EQ(names, (std::vector<std::string>{"ALBUM", "ALPHA.TXT;1", "EMPTY.DAT;1", "README.;1",
                                               "ZETA.TXT;1"}));
    EXPECT_EQ(iso[2].flags, 2);
    EXPECT_EQ(iso[4].extent, 0u); // the empty file: no sector, extent 0
    EXPECT_EQ(iso[4].size, 0u);
    // New files take sectors in the order they were added; the empty one takes none.
    EXPECT_EQ(iso[6].extent, 150u); // zeta
    EXPECT_EQ(iso[5].extent, 151u); // README
    EXPECT_EQ(iso[3].extent, 152u); // alpha
    EXPECT_EQ(b.Layout().VolumeSectors, 153u);
    const auto joliet = Records(b.Root().JolietExtent, b.Root().JolietBytes);
    ASSERT_EQ(joliet.size(), 7u);
    EXPECT_EQ(joliet[2].name, Ucs2("Album"));
    EXPECT_EQ(joliet[3].name, Ucs2("README;1")); // the file's own name, no added dot
    EXPECT_EQ(joliet[3].extent, 151u);
}

TEST_F(LayoutTest, RecordDatesCarryTheTimeZone) {
    const std::int64_t t = 1700000000; // 2023-11-14 22:13:20 UTC
    std::uint8_t d[7];
    setenv("TZ", "Europe/Moscow", 1);
    tzset();
    disc::StoreRecordDate(t, d);
    EXPECT_EQ(d[0], 123);
    EXPECT_EQ(d[1], 11);
    EXPECT_EQ(d[2], 15); // after midnight in Moscow
    EXPECT_EQ(d[3], 1);
    EXPECT_EQ(static_cast<std::int8_t>(d[6]), 12); // +3 h in quarter hours
    EXPECT_EQ(disc::LoadRecordDate(d), t);
    setenv("TZ", "America/St_Johns", 1);
    tzset();
    disc::StoreRecordDate(t, d);
    EXPECT_EQ(static_cast<std::int8_t>(d[6]), -14); // -3:30
    EXPECT_EQ(disc::LoadRecordDate(d), t);
    std::uint8_t v[17];
    disc::StoreDescriptorDate(t, 37, v);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(v), 16), "2023111418432037");
    EXPECT_EQ(static_cast<std::int8_t>(v[16]), -14);
    unsetenv("TZ");
    tzset();
}

TEST_F(LayoutTest, PathTableOfOneSectorAndJustOver) {
    // ISO records are 8 bytes, the name and a pad to an even length: the root takes 10, an
    // 8-character name 16, "AB" 10, "ABCD" 12, "ABCDEF" 14.
    auto build = [](disc::IsoImageBuilder& k, const char* last) {
        for (int i = 0; i < 126; ++i)
            ASSERT_NE(k.ForceDirectory(QStringLiteral("D%1").arg(i, 7, 10, QChar('0'))), nullptr);
        ASSERT_NE(k.ForceDirectory("AB"), nullptr);
        ASSERT_NE(k.ForceDirectory(last), nullptr);
        k.ComputeLayout(0);
        ASSERT_TRUE(k.BuildHeader());
    };
    disc::IsoImageBuilder exact;
    build(exact, "ABCD");
    EXPECT_EQ(exact.Layout().IsoPathBytes, 2048u);
    EXPECT_EQ(exact.Layout().IsoPathSectors, 1u);
    EXPECT_EQ(exact.Layout().IsoPathM, exact.Layout().IsoPathL + 1);
    disc::IsoImageBuilder over;
    build(over, "ABCDEF");
    EXPECT_EQ(over.Layout().IsoPathBytes, 2050u);
    EXPECT_EQ(over.Layout().IsoPathSectors, 2u);
    EXPECT_EQ(over.Layout().IsoPathM, over.Layout().IsoPathL + 2);
    EXPECT_EQ(over.Layout().JolietPathL, over.Layout().IsoPathM + 2);
    // The last record of the L table ("D0000125") ends in its second sector.
    const std::uint8_t* second =
        over.Header().data() + static_cast<std::size_t>(over.Layout().IsoPathL + 1) * 2048;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(second), 2), "25");
}

TEST_F(LayoutTest, PathTablesListLevelByLevelInNameOrder) {
    for (const char* p : {"\\B\\Y", "\\A\\Z", "\\B\\X", "\\C", "\\A\\Z\\deep"})
        ASSERT_NE(b.ForceDirectory(p), nullptr);
    b.ComputeLayout(0);
    ASSERT_TRUE(b.BuildHeader());
    // Walk the L table: (name, parent number, extent) in order.
    const std::uint8_t* t = Sector(b.Layout().IsoPathL);
    std::vector<std::pair<std::string, int>> rows;
    std::map<std::string, std::uint32_t> extents;
    std::size_t pos = 0;
    while (pos < b.Layout().IsoPathBytes) {
        const std::size_t n = t[pos];
        const std::string name(reinterpret_cast<const char*>(t + pos + 8), n);
        rows.emplace_back(name, base::LoadLE<std::uint16_t>(t + pos + 6));
        extents[name] = base::LoadLE<std::uint32_t>(t + pos + 2);
        pos += 8 + n + n % 2;
    }
    const std::vector<std::pair<std::string, int>> want{{std::string(1, '\0'), 1},
                                                        {"A", 1},
                                                        {"B", 1},
                                                        {"C", 1},
                                                        {"Z", 2},
                                                        {"X", 3},
                                                        {"Y", 3},
                                                        {"DEEP", 5}};
    EXPECT_EQ(rows, want);
    // Each extent in the table is the directory's own, as its "." record says.
    for (const auto& d : b.Directories()) {
        const std::string key = d.get() == &b.Root() ? std::string(1, '\0') : d->IsoName;
        EXPECT_EQ(extents[key], d->IsoExtent) << key;
        EXPECT_EQ(Records(d->IsoExtent, d->IsoBytes)[0].extent, d->IsoExtent);
    }
}

TEST_F(LayoutTest, LongNamesAreCutReportedAndKeepTheDirectoryReadable) {
    std::vector<std::string> messages;
    b.OnMessage = [&](const std::string& m, disc::MessageKind) { messages.push_back(m); };
    const std::string name109 = std::string(105, 'p') + ".jpg";
    const std::string name110 = std::string(106, 'q') + ".jpg";
    ASSERT_EQ(b.InsertFile("\\", File(name109, "1")), disc::InsertResult::Added);
    ASSERT_EQ(b.InsertFile("\\", File(name110, "2")), disc::InsertResult::Added);
    ASSERT_EQ(b.InsertFile("\\", File("after.txt", "3")), disc::InsertResult::Added);
    ASSERT_EQ(b.Renames().size(), 2u);
    EXPECT_EQ(b.Renames()[1].From, QString::fromStdString(name110));
    EXPECT_EQ(b.Renames()[1].To.size(), 64);
    EXPECT_TRUE(b.Renames()[1].To.endsWith(".jpg"));
    ASSERT_EQ(messages.size(), 2u);
    b.ComputeLayout(0);
    ASSERT_TRUE(b.BuildHeader());
    const auto joliet = Records(b.Root().JolietExtent, b.Root().JolietBytes);
    ASSERT_EQ(joliet.size(), 5u); // nothing after a long name is lost
    EXPECT_EQ(joliet[2].name, Ucs2("after.txt;1"));
    for (const auto& r : joliet)
        EXPECT_LT(r.length, 256u);
    // With the longer limit a 103-character name stays whole, a 109-character one is cut.
    disc::IsoImageBuilder wide;
    wide.JolietNameUnits = disc::kJolietLongNameUnits;
    const std::string name103 = std::string(99, 'w') + ".jpg";
    ASSERT_EQ(wide.InsertFile("\\", File(name103, "4")), disc::InsertResult::Added);
    ASSERT_EQ(wide.InsertFile("\\", File(name109, "1")), disc::InsertResult::Added);
    ASSERT_EQ(wide.Renames().size(), 1u);
    EXPECT_EQ(wide.Renames()[0].To.size(), 103);
    wide.ComputeLayout(0);
    ASSERT_TRUE(wide.BuildHeader());
    const std::uint8_t* dir =
        wide.Header().data() + static_cast<std::size_t>(wide.Root().JolietExtent) * 2048;
    EXPECT_EQ(dir[68], 33 + 2 * 105 + 1); // the largest Joliet record there is: 244 bytes
}

TEST_F(LayoutTest, DuplicatesAreRefusedOrReplacedInPlace) {
    const std::string first = File("same.txt", "old");
    ASSERT_TRUE(QDir().mkpath(tmp.path() + "/other"));
    const std::string second = tmp.path().toStdString() + "/other/SAME.TXT";
    WriteBytes(second, "newer and longer");
    ASSERT_EQ(b.InsertFile("\\", first), disc::InsertResult::Added);
    EXPECT_EQ(b.InsertFile("\\", second), disc::InsertResult::Refused);
    ASSERT_EQ(b.FileCount(), 1u);
    EXPECT_EQ(b.Files()[0]->SourcePath, first);
    EXPECT_EQ(b.AddedBytes(), 2048u);
    b.ReplaceFile = true;
    EXPECT_EQ(b.InsertFile("\\", second), disc::InsertResult::Added);
    ASSERT_EQ(b.FileCount(), 1u);
    EXPECT_EQ(b.Files()[0]->SourcePath, second);
    EXPECT_EQ(b.Files()[0]->Size, 16u);
    EXPECT_EQ(b.AddedBytes(), 2048u);
    EXPECT_EQ(b.InsertFile("\\nowhere", first), disc::InsertResult::BadDestination);
    EXPECT_EQ(b.InsertFile("\\", first + ".missing"), disc::InsertResult::SourceMissing);
}

TEST_F(LayoutTest, LimitsAndHugeFilesAreRefusedWithAMessage) {
    std::vector<std::string> messages;
    b.OnMessage = [&](const std::string& m, disc::MessageKind) { messages.push_back(m); };
    b.Clear(3, 1);
    ASSERT_NE(b.ForceDirectory("one"), nullptr);
    EXPECT_EQ(b.ForceDirectory("two"), nullptr);
    EXPECT_EQ(messages.back(), ">>> MAXIMUM DIRECTORIES CAN BE 1");
    ASSERT_EQ(b.InsertFile("\\", File("a", "a")), disc::InsertResult::Added);
    ASSERT_EQ(b.InsertFile("\\", File("b", "b")), disc::InsertResult::Added);
    EXPECT_EQ(b.InsertFile("\\", File("c", "c")), disc::InsertResult::Refused);
    EXPECT_EQ(messages.back(), "MAXIMUM FILES CAN BE 3");
    // A sparse file of 4 GiB: refused before anything reads it.
    const std::string huge = tmp.path().toStdString() + "/huge.bin";
    const int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 4LL << 30), 0);
    ::close(fd);
    b.Clear();
    EXPECT_EQ(b.InsertFile("\\", huge), disc::InsertResult::Refused);
    EXPECT_NE(messages.back().find("4 GB"), std::string::npos);
    EXPECT_EQ(b.FileCount(), 0u);
}

TEST_F(LayoutTest, ChangesAfterTheLayoutNeedANewLayout) {
    b.ComputeLayout(0);
    ASSERT_TRUE(b.BuildHeader());
    EXPECT_TRUE(b.Prepared());
    ASSERT_EQ(b.InsertFile("\\", File("late.txt", "x")), disc::InsertResult::Added);
    EXPECT_FALSE(b.Prepared());
    EXPECT_FALSE(b.BuildHeader());
}
