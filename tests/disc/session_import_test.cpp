// Sessions taken over from earlier ones: two- and three-session images built the way a
// recorder would get them, read back by the importer and by real readers, and hostile discs
// that must be refused without a loop, a crash or a half-imported tree.
#include "DiscTestTools.h"

#include "base/Endian.h"
#include "disc/iso/IsoNames.h"

#include <QDir>

namespace session_import_test {

using namespace disctest;

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    std::string P(const std::string& name) const { return tmp.path().toStdString() + "/" + name; }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string path = P(name);
        QDir().mkpath(QString::fromStdString(path).section('/', 0, -2));
        WriteBytes(path, bytes);
        return path;
    }
    // Builds the next session of `image` from `files` (added before the import, so they win)
    // and appends it; returns its start sector.
    std::uint32_t NextSession(const std::string& image,
                              const std::vector<std::pair<std::string, std::string>>& files,
                              std::uint32_t previousStart, bool first) {
        disc::IsoImageBuilder b;
        b.WritePostGap = false;
        for (const auto& [dest, source] : files) {
            EXPECT_NE(b.ForceDirectory(QString::fromStdString(dest)), nullptr);
            EXPECT_EQ(b.InsertFile(QString::fromStdString(dest), source),
                      disc::InsertResult::Added);
        }
        const std::uint32_t start =
            first ? 0 : static_cast<std::uint32_t>(ReadBytes(image).size() / 2048);
        if (!first) {
            auto src = disc::ImageFileSectorSource::Open(image, previousStart);
            EXPECT_TRUE(src.ok());
            auto imported = disc::ImportSession(b, **src);
            EXPECT_TRUE(imported.ok()) << imported.error();
        }
        const std::string session = P("session.bin");
        auto written = WriteSession(b, start, session);
        EXPECT_TRUE(written.ok()) << written.error();
        if (first) {
            WriteBytes(image, ReadBytes(session));
            return 0;
        }
        EXPECT_EQ(AppendSession(image, session), start);
        return start;
    }
    QTemporaryDir tmp;
};

