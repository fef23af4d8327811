// reelpane-cli iso checked by the real readers: isoinfo, xorriso, iso-info and 7z list the same
// names and extract the same bytes; the path table agrees with the directories; the output is
// never one of the inputs and a short write leaves nothing behind.
#include "DiscTestTools.h"

#include "disc/iso/IsoNames.h"

#include <QDir>

#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace iso_readers_test {

using namespace disctest;

namespace {

const std::string kCli = REELPANE_TEST_BINARY_DIR "/reelpane-cli";

std::set<std::string> Lines(const std::string& text, const std::regex& re, int group = 1) {
    std::set<std::string> out;
    std::istringstream in(text);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, re))
            out.insert(m[group]);
    }
    return out;
}

class ReadersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path().toStdString();
    }
    void Put(const std::string& rel, const std::string& bytes) {
        const std::string path = root + "/" + rel;
        QDir().mkpath(QString::fromStdString(path).section('/', 0, -2));
        WriteBytes(path, bytes);
        files[rel] = bytes;
    }
    int Iso(const std::string& args, std::string* output = nullptr) {
        int status = 0;
        const std::string out = Shell(Quote(kCli) + " iso " + args, &status);
        if (output != nullptr)
            *output = out;
        return status;
    }
    QTemporaryDir tmp;
    std::string root;
    std::map<std::string, std::string> files;
};

// The file names of each name length, and what the disc shows at the given Joliet limit.
std::map<std::string, std::string> LengthNames(int limit) {
    std::map<std::string, std::string> out;
    for (int n : {64, 65, 103, 109, 200}) {
        std::string name = "L" + std::to_string(n) + "_";
        name += std::string(static_cast<std::size_t>(n) - name.size() - 4, 'x') + ".txt";
        out[name] = disc::CleanJolietName(QString::fromStdString(name), limit).toStdString();
    }
    return out;
}

} // namespace

TEST_F(ReadersTest, EveryReaderListsAndExtractsTheSameTree) {
    Put("show/My Photos/photo.jpg", Pattern(123457, 3));
    Put("show/My Photos/Мой отпуск.jpg", Pattern(4096, 4));
    Put("show/README", "no extension");
    Put("show/empty.dat", "");
    Put("show/movie.avi", Pattern(2 * 2048, 5));
    const auto lengths = LengthNames(disc::kJolietNameUnits);
    std::set<std::string> cut;
    for (const auto& [name, shown] : lengths) {
        Put("show/names/" + name, name);
        if (shown != name)
            cut.insert(shown);
    }
    ASSERT_EQ(cut.size(), 4u); // 65, 103, 109, 200 are cut; each still a name of its own
    const std::string image = root + "/out.iso";
    std::string said;
    ASSERT_EQ(Iso(Quote(image) + " " + Quote(root + "/show") + " --label 'My Photos'", &said), 0)
        << said;
    EXPECT_NE(said.find("NAME CHANGED FOR THE DISC"), std::string::npos);

    // What the disc should hold: every file under the names the disc gives them.
    std::set<std::string> want{"show", "show/My Photos", "show/names"};
    std::map<std::string, std::string> wantBytes;
    for (const auto& [rel, bytes] : files) {
        std::string shown = rel;
        for (const auto& [name, disc] : lengths) {
            if (rel == "show/names/" + name)
                shown = "show/names/" + disc;
        }
        want.insert(shown);
        wantBytes[shown] = bytes;
    }

    const std::string q = Quote(image);
    const std::string d = Shell("isoinfo -d -i " + q);
    EXPECT_NE(d.find("Volume id: MY PHOTOS"), std::string::npos) << d;
    EXPECT_NE(d.find("Joliet"), std::string::npos);
    EXPECT_EQ(ReadBytes(image).size() % 2048, 0u);

    // isoinfo -J -f lists full Joliet paths (in an 8-bit character set of its choice).
    const auto isoinfo =
        Lines(Shell("isoinfo -J -j cp1251 -f -i " + q + " | iconv -f cp1251 -t utf-8"),
              std::regex("^/(.+?)(;1)?$"));
    const auto xorriso = Lines(Shell("xorriso -indev " + q + " -find /"), std::regex("^'/(.+)'$"));
    const auto sevenZip = Lines(Shell("7z l -slt " + q), std::regex("^Path = (.+/.*|[^/]+)$"));
    std::set<std::string> sevenZipTree = sevenZip;
    sevenZipTree.erase(image);
    EXPECT_EQ(isoinfo, want);
    EXPECT_EQ(xorriso, want);
    EXPECT_EQ(sevenZipTree, want);
    EXPECT_EQ(Lines(Shell("iso-info -f -i " + q), std::regex("^\\s*\\d+ /(.+)$")), want);

    // The bytes come back whole through two different readers.
    const std::string x7 = root + "/x7";
    const std::string xx = root + "/xx";
    int status = 0;
    Shell("7z x -y -o" + Quote(x7) + " " + q, &status);
    ASSERT_EQ(status, 0);
    Shell("xorriso -osirrox on -indev " + q + " -extract / " + Quote(xx), &status);
    ASSERT_EQ(status, 0);
    for (const auto& [rel, bytes] : wantBytes) {
        EXPECT_EQ(ReadBytes(x7 + "/" + rel), bytes) << rel;
        EXPECT_EQ(ReadBytes(xx + "/" + rel), bytes) << rel;
        if (std::all_of(rel.begin(), rel.end(), [](char c) { return c > 0; })) { // isoinfo: ASCII
            EXPECT_EQ(Shell("isoinfo -J -i " + q + " -x " + Quote("/" + rel + ";1")), bytes) << rel;
        }
    }
    EXPECT_EQ(Shell("isoinfo -i " + q + " -x '/SHOW/MOVIE.AVI;1'"), files["show/movie.avi"]);

    // Readers without Joliet see legal 8.3 names.
    const auto plain = Lines(Shell("isoinfo -f -i " + q), std::regex("^/(.+)$"));
    for (const auto& p : plain)
        EXPECT_TRUE(std::regex_match(
            p, std::regex("([A-Z0-9_~]{1,8}/)*[A-Z0-9_~]{1,8}(\\.[A-Z0-9_]{0,3};1)?")))
            << p;
    EXPECT_EQ(plain.size(), want.size());
}

