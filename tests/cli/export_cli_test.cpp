// reelpane-cli export and codecs as a user runs them: the sizes and compressors chosen by the
// options, refusals with one line and a failing status, and Ctrl-C finishing the file at a slide
// boundary with a failing status.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdlib>

namespace {

QProcess* Start(const QStringList& args) {
    auto* p = new QProcess;
    p->setProgram(QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"));
    p->setArguments(args);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("SDL_AUDIODRIVER", "dummy");
    p->setProcessEnvironment(env);
    p->start();
    return p;
}

struct CliRun {
    int Status = -1;
    QString Out, Err;
};

CliRun Cli(const QStringList& args) {
    std::unique_ptr<QProcess> p(Start(args));
    p->waitForFinished(300000);
    return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
            QString::fromUtf8(p->readAllStandardOutput()),
            QString::fromUtf8(p->readAllStandardError())};
}

std::string Probe(const QString& file, const QString& entries) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-count_frames", "-show_entries", entries, "-of",
                        "default=nw=1", file});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString();
}

class ExportCliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString P(const QString& name) const { return dir.filePath(name); }
    // A show of `photos` photos, each `seconds` s with a slide-in of `fade` s, and a tone.
    void MakeShow(const QString& name, int photos, int seconds, int fade) {
        QStringList args{"new",          P(name),
                         "--resolution", "640x480",
                         "--seconds",    QString::number(seconds),
                         "--transition", "2:" + QString::number(fade)};
        const char* colours[] = {"red", "blue", "lime", "yellow"};
        for (int i = 0; i < photos; ++i) {
            const QString photo = P(QString("p%1.png").arg(i));
            if (!QFile::exists(photo)) {
                ASSERT_EQ(std::system(("convert -size 640x480 plasma:" + QString(colours[i % 4]) +
                                       " '" + photo + "'")
                                          .toLocal8Bit()
                                          .constData()),
                          0);
            }
            args << photo;
        }
        ASSERT_EQ(
            std::system(("sox -n -r 44100 -c 2 -b 16 '" + P("tone.wav") + "' synth 30 sine 440")
                            .toLocal8Bit()
                            .constData()),
            0);
        args << "--music" << P("tone.wav");
        const CliRun made = Cli(args);
        ASSERT_EQ(made.Status, 0) << made.Err.toStdString();
    }
    QTemporaryDir dir;
};

TEST_F(ExportCliTest, CodecsListsTheLinesThenThoseOffered) {
    const CliRun r = Cli({"codecs"});
    ASSERT_EQ(r.Status, 0);
    const QStringList parts = r.Out.split("\noffered:\n");
    ASSERT_EQ(parts.size(), 2) << r.Out.toStdString();
    EXPECT_TRUE(parts[0].startsWith("No Compression\n"));
    EXPECT_TRUE(parts[0].contains("DX50"));
    EXPECT_FALSE(parts[1].contains("DX50"));
    EXPECT_TRUE(parts[1].contains("DIVX MPEG-4 part 2  (proposed, high)"));
    EXPECT_TRUE(parts[1].contains("MSVC"));
}

TEST_F(ExportCliTest, OptionsChooseCompressorAndSize) {
    MakeShow("show.qvs", 2, 1, 1);
    struct Row {
        QStringList Options;
        std::string Expected;
    };
    const Row rows[] = {
        {{}, "codec_name=mpeg4\nwidth=720\nheight=528\nnb_read_frames=100"},
        {{"--codec", "xvid", "--screen-height", "600"},
         "codec_name=mpeg4\nwidth=400\nheight=224\nnb_read_frames=100"},
        {{"--codec", "MSVC", "--size", "high"},
         "codec_name=msvideo1\nwidth=400\nheight=288\nnb_read_frames=100"},
        {{"--codec", "none", "--size", "standard"},
         "codec_name=rawvideo\nwidth=400\nheight=288\nnb_read_frames=100"},
    };
    for (const Row& row : rows) {
        const QString out = P("out.avi");
        const CliRun r = Cli(QStringList{"export", P("show.qvs"), out} + row.Options);
        ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
        EXPECT_EQ(Probe(out, "stream=codec_name,width,height,nb_read_frames:stream_tags=")
                      .substr(0, row.Expected.size()),
                  row.Expected)
            << row.Options.join(' ').toStdString();
        EXPECT_FALSE(QFile::exists(out + ".part"));
    }
    // The compressed video carries the music for its four seconds.
    ASSERT_EQ(Cli({"export", P("show.qvs"), P("out.avi")}).Status, 0);
    EXPECT_EQ(Probe(P("out.avi"), "stream=codec_name:stream_tags=").find("pcm_s16le") !=
                  std::string::npos,
              true);
}