std::vector<std::string> Names(const disc::ImportedTree& tree) {
    std::vector<std::string> out;
    for (const auto& e : tree.Entries) {
        std::string path = e.Name.toStdString();
        for (int p = e.Parent; p >= 0; p = tree.Entries[static_cast<std::size_t>(p)].Parent)
            path = tree.Entries[static_cast<std::size_t>(p)].Name.toStdString() + "/" + path;
        out.push_back(path);
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST_F(SessionTest, SecondSessionListsTheFilesOfBoth) {
    const std::string image = P("disc.iso");
    const std::string one = Pattern(70000, 1);
    const std::string two = Pattern(3000, 2);
    NextSession(image,
                {{"\\", File("s1/first.avi", one)}, {"\\Album", File("s1/photo.jpg", "jpg")}}, 0,
                true);
    const std::uint32_t s2 = NextSession(image, {{"\\", File("s2/second.qvs", two)}}, 0, false);
    EXPECT_GT(s2, 150u);

    auto src = disc::ImageFileSectorSource::Open(image, s2);
    ASSERT_TRUE(src.ok());
    auto tree = disc::ReadSessionTree(**src, {}, {});
    ASSERT_TRUE(tree.ok()) << tree.error();
    EXPECT_TRUE(tree->Joliet);
    EXPECT_EQ(Names(*tree),
              (std::vector<std::string>{"Album", "Album/photo.jpg", "first.avi", "second.qvs"}));
    // A real reader, told where the newest session starts, sees both and reads the old bytes
    // from their old place.
    const std::string listing = Shell("xorriso -indev " + Quote(image) + " -load sbsector " +
                                      std::to_string(s2) + " -find /");
    EXPECT_NE(listing.find("'/first.avi'"), std::string::npos) << listing;
    EXPECT_NE(listing.find("'/second.qvs'"), std::string::npos) << listing;
    EXPECT_NE(listing.find("'/Album/photo.jpg'"), std::string::npos) << listing;
    const std::string out = P("extracted");
    int status = 0;
    Shell("xorriso -osirrox on -indev " + Quote(image) + " -load sbsector " + std::to_string(s2) +
              " -extract / " + Quote(out),
          &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(out + "/first.avi"), one);
    EXPECT_EQ(ReadBytes(out + "/second.qvs"), two);
    EXPECT_EQ(ReadBytes(out + "/Album/photo.jpg"), "jpg");
    // Without Joliet, isoinfo reads the ISO 9660 tree of the same session.
    const std::string iso = Shell("isoinfo -l -i " + Quote(image) + " -T " + std::to_string(s2));
    EXPECT_NE(iso.find("FIRST.AVI;1"), std::string::npos) << iso;
    EXPECT_NE(iso.find("SECOND.QVS;1"), std::string::npos) << iso;
}

TEST_F(SessionTest, ThirdSessionShowsTheNewestVersionOfAFile) {
    const std::string image = P("disc.iso");
    NextSession(image, {{"\\", File("v1/same.txt", "version 1")}, {"\\", File("v1/keep.txt", "k")}},
                0, true);
    const std::uint32_t s2 =
        NextSession(image, {{"\\", File("v2/same.txt", "version 2!")}}, 0, false);
    const std::uint32_t s3 = NextSession(image, {{"\\", File("v3/new.txt", "n")}}, s2, false);
    const std::string out = P("x3");
    int status = 0;
    Shell("xorriso -osirrox on -indev " + Quote(image) + " -load sbsector " + std::to_string(s3) +
              " -extract / " + Quote(out),
          &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ReadBytes(out + "/same.txt"), "version 2!");
    EXPECT_EQ(ReadBytes(out + "/keep.txt"), "k");
    EXPECT_EQ(ReadBytes(out + "/new.txt"), "n");
}

TEST_F(SessionTest, IsoOnlySessionImportsTheShortNames) {
    disc::IsoImageBuilder b;
    b.JolietFileSystem = false;
    b.WritePostGap = false;
    ASSERT_EQ(b.InsertFile("\\", File("README", "r")), disc::InsertResult::Added);
    ASSERT_NE(b.ForceDirectory("\\docs"), nullptr);
    ASSERT_TRUE(WriteSession(b, 0, P("iso.iso")).ok());
    auto src = disc::ImageFileSectorSource::Open(P("iso.iso"), 0);
    ASSERT_TRUE(src.ok());
    auto tree = disc::ReadSessionTree(**src, {}, {});
    ASSERT_TRUE(tree.ok()) << tree.error();
    EXPECT_FALSE(tree->Joliet);
    EXPECT_EQ(Names(*tree), (std::vector<std::string>{"DOCS", "README"}));
}

// ---- hostile discs ---------------------------------------------------------------------------

namespace {

struct Disc {
    std::vector<std::uint8_t> bytes;
    disc::IsoImageBuilder builder;
    std::uint8_t* At(std::uint32_t lba, std::size_t offset = 0) {
        return bytes.data() + static_cast<std::size_t>(lba) * 2048 + offset;
    }
};

// A one-session image in memory: its head and enough zero sectors for its files.
void Build(Disc& d, const std::function<void(disc::IsoImageBuilder&)>& fill) {
    d.builder.WritePostGap = false;
    fill(d.builder);
    d.builder.ComputeLayout(0);
    ASSERT_TRUE(d.builder.BuildHeader());
    d.bytes = d.builder.Header();
    d.bytes.resize(static_cast<std::size_t>(d.builder.Layout().VolumeSectors) * 2048, 0);
}

// The first record after "." and ".." in a directory's Joliet extent.
std::uint8_t* FirstChildRecord(Disc& d, const disc::DirEntry& dir) {
    return d.At(dir.JolietExtent, 68);
}

base::Status Import(Disc& d, disc::IsoImageBuilder& into, std::vector<std::string>* said = nullptr,
                    disc::ImportLimits limits = {}) {
    disc::MemorySectorSource src(d.bytes, 0);
    into.OnMessage = [said](const std::string& m, disc::MessageKind) {
        if (said != nullptr)
            said->push_back(m);
    };
    return disc::ImportSession(into, src, nullptr, limits);
}

} // namespace

TEST_F(SessionTest, DirectoriesThatLoopAreRefused) {
    Disc d;
    Build(d, [&](disc::IsoImageBuilder& b) {
        b.ForceDirectory("\\a\\b");
        b.InsertFile("\\a", File("f.txt", "f"));
    });
    const disc::DirEntry& a = *d.builder.FindDirectory("\\a");
    // "b" inside "a" (sorted first) points at the root: an ancestor.
    std::uint8_t* rec = FirstChildRecord(d, a);
    ASSERT_EQ(rec[32], 2); // "b" in UCS-2
    base::StoreLE<std::uint32_t>(rec + 2, d.builder.Root().JolietExtent);
    disc::IsoImageBuilder into;
    auto status = Import(d, into);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("POINTS AT ITSELF"), std::string::npos) << status.error();
    EXPECT_EQ(into.FileCount(), 0u); // nothing half-imported
    disc::IsoImageBuilder again;
    // "c" inside "b" pointing at "b" itself, then at "a" two levels up.
    Disc e;
    Build(e, [&](disc::IsoImageBuilder& b) { b.ForceDirectory("\\a\\b\\c"); });
    const disc::DirEntry& b2 = *e.builder.FindDirectory("\\a\\b");
    const disc::DirEntry& a2 = *e.builder.FindDirectory("\\a");
    base::StoreLE<std::uint32_t>(e.At(b2.JolietExtent, 68 + 2), b2.JolietExtent);
    auto self = Import(e, again);
    ASSERT_FALSE(self.ok());
    EXPECT_NE(self.error().find("POINTS AT ITSELF"), std::string::npos);
    base::StoreLE<std::uint32_t>(e.At(b2.JolietExtent, 68 + 2), a2.JolietExtent);
    auto loop = Import(e, again);
    ASSERT_FALSE(loop.ok());
    EXPECT_NE(loop.error().find("POINTS AT ITSELF"), std::string::npos);
    EXPECT_EQ(again.FileCount(), 0u);
}

TEST_F(SessionTest, ExtentsBeyondTheDiscAndOverrunningRecordsAreRefused) {
    std::vector<std::pair<std::string, std::string>> files;
    Disc d;
    Build(d, [&](disc::IsoImageBuilder& b) {
        for (int i = 0; i < 40; ++i)
            b.InsertFile("\\", File("file number " + std::to_string(100 + i) + ".txt", "x"));
    });
    const std::uint32_t root = d.builder.Root().JolietExtent;
    {
        Disc far;
        far.bytes = d.bytes;
        base::StoreLE<std::uint32_t>(far.At(root, 68 + 2), 0x00FFFFFF);
        disc::IsoImageBuilder into;
        auto s = Import(far, into);
        ASSERT_FALSE(s.ok());
        EXPECT_NE(s.error().find("BEYOND THE END OF THE DISC"), std::string::npos) << s.error();
        EXPECT_EQ(into.FileCount(), 0u);
    }
    {
        Disc over;
        over.bytes = d.bytes;
        // The last record of the root's first sector claims bytes of the next sector.
        std::size_t pos = 0;
        std::size_t last = 0;
        while (pos < 2048 && *over.At(root, pos) != 0) {
            last = pos;
            pos += *over.At(root, pos);
        }
        ASSERT_GT(last, 2048u - 200);
        *over.At(root, last) = static_cast<std::uint8_t>(2048 - last + 2);
        disc::IsoImageBuilder into;
        auto s = Import(over, into);
        ASSERT_FALSE(s.ok());
        EXPECT_NE(s.error().find("OVERRUNS"), std::string::npos) << s.error();
        EXPECT_EQ(into.FileCount(), 0u);
    }
    {
        Disc huge; // a root directory larger than the disc
        huge.bytes = d.bytes;
        base::StoreLE<std::uint32_t>(huge.At(17, 156 + 10), 0x7FFFF800);
        disc::IsoImageBuilder into;
        EXPECT_FALSE(Import(huge, into).ok());
    }
    {
        Disc blank;
        blank.bytes.assign(40 * 2048, 0);
        disc::IsoImageBuilder into;
        auto s = Import(blank, into);
        ASSERT_FALSE(s.ok());
        EXPECT_NE(s.error().find("ISO IMAGE NOT FOUND"), std::string::npos);
    }
}

TEST_F(SessionTest, OverlongNamesAreReportedAndLeftOut) {
    Disc d;
    Build(d, [&](disc::IsoImageBuilder& b) {
        b.JolietNameUnits = disc::kJolietLongNameUnits;
        b.ForceDirectory("\\d");
        b.InsertFile("\\d", File(std::string(99, 'n') + ".jpg", "1"));
        b.InsertFile("\\", File("ok.txt", "2"));
    });
    const disc::DirEntry& dir = *d.builder.FindDirectory("\\d");
    std::uint8_t* rec = FirstChildRecord(d, dir);
    ASSERT_EQ(rec[0], 33 + 210 + 1);
    rec[0] = 33 + 216 + 1; // 216 name bytes: over the 214 a name may have
    rec[32] = 216;
    std::vector<std::string> said;
    disc::IsoImageBuilder into;
    ASSERT_TRUE(Import(d, into, &said).ok());
    EXPECT_EQ(into.FileCount(), 2u); // "d" and "ok.txt"
    bool reported = false;
    for (const auto& m : said)
        reported |=
            m.rfind("ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS\n\r", 0) == 0;
    EXPECT_TRUE(reported);
}

TEST_F(SessionTest, DepthAndEntryLimitsHold) {
    Disc d;
    Build(d, [&](disc::IsoImageBuilder& b) { b.ForceDirectory("\\1\\2\\3\\4\\5"); });
    disc::IsoImageBuilder into;
    disc::ImportLimits shallow;
    shallow.MaxDepth = 3;
    EXPECT_FALSE(Import(d, into, nullptr, shallow).ok());
    disc::ImportLimits few;
    few.MaxEntries = 2;
    EXPECT_FALSE(Import(d, into, nullptr, few).ok());
    EXPECT_EQ(into.FileCount(), 0u);
    EXPECT_TRUE(Import(d, into).ok());
    EXPECT_NE(into.FindDirectory("\\1\\2\\3\\4\\5"), nullptr);
}

namespace {

// Counts the sectors read; asks `stop` to cancel once `cancelAfterReads` reads were made.
class CountingSource final : public disc::SectorSource {
public:
    CountingSource(std::vector<std::uint8_t> bytes, base::Progress* stop = nullptr,
                   int cancelAfterReads = 0)
        : inner_(std::move(bytes), 0), stop_(stop), cancelAfter_(cancelAfterReads) {}
    base::Status Read(std::uint32_t lba, std::uint32_t count, std::uint8_t* out) override {
        sectorsRead += count;
        if (stop_ != nullptr && ++reads >= cancelAfter_)
            stop_->RequestCancel();
        return inner_.Read(lba, count, out);
    }
    base::Result<std::uint32_t> LastSessionStart() override { return 0u; }
    std::uint32_t SectorCount() const override { return inner_.SectorCount(); }
    std::uint64_t sectorsRead = 0;
    int reads = 0;

private:
    disc::MemorySectorSource inner_;
    base::Progress* stop_;
    int cancelAfter_;
};

// The Joliet records of a directory's first sector, after "." and "..".
std::vector<std::uint8_t*> ChildRecords(Disc& d, const disc::DirEntry& dir) {
    std::vector<std::uint8_t*> out;
    std::size_t pos = 68;
    while (pos < 2048 && *d.At(dir.JolietExtent, pos) != 0) {
        out.push_back(d.At(dir.JolietExtent, pos));
        pos += *d.At(dir.JolietExtent, pos);
    }
    return out;
}

// The name of a Joliet record as UTF-16 units (";1" included).
std::u16string RecordUnits(const std::uint8_t* rec) {
    std::u16string s;
    for (int i = 0; i + 1 < rec[32]; i += 2)
        s.push_back(static_cast<char16_t>(base::LoadBE<std::uint16_t>(rec + 33 + i)));
    return s;
}

void SetUnit(std::uint8_t* rec, int index, char16_t unit) {
    base::StoreBE<std::uint16_t>(rec + 33 + 2 * index, unit);
}

} // namespace

TEST_F(SessionTest, DirectoriesClaimingOneRegionOverAndOverCostAtMostTheDisc) {
    Disc d;
    Build(d, [&](disc::IsoImageBuilder& b) {
        for (int i = 10; i < 50; ++i)
            b.ForceDirectory(QStringLiteral("\\d%1").arg(i));
    });
    const auto volume = static_cast<std::uint32_t>(d.bytes.size() / 2048);
    d.bytes.resize(static_cast<std::size_t>(volume + 2000) * 2048, 0);
    // Each directory claims 1000 sectors of the same zero region, one sector apart.
    const auto records = ChildRecords(d, d.builder.Root());
    ASSERT_EQ(records.size(), 40u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto extent = static_cast<std::uint32_t>(volume + i);
        base::StoreLE<std::uint32_t>(records[i] + 2, extent);
        base::StoreBE<std::uint32_t>(records[i] + 6, extent);
        base::StoreLE<std::uint32_t>(records[i] + 10, 1000 * 2048);
        base::StoreBE<std::uint32_t>(records[i] + 14, 1000 * 2048);
    }
    CountingSource source(d.bytes);
    disc::IsoImageBuilder into;
    const auto status = disc::ImportSession(into, source);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("THE SESSION'S DIRECTORIES CLAIM MORE THAN THE DISC HOLDS"),
              std::string::npos)
        << status.error();
    EXPECT_LE(source.sectorsRead, source.SectorCount());
    EXPECT_EQ(into.FileCount(), 0u);

    // The same tree with honest directories imports whole.
    Disc honest;
    Build(honest, [&](disc::IsoImageBuilder& b) {
        for (int i = 10; i < 50; ++i)
            b.ForceDirectory(QStringLiteral("\\d%1").arg(i));
    });
    disc::IsoImageBuilder all;
    EXPECT_TRUE(Import(honest, all).ok());
    EXPECT_EQ(all.FileCount(), 40u);
}

