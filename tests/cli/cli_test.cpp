// reelpane-cli as a user runs it: new from photos, a folder and music, info as JSON, and clear
// one-line errors with a non-zero status; names that are not UTF-8, a full disk, a FIFO, and
// options joined to their values.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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
        EXPECT_EQ(s["BackColor"].toDouble(), 0.0); // black: a new show fits today's screens
        EXPECT_FALSE(s["WorkFile"].toString().isEmpty());
    }
    // info re-imports at the show's own photo size (800 x 600, kept in the file), not the
    // default: landscape 800 wide, portrait 600 high.
    EXPECT_EQ(slides[0].toObject()["Width"].toInt(), 800);
    EXPECT_EQ(slides[0].toObject()["Height"].toInt(), 600);
    EXPECT_EQ(slides[1].toObject()["Height"].toInt(), 600);
    const QJsonArray sounds = show["Sounds"].toArray();
    ASSERT_EQ(sounds.size(), 2);
    EXPECT_EQ(sounds[0].toObject()["Title"].toString(), QString("Band - Мелодия"));
    EXPECT_EQ(sounds[0].toObject()["LengthSeconds"].toInt(), 3);
    EXPECT_EQ(sounds[0].toObject()["PlaySeconds"].toInt(), 3);
    EXPECT_EQ(sounds[1].toObject()["Volume"].toInt(), 100);
    EXPECT_EQ(sounds[1].toObject()["Title"].toString(), QString("tone"));
}

TEST_F(CliTest, NewPhotosTakeTheChosenBackground) {
    ASSERT_TRUE(Sh("convert -size 60x40 xc:yellow '" + P("one.gif") + "'"));
    // RRGGBB on the command line, 0x00BBGGRR in the record.
    ASSERT_EQ(Cli({"new", P("dark.qvs"), "--background", "102030", P("one.gif")}).status, 0);
    const Result info = Cli({"info", P("dark.qvs")});
    const QJsonObject show = QJsonDocument::fromJson(info.out.toUtf8()).object();
    EXPECT_EQ(show["Slides"].toArray()[0].toObject()["BackColor"].toDouble(), double(0x302010));
    for (const char* bad : {"12345", "GGGGGG", "1020304"})
        EXPECT_NE(Cli({"new", P("bad.qvs"), "--background", bad, P("one.gif")}).status, 0) << bad;
    EXPECT_FALSE(QFile::exists(P("bad.qvs")));
}