TEST_F(ReadersTest, LongNameLimitKeepsNamesUpTo103) {
    const auto lengths = LengthNames(disc::kJolietLongNameUnits);
    for (const auto& [name, shown] : lengths)
        Put("names/" + name, name);
    const std::string image = root + "/long.iso";
    ASSERT_EQ(Iso(Quote(image) + " " + Quote(root + "/names") + " --long-names"), 0);
    std::set<std::string> want{"names"};
    for (const auto& [name, shown] : lengths) {
        EXPECT_EQ(name.size() <= 103, shown == name) << name;
        want.insert("names/" + shown);
    }
    const std::string q = Quote(image);
    EXPECT_EQ(Lines(Shell("isoinfo -J -f -i " + q), std::regex("^/(.+?)(;1)?$")), want);
    EXPECT_EQ(Lines(Shell("iso-info -f -i " + q), std::regex("^\\s*\\d+ /(.+)$")), want);
    EXPECT_EQ(Lines(Shell("xorriso -indev " + q + " -find /"), std::regex("^'/(.+)'$")), want);
    auto sevenZip = Lines(Shell("7z l -slt " + q), std::regex("^Path = (.+)$"));
    sevenZip.erase(image);
    EXPECT_EQ(sevenZip, want);
}

TEST_F(ReadersTest, PathTableExtentsAreTheDirectoryExtents) {
    Put("t/a/one.txt", "1");
    Put("t/a/b/two.txt", "2");
    Put("t/c/three.txt", "3");
    const std::string image = root + "/pt.iso";
    ASSERT_EQ(Iso(Quote(image) + " " + Quote(root + "/t")), 0);
    const std::string q = Quote(image);
    // isoinfo -p: "   N:    PARENT EXTENT(hex) NAME"
    const std::string table = Shell("isoinfo -p -i " + q);
    std::map<std::string, unsigned> fromTable;
    std::istringstream in(table);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, std::regex("^\\s*\\d+:\\s+\\d+\\s+([0-9a-f]+)\\s+(\\S+)")))
            fromTable[m[2]] = std::stoul(m[1], nullptr, 16);
    }
    // isoinfo -l: the "." record of each directory holds its extent.
    std::map<std::string, unsigned> fromDirs;
    std::istringstream l(Shell("isoinfo -l -i " + q));
    std::string current;
    while (std::getline(l, line)) {
        if (std::regex_search(line, m, std::regex("^Directory listing of (.*)/$")))
            current = m[1];
        else if (std::regex_search(line, m, std::regex("\\[\\s*(\\d+) 02\\]\\s+\\. $")) &&
                 !current.empty())
            fromDirs[current.substr(current.rfind('/') + 1)] = std::stoul(m[1]);
    }
    ASSERT_EQ(fromDirs.size(), 4u) << table;
    for (const auto& [name, extent] : fromDirs)
        EXPECT_EQ(fromTable[name], extent) << name;
}

TEST_F(ReadersTest, OutputThatIsAnInputIsRefused) {
    Put("in/a.txt", "precious");
    Put("in/old.iso", "also precious");
    std::string said;
    EXPECT_NE(Iso(Quote(root + "/in/old.iso") + " " + Quote(root + "/in"), &said), 0);
    EXPECT_NE(said.find("IT IS ONE OF THE FILES TO WRITE"), std::string::npos) << said;
    EXPECT_EQ(ReadBytes(root + "/in/old.iso"), "also precious");
    EXPECT_NE(Iso(Quote(root + "/in/a.txt") + " " + Quote(root + "/in/a.txt")), 0);
    EXPECT_EQ(ReadBytes(root + "/in/a.txt"), "precious");
    EXPECT_EQ(QDir(QString::fromStdString(root + "/in")).entryList(QDir::Files).size(), 2);
}

TEST_F(ReadersTest, ShortWriteFailsAndLeavesNoFile) {
    Put("big/data.bin", Pattern(3 << 20, 7));
    WriteBytes(root + "/keep.iso", "the previous image");
    // A file-size limit makes the writes come up short, as a full disk would.
    std::string said;
    int status = 0;
    said = Shell("sh -c " + Quote("trap '' XFSZ; ulimit -f 1024; exec " + Quote(kCli) + " iso " +
                                  Quote(root + "/keep.iso") + " " + Quote(root + "/big")),
                 &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(said.find("keep.iso"), std::string::npos) << said;
    EXPECT_EQ(ReadBytes(root + "/keep.iso"), "the previous image");
    const QStringList left =
        QDir(QString::fromStdString(root)).entryList({"keep.iso*"}, QDir::Files);
    EXPECT_EQ(left, QStringList{"keep.iso"});
}

} // namespace iso_readers_test
