// reelpane-cli burn and erase against virtual recorders: sessions that real readers list, one
// clear line and a non-zero status on every failure, and erase only with a confirmation.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CliRun {
    int status = -1;
    QString err;
};

class BurnCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString P(const QString& name) const { return dir.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) const {
        QFile f(P(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    CliRun Cli(const QStringList& args) const {
        QProcess p;
        p.setProgram(QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"));
        p.setArguments(args);
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("REELPANE_VIRTUAL_RECORDERS", "cd-rw=" + P("cd.img") + ";dvd-r=" + P("dvd.img"));
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start();
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardError())};
    }
    QString Listing(const QString& image) const {
        QProcess p;
        p.start("xorriso", {"-indev", image, "-ls", "/"});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QTemporaryDir dir;
};

TEST_F(BurnCliTest, BurnWritesASessionThatReadersList) {
    Write("one.avi", QByteArray(100000, 'v'));
    Write("two.qvs", "show");
    const CliRun r = Cli({"burn", P("dvd.img"), P("one.avi"), P("two.qvs"), "--label", "Trip"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("STARTING WRITE PROCESS ON DVD-R"));
    const QString listing = Listing(P("dvd.img"));
    EXPECT_TRUE(listing.contains("one.avi")) << listing.toStdString();
    EXPECT_TRUE(listing.contains("two.qvs")) << listing.toStdString();
}

TEST_F(BurnCliTest, FailuresEndInOneLineAndANonZeroStatus) {
    Write("a.txt", "a");
    const CliRun noDrive = Cli({"burn", "7:7:7:7", P("a.txt")});
    EXPECT_NE(noDrive.status, 0);
    EXPECT_TRUE(noDrive.err.contains("no recorder")) << noDrive.err.toStdString();
    const CliRun noFile = Cli({"burn", P("cd.img"), P("missing.txt")});
    EXPECT_NE(noFile.status, 0);
    const CliRun writeOnce = Cli({"erase", P("dvd.img"), "--yes"});
    EXPECT_NE(writeOnce.status, 0);
    EXPECT_TRUE(writeOnce.err.contains("THE DISC IS NOT REWRITABLE"))
        << writeOnce.err.toStdString();
}

TEST_F(BurnCliTest, EraseNeedsAConfirmationAndThenBlanksTheDisc) {
    Write("a.txt", "a");
    ASSERT_EQ(Cli({"burn", P("cd.img"), P("a.txt")}).status, 0);
    const CliRun unconfirmed = Cli({"erase", P("cd.img")});
    EXPECT_NE(unconfirmed.status, 0);
    EXPECT_TRUE(unconfirmed.err.contains("--yes"));
    EXPECT_TRUE(Listing(P("cd.img")).contains("a.txt")) << "nothing erased without a yes";
    const CliRun erased = Cli({"erase", P("cd.img"), "--yes"});
    ASSERT_EQ(erased.status, 0) << erased.err.toStdString();
    EXPECT_EQ(QFile(P("cd.img")).size(), 0) << "a blanked disc holds nothing";
}

// Under a file size limit the image is not written, the process is not killed by SIGXFSZ, and
// no temporary file is left beside the output.
TEST_F(BurnCliTest, FileSizeLimitIsAFailureNotASignal) {
    Write("big.bin", QByteArray(2 << 20, 'b'));
    QProcess p;
    p.start("sh", {"-c", "ulimit -f 256; exec \"$0\" iso \"$1\" \"$2\"",
                   QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"), P("full.iso"),
                   P("big.bin")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << "killed by a signal";
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("File too large")) << err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList({"full.iso*"}, QDir::Files), QStringList());
}

TEST_F(BurnCliTest, DrivesShowsTheSpaceLeftOnAUsedDisc) {
    Write("a.bin", QByteArray(3 << 20, 'a'));
    ASSERT_EQ(Cli({"burn", P("dvd.img"), P("a.bin")}).status, 0);
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("REELPANE_VIRTUAL_RECORDERS", "dvd-r=" + P("dvd.img"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"), {"drives"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains("DVD-R, appendable, 1 session, ")) << out.toStdString();
    EXPECT_FALSE(out.contains(" 0 blocks free")) << out.toStdString();
    EXPECT_FALSE(out.contains("2295104 blocks free")) << out.toStdString();
}

} // namespace