TEST_F(CliTest, PhotosAreKeptSharpUpTo2160p) {
    // A photo larger than 4K is kept at the show's photo size, 3840 x 1920 here: the show file
    // holds its working copy whole (3 bytes a pixel). A later load fits the copies to the
    // loader's own photo size, so info cannot tell; the file's size can.
    ASSERT_TRUE(Sh("convert -size 4800x2400 xc:blue '" + P("wide.png") + "'"));
    ASSERT_EQ(Cli({"new", P("uhd.qvs"), "--resolution", "3840x2160", P("wide.png")}).status, 0);
    ASSERT_EQ(Cli({"new", P("small.qvs"), "--resolution", "1280x720", P("wide.png")}).status, 0);
    const qint64 uhd = QFileInfo(P("uhd.qvs")).size();
    EXPECT_GE(uhd, 3840 * 1920 * 3);
    EXPECT_LT(uhd, 3840 * 1920 * 3 + 1024 * 1024);
    EXPECT_LT(QFileInfo(P("small.qvs")).size(), 1280 * 640 * 3 + 1024 * 1024);
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

// The tool started from raw argument bytes (a name that is not UTF-8 reaches it whole), with
// extra environment, an optional file-size limit (a full disk) and a time limit after which it
// is killed (a command that blocks).
namespace raw {

struct Run {
    int status = -1; // -1 when killed or not finished in time
    std::string out;
    std::string err;
};

Run Cli(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
        rlim_t fileLimit = RLIM_INFINITY, int seconds = 60) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
        if (fileLimit != RLIM_INFINITY) {
            const rlimit limit{fileLimit, fileLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        for (const std::string& e : env) {
            const auto eq = e.find('=');
            if (eq == std::string::npos)
                ::unsetenv(e.c_str());
            else
                ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        const std::string program = REELPANE_TEST_BINARY_DIR "/reelpane-cli";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    Run run;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int open = 2;
    bool killed = false;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left)) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<std::size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& f : fds)
        if (f.fd >= 0)
            ::close(f.fd);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!killed && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

// The lines of standard error that are not the tool's own.
std::vector<std::string> ForeignLines(const std::string& err) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < err.size()) {
        auto end = err.find('\n', start);
        if (end == std::string::npos)
            end = err.size();
        const std::string line = err.substr(start, end - start);
        if (!line.empty() && line.rfind("reelpane-cli:", 0) != 0)
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace raw

class RawCliTest : public CliTest {
protected:
    std::string B(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
    // A picture made by ImageMagick under a plain name, then given its real (byte) name.
    void Picture(const std::string& spec, const std::string& name) {
        const std::string plain = B("made.tmp." + name.substr(name.rfind('.') + 1));
        ASSERT_TRUE(Sh(QString::fromStdString("convert " + spec + " '" + plain + "'")));
        ASSERT_EQ(::rename(plain.c_str(), B(name).c_str()), 0);
    }
    QJsonObject Info(const std::string& show) {
        const raw::Run info = raw::Cli({"info", show}, {"TMPDIR=" + B("")});
        EXPECT_EQ(info.status, 0) << info.err;
        return QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object();
    }
};

// Names are bytes: a Latin-1 photo, a folder and a photo in it with Latin-1 names, and a
// Latin-1 track all come in, and the track's title is made from its name.
TEST_F(RawCliTest, NamesThatAreNotUtf8AreImported) {
    ASSERT_EQ(::mkdir(B("d\xe9j\xe0").c_str(), 0700), 0);
    Picture("-size 400x300 xc:red", "caf\xe9.jpg");
    Picture("-size 300x400 xc:blue", "d\xe9j\xe0/\xe9t\xe9.png");
    ASSERT_TRUE(Sh("sox -n -r 44100 -c 2 '" + P("tone.wav") + "' synth 2 sine 440"));
    ASSERT_EQ(::rename(B("tone.wav").c_str(), B("m\xfasica.wav").c_str()), 0);

    const raw::Run made = raw::Cli({"new", B("show \xe9.qvs"), "--music", B("m\xfasica.wav"),
                                    B("caf\xe9.jpg"), B("d\xe9j\xe0")},
                                   {"TMPDIR=" + B("")});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.err.find("skipped"), std::string::npos) << made.err;
    EXPECT_NE(made.err.find(B("show \xe9.qvs")), std::string::npos) << made.err; // as bytes
    const QJsonObject show = Info(B("show \xe9.qvs"));
    const QJsonArray slides = show["Slides"].toArray();
    ASSERT_EQ(slides.size(), 2);
    // Fitted to a new show's 1920 x 1080.
    EXPECT_EQ(slides[0].toObject()["Width"].toInt(), 1920);  // caf\xe9.jpg, landscape
    EXPECT_EQ(slides[1].toObject()["Height"].toInt(), 1080); // the folder's portrait photo
    const QJsonArray sounds = show["Sounds"].toArray();
    ASSERT_EQ(sounds.size(), 1);
    EXPECT_EQ(sounds[0].toObject()["LengthSeconds"].toInt(), 2);
    // The title is the name without its extension; the byte no code page maps shows as "?".
    EXPECT_EQ(sounds[0].toObject()["Title"].toString(), QString("m?sica"));
}

// A photo whose working copy cannot be written (the file-size limit stands in for a full disk)
// ends the command with the reason, and nothing is written; the photo that fitted is not saved
// as if it were the whole show.
TEST_F(RawCliTest, NewFailsWhenAWorkingCopyCannotBeWritten) {
    Picture("-size 1000x100 xc:red", "strip.png");  // 1280 x 128: about 0.5 MB as a BMP
    Picture("-size 400x400 xc:blue", "square.png"); // 1024 x 1024: 3 MB
    const raw::Run made = raw::Cli(
        {"new", B("full.qvs"), "--resolution", "1280x1024", B("strip.png"), B("square.png")},
        {"TMPDIR=" + B("")}, 1 << 20);
    EXPECT_EQ(made.status, 1) << made.err;
    EXPECT_NE(made.err.find("square.png"), std::string::npos) << made.err;
    EXPECT_NE(made.err.find("File too large"), std::string::npos) << made.err;
    EXPECT_EQ(made.err.find("not a picture"), std::string::npos) << made.err;
    EXPECT_FALSE(QFile::exists(P("full.qvs")));
}

// info on a FIFO answers at once instead of waiting for a writer that never comes.
TEST_F(RawCliTest, InfoRefusesAFifoWithoutWaiting) {
    ASSERT_EQ(::mkfifo(B("pipe.qvs").c_str(), 0600), 0);
    const raw::Run info = raw::Cli({"info", B("pipe.qvs")}, {"TMPDIR=" + B("")}, RLIM_INFINITY, 20);
    EXPECT_EQ(info.status, 1) << "killed after waiting: " << info.err;
    EXPECT_NE(info.err.find("not a regular file"), std::string::npos) << info.err;
    EXPECT_TRUE(info.out.empty());
}

// Options take their value after "=" too, and standard error holds only the tool's own lines
// even where the toolkit would warn (no XDG_RUNTIME_DIR).
TEST_F(RawCliTest, OptionEqualsValueAndAQuietToolkit) {
    Picture("-size 400x300 xc:red", "a.jpg");
    const raw::Run made = raw::Cli(
        {"new", B("eq.qvs"), "--resolution=640x480", "--seconds=3", "--transition=2:1", B("a.jpg")},
        {"TMPDIR=" + B(""), "XDG_RUNTIME_DIR"});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(raw::ForeignLines(made.err), std::vector<std::string>()) << made.err;
    const QJsonArray slides = Info(B("eq.qvs"))["Slides"].toArray();
    ASSERT_EQ(slides.size(), 1);
    EXPECT_EQ(slides[0].toObject()["ShowSeconds"].toInt(), 3);
    EXPECT_EQ(slides[0].toObject()["TransitionKind"].toInt(), 2);
    EXPECT_EQ(slides[0].toObject()["TransitionSeconds"].toInt(), 1);
    const raw::Run bad =
        raw::Cli({"new", B("x.qvs"), "--seconds=forever", B("a.jpg")}, {"TMPDIR=" + B("")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("--seconds needs"), std::string::npos) << bad.err;
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
