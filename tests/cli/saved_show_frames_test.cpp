// A show saved by an earlier version of the program exports to the very frames and samples it
// exported to then: the AVI (composed 24-bit frames, PCM sound) and the MP4 (frames drawn into
// the encoder's planes, AAC sound), each frame compared by its checksum as ffmpeg decodes it.
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
    ExpectSameVideo(mp4, "mp4");
}

} // namespace saved_show_frames_test