TEST_F(SessionTest, CancelIsHonouredBetweenDirectories) {
    Disc d;
    Build(d, [&](disc::IsoImageBuilder& b) { b.ForceDirectory("\\a\\b\\c\\d"); });
    base::NoProgress stop;
    CountingSource source(d.bytes, &stop, 2); // the descriptors, then the root
    disc::ImportLimits limits;
    limits.Stop = &stop;
    disc::IsoImageBuilder into;
    const auto status = disc::ImportSession(into, source, nullptr, limits);
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().find("OPERATION ABORTED BY USER"), std::string::npos)
        << status.error();
    EXPECT_EQ(source.reads, 2) << "no directory is read after the stop request";
    EXPECT_EQ(into.FileCount(), 0u);
}

TEST_F(SessionTest, NamesJolietReadersRefuseAreLeftOutOrRenamedAndTheNextSessionVerifies) {
    Disc d;
    Build(d, [&](disc::IsoImageBuilder& b) {
        b.InsertFile("\\", File("ab.txt", "first"));
        b.InsertFile("\\", File("cd.txt", "second"));
        b.InsertFile("\\", File("pq.txt", "lone half"));
        b.ForceDirectory("\\zz");
        b.InsertFile("\\zz", File("in.txt", "inside"));
    });
    for (std::uint8_t* rec : ChildRecords(d, d.builder.Root())) {
        const std::u16string name = RecordUnits(rec);
        if (name.rfind(u"cd", 0) == 0) { // "AB.txt": differs from "ab.txt" only in case
            SetUnit(rec, 0, u'A');
            SetUnit(rec, 1, u'B');
        } else if (name.rfind(u"pq", 0) == 0) {
            SetUnit(rec, 0, 0xD800); // the first half of a pair, alone
        } else if (name == u"zz") {
            SetUnit(rec, 0, u'.');
            SetUnit(rec, 1, u'.');
        }
    }
    const std::string image = P("names.iso");
    WriteBytes(image, std::string(d.bytes.begin(), d.bytes.end()));

    std::vector<std::string> said;
    disc::IsoImageBuilder next;
    next.WritePostGap = false;
    ASSERT_TRUE(Import(d, next, &said).ok());
    const auto reported = [&](const std::string& part) {
        return std::any_of(said.begin(), said.end(),
                           [&](const std::string& m) { return m.find(part) != std::string::npos; });
    };
    EXPECT_TRUE(reported("NAME \"..\" LEFT OUT")) << said.size();
    EXPECT_TRUE(reported("\"AB.txt\" IS TAKEN OVER AS \"AB~1.txt\""));
    EXPECT_TRUE(reported("IS WRITTEN AS \"_q.txt\""));

    const auto start = static_cast<std::uint32_t>(d.bytes.size() / 2048);
    ASSERT_TRUE(WriteSession(next, start, P("next.bin")).ok());
    ASSERT_EQ(AppendSession(image, P("next.bin")), start);
    int status = -1;
    const std::string found = Shell("xorriso -indev " + Quote(image) + " -load sbsector " +
                                        std::to_string(start) + " -find / -type f",
                                    &status);
    EXPECT_EQ(status, 0) << found;
    EXPECT_NE(found.find("'/ab.txt'"), std::string::npos) << found;
    EXPECT_NE(found.find("'/AB~1.txt'"), std::string::npos) << found;
    EXPECT_NE(found.find("'/_q.txt'"), std::string::npos) << found;
    EXPECT_EQ(found.find("in.txt"), std::string::npos) << found;
    // Each renamed entry still points at its own old extent.
    const auto extentOf = [&](const char* name) {
        const disc::FileEntry* f = next.Root().ByKey.value(disc::NameKey(name), nullptr);
        return f != nullptr ? f->Extent : 0u;
    };
    EXPECT_NE(extentOf("ab.txt"), extentOf("AB~1.txt"));
    EXPECT_NE(extentOf("_q.txt"), 0u);
    // isovfy reads the descriptors at sector 16 only: the new session's copied there, as a
    // disc grown in place holds them, let it check the new tree.
    std::string grown = ReadBytes(image);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::size_t from = (std::size_t{start} + 16 + i) * 2048;
        grown.replace((16 + i) * 2048, 2048, grown, from, 2048);
        if (static_cast<std::uint8_t>(grown[from]) == 255)
            break;
    }
    WriteBytes(P("grown.iso"), grown);
    const std::string checked = Shell("isovfy " + Quote(P("grown.iso")));
    EXPECT_NE(checked.find("No errors found"), std::string::npos) << checked;
}

} // namespace session_import_test
