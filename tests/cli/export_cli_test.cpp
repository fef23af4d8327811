// reelpane-cli export and codecs as a user runs them: the sizes and compressors chosen by the
// options, refusals with one line and a failing status, and Ctrl-C finishing the file at a slide
// boundary with a failing status.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdlib>

namespace export_cli_test {

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
                         "--transition", fade > 0 ? "2:" + QString::number(fade) : "0"};
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
    ASSERT_EQ(Cli({"export", P("show.qvs"), P("out.avi"), "--codec", "divx"}).Status, 0);
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

// The choices of an export are the show's next ones: stored in the show, printed by info, and
// used by an export that gives none; the speed and constant quality reach the encoder.
TEST_F(ExportCliTest, TheLastOutputSettingsAreStoredAndUsedAgain) {
    MakeShow("show.qvs", 1, 1, 0);
    CliRun r = Cli({"export", P("show.qvs"), P("a.mp4"), "--preset", "phone", "--speed",
                    "ultrafast", "--crf", "30"});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Err.contains("H.264 CRF 30 ultrafast")) << r.Err.toStdString();

    r = Cli({"info", P("show.qvs")});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    const QJsonObject output =
        QJsonDocument::fromJson(r.Out.toUtf8())["Options"]["Output"].toObject();
    EXPECT_EQ(output["Last"].toString(), "mp4");
    const QJsonObject mp4 = output["Mp4"].toObject();
    EXPECT_EQ(mp4["Width"].toInt(), 1080);
    EXPECT_EQ(mp4["Height"].toInt(), 1920);
    EXPECT_EQ(mp4["Fps"].toInt(), 30);
    EXPECT_EQ(mp4["Preset"].toString(), "phone");
    EXPECT_EQ(mp4["Speed"].toString(), "ultrafast");
    EXPECT_EQ(mp4["Crf"].toInt(), 30);

    const QString b = P("b.mp4");
    r = Cli({"export", P("show.qvs"), b});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_EQ(Probe(b, "stream=width,height,r_frame_rate:stream_tags=").substr(0, 40),
              "width=1080\nheight=1920\nr_frame_rate=30/1");
    const QByteArray used = EncoderSettings(b);
    EXPECT_TRUE(used.contains(" crf=30.0 ")) << used.constData();
    EXPECT_TRUE(used.contains(" subme=0 ")) << used.constData(); // ultrafast's

    // Options given win over the stored ones, and a new quality brings its own CRF.
    const QString c = P("c.mp4");
    r = Cli({"export", P("show.qvs"), c, "--size", "720p", "--quality", "best"});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    EXPECT_EQ(Probe(c, "stream=width,height:stream_tags=").substr(0, 21), "width=720\nheight=1280");
    EXPECT_TRUE(EncoderSettings(c).contains(" crf=17.0 ")) << EncoderSettings(c).constData();
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
             QStringList{"export", P("show.qvs"), mp4, "--speed", "placebo"},
             QStringList{"export", P("show.qvs"), mp4, "--crf", "52"},
             QStringList{"export", P("show.qvs"), mp4, "--crf", "-1"},
             QStringList{"export", P("show.qvs"), mp4, "--crf", "twenty"},
             QStringList{"export", P("show.qvs"), avi, "--crf", "20", "--codec", "none"},
             QStringList{"export", P("show.qvs"), avi, "--speed", "fast", "--codec", "none"},
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

// Exporting onto the show, onto another show file, into another container or onto a folder is
// refused before anything is loaded, and the show stays byte for byte.
TEST_F(ExportCliTest, OutputsThatAreNoVideoAreRefusedAndTheShowSurvives) {
    MakeShow("self.qvs", 1, 1, 0);
    QFile show(P("self.qvs"));
    ASSERT_TRUE(show.open(QIODevice::ReadOnly));
    const QByteArray before = show.readAll();
    show.close();
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.mp4"));
    for (const QString& out : {P("self.qvs"), P("other.qvs"), P("x.mkv"), P("folder.mp4")}) {
        const CliRun r = Cli({"export", P("self.qvs"), out});
        EXPECT_EQ(r.Status, 1) << out.toStdString();
        EXPECT_EQ(r.Err.split('\n', Qt::SkipEmptyParts).size(), 1) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(out)) << r.Err.toStdString();
        EXPECT_FALSE(QFile::exists(out + ".part"));
    }
    EXPECT_FALSE(QFile::exists(P("x.mkv")));
    ASSERT_TRUE(show.open(QIODevice::ReadOnly));
    EXPECT_EQ(show.readAll(), before);
}

