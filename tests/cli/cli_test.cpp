// reelpane-cli as a user runs it: new from photos, a folder and music, info as JSON, and clear
// one-line errors with a non-zero status.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result Cli(const QStringList& args) {
    QProcess p;
    p.setProgram(QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"));
    p.setArguments(args);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("SDL_AUDIODRIVER", "dummy");
    p.setProcessEnvironment(env);
    p.start();
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

bool Sh(const QString& command) {
    return std::system(command.toLocal8Bit().constData()) == 0;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString P(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(CliTest, HelpAndVersion) {
    const Result help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("new OUT.qvs"));
    EXPECT_TRUE(help.out.contains("info SHOW.qvs"));
    EXPECT_EQ(Cli({"--version"}).status, 0);
    EXPECT_NE(Cli({"frobnicate"}).status, 0);
    EXPECT_NE(Cli({}).status, 0);
}

TEST_F(CliTest, NewThenInfo) {
    ASSERT_TRUE(QDir().mkpath(P("photos/sub")));
    ASSERT_TRUE(Sh("convert -size 400x300 xc:red '" + P("photos/a.jpg") + "'"));
    ASSERT_TRUE(Sh("convert -size 300x400 xc:blue '" + P("photos/b.png") + "'"));
    ASSERT_TRUE(Sh("convert -size 50x50 xc:lime '" + P("photos/sub/c.gif") + "'"));
    ASSERT_TRUE(Sh("convert -size 60x40 xc:yellow '" + P("single.gif") + "'"));
    ASSERT_TRUE(Sh("sox -n -r 44100 -c 2 '" + P("tone.wav") + "' synth 3 sine 440"));
    ASSERT_TRUE(Sh("lame --quiet -b 128 --tt 'Мелодия' --ta Band '" + P("tone.wav") + "' '" +
                   P("tone.mp3") + "'"));

    const Result made = Cli({"new", P("show.qvs"), "--resolution", "800x600", "--seconds", "4",
                             "--transition", "6:2", "--music", P("tone.mp3"), "--music",
                             P("tone.wav"), P("photos"), P("single.gif")});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    ASSERT_TRUE(QFile::exists(P("show.qvs")));

    const Result info = Cli({"info", P("show.qvs")});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    QJsonParseError error;
    const QJsonObject show = QJsonDocument::fromJson(info.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << info.out.toStdString();
    EXPECT_TRUE(show.contains("WorkPrefix"));
    const QJsonArray slides = show["Slides"].toArray();
    ASSERT_EQ(slides.size(), 3); // a.jpg, b.png from the folder (not sub/), then single.gif
    for (const auto& v : slides) {
        const QJsonObject s = v.toObject();
        EXPECT_EQ(s["ShowSeconds"].toInt(), 4);
        EXPECT_EQ(s["TransitionKind"].toInt(), 6);
        EXPECT_EQ(s["TransitionSeconds"].toInt(), 2);
        EXPECT_EQ(s["BackColor"].toDouble(), 4278190095.0);
        EXPECT_FALSE(s["WorkFile"].toString().isEmpty());
    }
    // info re-imports at the current (default) resolution: landscape 1280 wide, portrait 1024 high.
    EXPECT_EQ(slides[0].toObject()["Width"].toInt(), 1280);
    EXPECT_EQ(slides[0].toObject()["Height"].toInt(), 960);
    EXPECT_EQ(slides[1].toObject()["Height"].toInt(), 1024);
    const QJsonArray sounds = show["Sounds"].toArray();
    ASSERT_EQ(sounds.size(), 2);
    EXPECT_EQ(sounds[0].toObject()["Title"].toString(), QString("Band - Мелодия"));
    EXPECT_EQ(sounds[0].toObject()["LengthSeconds"].toInt(), 3);
    EXPECT_EQ(sounds[0].toObject()["PlaySeconds"].toInt(), 3);
    EXPECT_EQ(sounds[1].toObject()["Volume"].toInt(), 100);
    EXPECT_EQ(sounds[1].toObject()["Title"].toString(), QString("tone"));
}

TEST_F(CliTest, ErrorsAreOneLineWithAFailingStatus) {
    QFile bad(P("bad.qvs"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x01\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\x7f\x00\x00\x00\x00", 16);
    bad.close();
    for (const QStringList& args :
         {QStringList{"info", P("bad.qvs")}, QStringList{"info", P("missing.qvs")},
          QStringList{"new", P("x.qvs"), "--resolution", "huge", P("a.jpg")},
          QStringList{"new", P("x.qvs"), "--transition", "14", P("a.jpg")},
          QStringList{"new", P("x.qvs"), P("missing.jpg")}}) {
        const Result r = Cli(args);
        EXPECT_NE(r.status, 0) << args.join(' ').toStdString();
        const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts).filter("reelpane-cli:");
        EXPECT_EQ(lines.size(), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(P("x.qvs")));
}

} // namespace

// drives: each virtual recorder's entry and its medium; a bad recorder list is one clear error.
TEST(CliDrives, ListsVirtualRecordersWithTheirMedia) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cd = dir.filePath("cd.img");
    const QString dvd = dir.filePath("dvd.img");
    qputenv("REELPANE_VIRTUAL_RECORDERS",
            QStringLiteral("cd-r=%1;dvd+r=%2").arg(cd, dvd).toLocal8Bit());
    const Result r = Cli({"drives"});
    qunsetenv("REELPANE_VIRTUAL_RECORDERS");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("0:0:0:0," + cd + " ")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "  CD-R, blank, 0 sessions, 359849 blocks free (702 MiB)");
    EXPECT_TRUE(lines[2].startsWith("0:0:1:0," + dvd + " ")) << lines[2].toStdString();
    EXPECT_EQ(lines[3], "  DVD+R, blank, 0 sessions, 2295104 blocks free (4482 MiB)");

    qputenv("REELPANE_VIRTUAL_RECORDERS", "blu-ray=/tmp/x.img");
    const Result bad = Cli({"drives"});
    qunsetenv("REELPANE_VIRTUAL_RECORDERS");
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.contains("unknown profile \"blu-ray\"")) << bad.err.toStdString();
}
