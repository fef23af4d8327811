// Clips keep the length of their trim through the console tool's retimings: a show made with
// --seconds exports its clip whole, and fitting to the music and cuts on the beat retime the photos
// around the clips, the fitted show still ending with the music.
#include "render/ShowTimeline.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>

namespace clip_length_test {

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun RunProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

CliRun Cli(const QStringList& args) {
    return RunProgram(QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"), args);
}

bool Shell(const QString& command) {
    return std::system(command.toLocal8Bit().constData()) == 0;
}

class ClipLengthTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString P(const QString& name) const { return dir.filePath(name); }
    // A small silent H.264 clip of `seconds` (silent, so the beats are the music's alone).
    QString Clip(const QString& name, double seconds) {
        const QString path = P(name);
        EXPECT_TRUE(Shell("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25 "
                          "-t " +
                          QString::number(seconds) +
                          " -pix_fmt yuv420p -c:v libx264 -preset ultrafast '" + path + "'"));
        return path;
    }
    QString Photo() {
        const QString path = P("p.png");
        EXPECT_TRUE(Shell("convert -size 64x48 xc:'#336699' '" + path + "'"));
        return path;
    }
    // The slides as `info` lists them: times, and which are clips with their trims.
    struct Listed {
        std::vector<render::SlideTime> Times;
        std::vector<std::int64_t> TrimMs; // 0 for a photo
    };
    Listed Info(const QString& show) {
        const CliRun info = Cli({"info", show});
        EXPECT_EQ(info.status, 0) << info.err.toStdString();
        Listed listed;
        for (const auto& v : QJsonDocument::fromJson(info.out.toUtf8())["Slides"].toArray()) {
            const QJsonObject s = v.toObject();
            listed.Times.push_back({s["StillMs"].toInteger(), s["TransitionMs"].toInteger()});
            const QJsonArray trim = s["Clip"].toObject()["Trim"].toArray();
            listed.TrimMs.push_back(trim.isEmpty() ? 0 : trim[1].toInteger() - trim[0].toInteger());
        }
        return listed;
    }
    // Every clip on screen exactly as long as its trim, from the start of the transition that
    // brings it in to the end of its own.
    static void ExpectClipsAtTheirTrims(const Listed& listed, const char* when) {
        const render::ShowTimeline timeline(listed.Times);
        for (std::size_t i = 0; i < listed.TrimMs.size(); ++i)
            if (listed.TrimMs[i] > 0) {
                EXPECT_EQ(timeline.VisibleToMs(i) - timeline.VisibleFromMs(i), listed.TrimMs[i])
                    << when << ": slide " << i + 1;
            }
    }
    QTemporaryDir dir;
};

TEST_F(ClipLengthTest, AShowMadeWithSecondsExportsItsClipWhole) {
    const QString show = P("show.qvs");
    const CliRun made = Cli({"new", show, "--resolution", "64x48", "--seconds", "2", Photo(),
                             Clip("four.mp4", 4), Photo()});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    const Listed listed = Info(show);
    ASSERT_EQ(listed.Times.size(), 3u);
    ExpectClipsAtTheirTrims(listed, "new");
    EXPECT_EQ(listed.Times[0].StillMs, 2000);
    EXPECT_EQ(listed.Times[2].StillMs, 2000);

    // The video lasts 2 + 4 + 2 s: 200 frames at 25 a second.
    const QString out = P("out.mp4");
    const CliRun exported = Cli({"export", show, out, "--size", "720p", "--speed", "ultrafast"});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    const CliRun probe = RunProgram("ffprobe", {"-v", "error", "-count_frames", "-select_streams",
                                                "v:0", "-show_entries", "stream=nb_read_frames",
                                                "-of", "default=nw=1:nk=1", out});
    EXPECT_EQ(probe.out.trimmed().toInt(), 200) << probe.err.toStdString();

    // --seconds for every slide retimes the photos; for the clip alone it is refused.
    ASSERT_EQ(Cli({"edit", show, "--all", "--seconds", "3", "--transition", "2:0.5"}).status, 0);
    const Listed edited = Info(show);
    EXPECT_EQ(edited.Times[0].StillMs, 3000);
    ExpectClipsAtTheirTrims(edited, "edit --all");
    const CliRun refused = Cli({"edit", show, "--slide", "2", "--seconds", "1"});
    EXPECT_NE(refused.status, 0);
    EXPECT_TRUE(refused.err.contains("trim")) << refused.err.toStdString();
}

// Photos and two clips (3.5 s and 4 s, cut in by half-second wipes) fitted to 20 s of clicks every
// half second: the clips keep their trims and the show ends with the music within a frame; cut on
// the beat afterwards, the clips stay as they are and the photos' cuts land on the clicks.
TEST_F(ClipLengthTest, FittingAndBeatCutsRetimeThePhotosAroundTheClips) {
    const QString clicks = P("clicks.wav");
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + clicks +
                      "' synth 0.01 sine 1000 vol 0.8 pad 0 0.49 repeat 39"));
    const QString show = P("show.qvs");
    const QString photo = Photo();
    const CliRun made = Cli({"new", show, "--resolution", "64x48", "--seconds", "2", "--transition",
                             "2:0.5", "--music", clicks, photo, Clip("four.mp4", 4), photo,
                             Clip("short.mp4", 3.5), photo, photo});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    const Listed before = Info(show);
    ASSERT_EQ(before.Times.size(), 6u);
    ExpectClipsAtTheirTrims(before, "new");

    CliRun r = Cli({"edit", show, "--show", "--end-fade", "0", "--fit-music"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("4 of 6 photos retimed, 2 clips kept at their trims"))
        << r.err.toStdString();
    const Listed fitted = Info(show);
    ExpectClipsAtTheirTrims(fitted, "fitted");
    const auto frames = render::ShowTimeline(fitted.Times).Spans(render::FrameRate{});
    EXPECT_LE(std::abs(static_cast<double>(frames.back().End) * 40.0 - 20000.0), 40.0);
    // The photos share what the clips leave, in the proportions they had.
    EXPECT_GT(fitted.Times[0].StillMs, 2000);
    EXPECT_NEAR(fitted.Times[0].StillMs, fitted.Times[5].StillMs, 1);

    r = Cli({"edit", show, "--show", "--beat-cuts"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("2 clips kept at their trims")) << r.err.toStdString();
    const Listed cut = Info(show);
    ExpectClipsAtTheirTrims(cut, "cut on the beat");
    const auto cutFrames = render::ShowTimeline(cut.Times).Spans(render::FrameRate{});
    for (std::size_t i = 0; i < cut.Times.size(); ++i)
        if (cut.TrimMs[i] == 0 && cutFrames[i].CutMs < 20000) {
            const double at = static_cast<double>(cutFrames[i].Cut) * 40.0;
            EXPECT_LE(std::abs(at - std::round(at / 500.0) * 500.0), 40.0) << "photo " << i + 1;
        }
}

} // namespace

} // namespace clip_length_test