// Under a file-size limit, with the signal as a shell leaves it: the export reports the
// system's reason and leaves neither the partial file nor a killed process.
TEST_F(ExportCliTest, FileSizeLimitIsReportedAndLeavesNothing) {
    // Working files (photos of 230 KB, the show's own size, and a track of 350 KB) under the
    // limit (1 MB) and a larger video: the limit stops the video, not the load.
    QStringList made{"new", P("small.qvs"), "--resolution", "320x240", "--seconds",
                     "1",   "--transition", "2:1"};
    for (int i = 0; i < 8; ++i) {
        const QString photo = P(QString("s%1.png").arg(i));
        ASSERT_EQ(std::system(("convert -size 320x240 xc:gray +noise Random '" + photo + "'")
                                  .toLocal8Bit()
                                  .constData()),
                  0);
        made << photo;
    }
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + P("short.wav") + "' synth 2 sine 440")
                              .toLocal8Bit()
                              .constData()),
              0);
    made << "--music" << P("short.wav");
    ASSERT_EQ(Cli(made).Status, 0);
    const auto previous = std::signal(SIGXFSZ, SIG_DFL); // inherited by the shell and the tool
    for (const QString& out : {P("keep.avi"), P("keep.mp4")}) {
        QStringList args{"export", P("small.qvs"), out};
        if (out.endsWith(".avi"))
            args << "--codec"
                 << "none";
        else
            args << "--size"
                 << "720p"
                 << "--quality"
                 << "best"; // megabytes of noise
        QString command = "ulimit -f 2000; exec '" REELPANE_TEST_BINARY_DIR "/reelpane-cli'";
        for (const QString& a : args)
            command += " '" + a + "'";
        QProcess p;
        p.start("/bin/sh", {"-c", command});
        ASSERT_TRUE(p.waitForFinished(300000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << out.toStdString();
        EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
        EXPECT_TRUE(err.contains("File too large")) << err.toStdString();
        EXPECT_TRUE(err.contains(out)) << err.toStdString();
        EXPECT_FALSE(err.contains("Err")) << err.toStdString();
        EXPECT_FALSE(QFile::exists(out + ".part"));
        EXPECT_FALSE(QFile::exists(out));
    }
    std::signal(SIGXFSZ, previous);
}

// A termination request or a hang-up ends the export as Cancel does: the file as far as it got
// under its own name, no partial file.
TEST_F(ExportCliTest, TerminationAndHangUpFinishTheFile) {
    MakeShow("long.qvs", 8, 1, 1);
    for (const int signal : {SIGTERM, SIGHUP}) {
        const QString out = P(QString("long%1.avi").arg(signal));
        std::unique_ptr<QProcess> p(Start({"export", P("long.qvs"), out}));
        ASSERT_TRUE(p->waitForStarted());
        for (int i = 0; i < 6000 && !QFile::exists(out + ".part"); ++i)
            QThread::msleep(5);
        ASSERT_EQ(::kill(static_cast<pid_t>(p->processId()), signal), 0);
        ASSERT_TRUE(p->waitForFinished(300000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 128 + signal);
        EXPECT_TRUE(QFile::exists(out));
        EXPECT_FALSE(QFile::exists(out + ".part"));
    }
}

// A track of the show that cannot be decoded keeps its place (silence of its planned length),
// the track after it starts on time, and one warning names it; FFmpeg's own complaints about
// the damaged file never reach standard error.
TEST_F(ExportCliTest, UnreadableTrackKeepsItsPlaceWithOneWarning) {
    const char* tones[] = {"a.wav", "b.wav", "c.wav"};
    const int rates[] = {44100, 22050, 44100};
    const char* freq[] = {"0", "440", "880"};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(std::system(("sox -n -r " + std::to_string(rates[i]) + " -c 2 -b 16 '" +
                               P(tones[i]).toStdString() + "' synth 2 sine " + freq[i] +
                               (i == 0 ? " vol 0" : ""))
                                  .c_str()),
                  0);
    ASSERT_EQ(
        std::system(("convert -size 320x240 xc:red '" + P("p.png").toStdString() + "'").c_str()),
        0);
    const CliRun made = Cli({"new", P("show.qvs"), "--seconds", "6", P("p.png"), "--music",
                             P("a.wav"), "--music", P("b.wav"), "--music", P("c.wav")});
    ASSERT_EQ(made.Status, 0) << made.Err.toStdString();
    // Damage the second track inside the show: its header (the only one at 22050 Hz) becomes
    // noise, so it can no longer be decoded.
    QFile show(P("show.qvs"));
    ASSERT_TRUE(show.open(QIODevice::ReadWrite));
    QByteArray bytes = show.readAll();
    QFile second(P("b.wav"));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    const QByteArray header = second.read(44);
    const qsizetype at = bytes.indexOf(header);
    ASSERT_GE(at, 0);
    for (int i = 0; i < 44; ++i)
        bytes[at + i] = static_cast<char>(0xA5 ^ i);
    ASSERT_TRUE(show.seek(0));
    ASSERT_EQ(show.write(bytes), bytes.size());
    show.close();

    const CliRun r = Cli({"export", P("show.qvs"), P("out.avi"), "--codec", "XVID"});
    ASSERT_EQ(r.Status, 0) << r.Err.toStdString();
    const QStringList warnings = r.Err.split('\n').filter("warning");
    ASSERT_EQ(warnings.size(), 1) << r.Err.toStdString();
    EXPECT_TRUE(warnings[0].contains("track 2")) << r.Err.toStdString();
    EXPECT_FALSE(r.Err.contains(" @ 0x")) << r.Err.toStdString(); // no "[codec @ 0x...]" line
    // The third track (880 Hz) starts at 4 s, after two seconds of silence for the second.
    QProcess ff;
    ff.start("ffmpeg", {"-v", "error", "-i", P("out.avi"), "-vn", "-f", "s16le", "-ac", "1", "-ar",
                        "44100", "-"});
    ASSERT_TRUE(ff.waitForFinished(60000));
    const QByteArray pcm = ff.readAllStandardOutput();
    ASSERT_EQ(pcm.size(), 6 * 44100 * 2);
    qsizetype first = 0;
    for (; first + 1 < pcm.size(); first += 2)
        if (std::abs(static_cast<std::int16_t>((static_cast<std::uint8_t>(pcm[first + 1]) << 8) |
                                               static_cast<std::uint8_t>(pcm[first]))) > 100)
            break;
    EXPECT_NEAR(static_cast<double>(first / 2) / 44100.0, 4.0, 0.01);
}

} // namespace

} // namespace export_cli_test