TEST_F(ExportCliTest, Mp4FilesForTodaysPlayers) {
    MakeShow("show.qvs", 2, 1, 1);
    const QString out = P("out.mp4");
    const CliRun r = Cli({"export", P("show.qvs"), out, "--size", "720p"});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    const std::string expected =
        "codec_name=h264\nwidth=1280\nheight=720\nnb_read_frames=100\ncodec_name=aac";
    EXPECT_EQ(Probe(out, "stream=codec_name,width,height,nb_read_frames:stream_tags=")
                  .substr(0, expected.size()),
              expected);
    EXPECT_FALSE(QFile::exists(out + ".part"));
    // The AVI compressors and the MP4 sizes do not mix.
    EXPECT_NE(Cli({"export", P("show.qvs"), out, "--codec", "XVID"}).Status, 0);
    EXPECT_NE(Cli({"export", P("show.qvs"), P("x.avi"), "--size", "1080p"}).Status, 0);
}

// The x264 settings the encoder recorded in the video stream ("... crf=20.0 ...").
QByteArray EncoderSettings(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf("x264 - core");
    return at < 0 ? QByteArray() : bytes.mid(at, 2000);
}

TEST_F(ExportCliTest, Mp4SizeAndQualityReachTheEncoder) {
    MakeShow("show.qvs", 2, 1, 1);
    const QString good = P("good.mp4");
    CliRun r = Cli({"export", P("show.qvs"), good});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("1280 x 720, 100 frames, H.264 CRF 20")) << r.Err.toStdString();
    EXPECT_EQ(Probe(good, "stream=width,height:stream_tags=").substr(0, 21),
              "width=1280\nheight=720");
    EXPECT_TRUE(EncoderSettings(good).contains(" crf=20.0 ")) << EncoderSettings(good).constData();

    const QString best = P("best.mp4");
    r = Cli({"export", P("show.qvs"), best, "--quality", "best", "--size", "standard"});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_EQ(Probe(best, "stream=width,height:stream_tags=").substr(0, 20),
              "width=400\nheight=288");
    EXPECT_TRUE(EncoderSettings(best).contains(" crf=17.0 ")) << EncoderSettings(best).constData();
}

TEST_F(ExportCliTest, WrongContainerChoicesAreOneLineAndWriteNothing) {
    MakeShow("show.qvs", 1, 1, 0);
    const QString mp4 = P("a.mp4"), avi = P("a.avi");
    for (const QStringList& args : {
             QStringList{"export", P("show.qvs"), mp4, "--codec", "XVID"},
             QStringList{"export", P("show.qvs"), mp4, "--codec", "none"},
             QStringList{"export", P("show.qvs"), mp4, "--quality", "great"},
             QStringList{"export", P("show.qvs"), mp4, "--quality"},
             QStringList{"export", P("show.qvs"), mp4, "--size", "4k"},
             QStringList{"export", P("show.qvs"), avi, "--quality", "best"},
             QStringList{"export", P("show.qvs"), avi, "--quality", "good", "--codec", "none"},
             QStringList{"export", P("show.qvs"), avi, "--size", "720p", "--codec", "none"},
         }) {
        const CliRun r = Cli(args);
        EXPECT_NE(r.Status, 0) << args.join(' ').toStdString();
        const QStringList lines = r.Err.split('\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines.size(), 1) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.startsWith("reelpane-cli: --")) << r.Err.toStdString();
        EXPECT_FALSE(QFile::exists(mp4));
        EXPECT_FALSE(QFile::exists(avi));
        EXPECT_FALSE(QFile::exists(mp4 + ".part"));
        EXPECT_FALSE(QFile::exists(avi + ".part"));
    }
}

TEST_F(ExportCliTest, RefusalsAreOneLineWithAFailingStatus) {
    MakeShow("show.qvs", 1, 1, 0);
    for (const QStringList& args :
         {QStringList{"export", P("show.qvs"), P("a.avi"), "--codec", "DX50"},
          QStringList{"export", P("show.qvs"), P("a.avi"), "--size", "huge"},
          QStringList{"export", P("show.qvs")}, QStringList{"export", P("missing.qvs"), P("a.avi")},
          QStringList{"export", P("show.qvs"), P("no/such/folder/a.avi")}}) {
        const CliRun r = Cli(args);
        EXPECT_NE(r.Status, 0) << args.join(' ').toStdString();
        EXPECT_EQ(r.Err.split('\n', Qt::SkipEmptyParts).filter("reelpane-cli:").size(), 1)
            << r.Err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(P("a.avi")));
}

TEST_F(ExportCliTest, InterruptFinishesTheFileAtASlideBoundary) {
    MakeShow("long.qvs", 8, 1, 1);
    const QString out = P("long.avi");
    std::unique_ptr<QProcess> p(Start({"export", P("long.qvs"), out}));
    ASSERT_TRUE(p->waitForStarted());
    for (int i = 0; i < 6000 && !QFile::exists(out + ".part"); ++i)
        QThread::msleep(5);
    ASSERT_EQ(::kill(static_cast<pid_t>(p->processId()), SIGINT), 0);
    ASSERT_TRUE(p->waitForFinished(300000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_NE(p->exitCode(), 0);
    ASSERT_TRUE(QFile::exists(out));
    EXPECT_FALSE(QFile::exists(out + ".part"));
    const int frames = std::stoi(Probe(out, "stream=nb_read_frames").substr(15));
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 8 * 50);
    EXPECT_EQ(frames % 50, 0); // whole slides with their transitions
    EXPECT_EQ(Probe(out, "stream=codec_type").find("audio"), std::string::npos);
}

} // namespace
