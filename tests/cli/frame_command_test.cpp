// `reelpane-cli frame` draws what the video shows: at times spread over every kind of slide and
// transition of a saved show, its PNG equals the frame of the uncompressed AVI on screen then;
// bad requests are one-line refusals that write nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <random>

namespace frame_command_test {

const QString kShow = QStringLiteral(REELPANE_TEST_SOURCE_DIR "/tests/data/saved_show/show.qvs");

struct Ran {
    int Status = -1;
    QByteArray Out;
    QString Err;
};

Ran Exec(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

Ran Cli(const QStringList& args) {
    return Exec(QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"), args);
}

// The picture as 24-bit RGB bytes, decoded by ffmpeg; frame n of a video, or a picture file.
QByteArray Pixels(const QString& file, int frame = -1) {
    QStringList args{"-v", "error", "-i", file};
    if (frame >= 0)
        args << "-vf" << QString("select=eq(n\\,%1)").arg(frame) << "-frames:v"
             << "1";
    args << "-f"
         << "rawvideo"
         << "-pix_fmt"
         << "rgb24"
         << "-";
    return Exec("ffmpeg", args).Out;
}

TEST(FrameCommand, ThePictureAtAnyTimeIsTheVideosFrameThen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString avi = dir.filePath("show.avi");
    // A copy: an export stores its choices in the show it writes.
    const QString show = dir.filePath("show.qvs");
    ASSERT_TRUE(QFile::copy(kShow, show));
    const Ran exported = Cli({"export", show, avi, "--codec", "none", "--size", "standard"});
    ASSERT_EQ(exported.Status, 0) << exported.Err.toStdString();
    // Times in every part of the 13 s show, and a few anywhere, to the millisecond.
    std::vector<double> times{0.0, 0.5, 1.25, 1.999, 2.5, 3.7, 4.52, 5.5, 7.3, 9.0, 11.2, 12.96};
    std::mt19937 random(11);
    std::uniform_int_distribution<int> ms(0, 12999);
    for (int k = 0; k < 4; ++k)
        times.push_back(ms(random) / 1000.0);
    for (const double t : times) {
        const QString png = dir.filePath("frame.png");
        const Ran drawn =
            Cli({"frame", kShow, png, "--at", QString::number(t, 'f', 3), "--size", "standard"});
        ASSERT_EQ(drawn.Status, 0) << drawn.Err.toStdString();
        // The frame on screen at t: the last one that has begun (frame n begins at 40·n ms).
        const int n = static_cast<int>(std::llround(t * 1000.0)) / 40;
        const QByteArray want = Pixels(avi, n);
        const QByteArray got = Pixels(png);
        ASSERT_EQ(got.size(), want.size()) << "at " << t;
        int worst = 0;
        for (int i = 0; i < got.size(); ++i)
            worst = std::max(worst, std::abs(static_cast<unsigned char>(got[i]) -
                                             static_cast<unsigned char>(want[i])));
        EXPECT_LE(worst, 1) << "at " << t << " s (frame " << n << ")";
    }
}

TEST(FrameCommand, BadRequestsAreRefusedAndWriteNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath("frame.png");
    const QList<QStringList> bad{
        {"frame", kShow, png},                               // no time
        {"frame", kShow, png, "--at", "13.0"},               // the show has ended
        {"frame", kShow, png, "--at", "-1"},                 // before it begins
        {"frame", kShow, png, "--at", "1", "--size", "0x5"}, // no picture
        {"frame", kShow, dir.filePath("frame.jpg"), "--at", "1"},
        {"frame", dir.filePath("missing.qvs"), png, "--at", "1"},
    };
    for (const QStringList& args : bad) {
        const Ran r = Cli(args);
        EXPECT_NE(r.Status, 0) << args.join(' ').toStdString();
        EXPECT_EQ(r.Err.count('\n'), 1) << r.Err.toStdString();
        EXPECT_FALSE(QFile::exists(png));
    }
    // At the default 720p the picture is 1280 x 720.
    ASSERT_EQ(Cli({"frame", kShow, png, "--at", "2"}).Status, 0);
    EXPECT_EQ(Pixels(png).size(), 1280 * 720 * 3);
}

} // namespace frame_command_test
