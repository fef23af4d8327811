// A show saved by an earlier version of the program exports to the very frames and samples it
// exported to then. The AVI (composed 24-bit frames, PCM sound) is compared frame by frame by its
// checksum as ffmpeg decodes it. The MP4's coded pictures depend on the encoder's choices, which
// differ between processors, so its frames are compared with the one renderer's frames at the same
// times by their signal-to-noise ratio; its frame count and its AAC sound are exact.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace saved_show_frames_test {

const QString kData = QStringLiteral(REELPANE_TEST_SOURCE_DIR "/tests/data/saved_show/");

QString Output(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("SDL_AUDIODRIVER", "dummy");
    p.setProcessEnvironment(env);
    p.start();
    p.waitForFinished(300000);
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList Lines(const QString& text) {
    return text.split('\n', Qt::SkipEmptyParts);
}

QStringList Expected(const QString& name) {
    QFile f(kData + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return Lines(QString::fromLatin1(f.readAll()));
}

// The last column of ffmpeg's framemd5 lines: one checksum per decoded video frame.
QStringList FrameSums(const QString& video) {
    QStringList sums;
    for (const QString& line : Lines(
             Output("ffmpeg", {"-v", "error", "-i", video, "-map", "0:v", "-f", "framemd5", "-"})))
        if (!line.startsWith('#'))
            sums << line.section(',', -1).trimmed();
    return sums;
}

QString SoundSum(const QString& video) {
    return Output("ffmpeg", {"-v", "error", "-i", video, "-map", "0:a", "-f", "md5", "-"})
        .trimmed()
        .remove("MD5=");
}

// ffmpeg's average PSNR in dB of two pictures of the same size (0 when it cannot tell).
double Psnr(const QString& a, const QString& b) {
    QProcess p;
    p.start("ffmpeg", {"-i", a, "-i", b, "-lavfi", "psnr", "-f", "null", "-"});
    p.waitForFinished(60000);
    const QString log = QString::fromUtf8(p.readAllStandardError());
    const int at = log.lastIndexOf("average:");
    if (at < 0)
        return 0;
    const QString value = log.mid(at + 8).section(' ', 0, 0).trimmed();
    return value == "inf" ? 100.0 : value.toDouble();
}

// Frames n of the MP4 look like the renderer's frame n at 25 fps: every slide, transition kind,
// motion and the end, each against a frame of its own time (a frame 10 apart in a wipe scores
// under 10 dB; x264 at the default quality over 35).
void ExpectRenderedFrames(const QString& cli, const QString& show, const QString& mp4,
                          const QString& dir) {
    for (const int n : {12, 40, 75, 110, 140, 175, 200, 240, 266, 280, 299, 310}) {
        const QString coded = dir + QString("/coded%1.png").arg(n);
        const QString drawn = dir + QString("/drawn%1.png").arg(n);
        Output("ffmpeg", {"-v", "error", "-i", mp4, "-vf", QString("select=eq(n\\,%1)").arg(n),
                          "-frames:v", "1", "-y", coded});
        int status = -1;
        Output(cli,
               {"frame", show, drawn, "--at", QString::number(n / 25.0, 'f', 2), "--size", "720p",
                "--fps", "25"},
               &status);
        ASSERT_EQ(status, 0) << "frame " << n;
        EXPECT_GT(Psnr(coded, drawn), 32.0) << "mp4: frame " << n << " is not the one drawn";
    }
}

void ExpectSameVideo(const QString& video, const QString& kind) {
    const QStringList want = Expected(kind + ".frames");
    const QStringList got = FrameSums(video);
    ASSERT_EQ(got.size(), want.size()) << kind.toStdString() << ": frame count";
    for (int n = 0; n < want.size(); ++n)
        ASSERT_EQ(got[n], want[n]) << kind.toStdString() << ": frame " << n << " differs";
    EXPECT_EQ(SoundSum(video), Expected(kind + ".sound").value(0)) << kind.toStdString();
}

TEST(SavedShow, ExportsTheFramesAndSamplesItExportedBefore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cli = QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli");
    // A copy: an export stores its choices in the show it writes.
    const QString show = dir.filePath("show.qvs");
    ASSERT_TRUE(QFile::copy(kData + "show.qvs", show));
    int status = -1;
    const QString avi = dir.filePath("out.avi");
    Output(cli, {"export", show, avi, "--codec", "none", "--size", "standard"}, &status);
    ASSERT_EQ(status, 0);
    ExpectSameVideo(avi, "avi");
    QFile::remove(avi);
    const QString mp4 = dir.filePath("out.mp4");
    Output(cli, {"export", show, mp4, "--size", "720p"}, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(FrameSums(mp4).size(), Expected("mp4.frames").size()) << "mp4: frame count";
    EXPECT_EQ(SoundSum(mp4), Expected("mp4.sound").value(0)) << "mp4";
    ExpectRenderedFrames(cli, show, mp4, dir.path());
}

} // namespace saved_show_frames_test
