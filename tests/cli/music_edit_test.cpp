// reelpane-cli edit on a show's music: track fades and volumes, the show's options, "fit photos
// to the music" against a long track, "change photos on the beat" against a click track, and the
// one-line refusals that leave the file as it was.
#include "render/ShowTimeline.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace music_edit_test {

namespace {

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

CliRun Cli(const QStringList& args) {
    QProcess p;
    p.setProgram(QStringLiteral(REELPANE_TEST_BINARY_DIR "/reelpane-cli"));
    p.setArguments(args);
    p.start();
    p.waitForFinished(300000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QByteArray Digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool Shell(const QString& command) {
    return std::system(command.toLocal8Bit().constData()) == 0;
}

// ffmpeg's EBU R128 meter on the stretch [from, to) seconds of a file's sound: the integrated
// loudness in LUFS and the true peak in dBTP (NaN when it printed none).
std::pair<double, double> Loudness(const QString& file, double from, double to) {
    QProcess ff;
    ff.start("ffmpeg", {"-nostats", "-hide_banner", "-i", file, "-af",
                        QString("atrim=start=%1:end=%2,ebur128=peak=true").arg(from).arg(to), "-f",
                        "null", "-"});
    ff.waitForFinished(120000);
    const QString text = QString::fromUtf8(ff.readAllStandardError());
    // The summary comes last: the last match of each.
    auto last = [&](const QString& pattern) {
        double value = std::nan("");
        auto it = QRegularExpression(pattern).globalMatch(text);
        while (it.hasNext())
            value = it.next().captured(1).toDouble();
        return value;
    };
    return {last(R"(I:\s+(-?[0-9.]+) LUFS)"), last(R"(Peak:\s+(-?[0-9.]+))")};
}

class MusicEditTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString P(const QString& name) const { return dir.filePath(name); }
    // A new show of `photos` small photos with one track, made by the console tool.
    QString MakeShow(int photos, const QString& track, const QStringList& options = {}) {
        const QString photo = P("p.png");
        EXPECT_TRUE(Shell("convert -size 64x48 xc:'#336699' '" + photo + "'"));
        QStringList args{"new", P("show.qvs"), "--resolution", "64x48", "--music", track};
        args += options;
        for (int i = 0; i < photos; ++i)
            args << photo;
        const CliRun made = Cli(args);
        EXPECT_EQ(made.status, 0) << made.err.toStdString();
        return P("show.qvs");
    }
    // The left channel of a video's sound at 44.1 kHz, as ffmpeg decodes it, in -1..1.
    std::vector<double> LeftChannel(const QString& video) {
        const QString raw = P("left.raw");
        EXPECT_TRUE(Shell("ffmpeg -v error -i '" + video +
                          "' -map 0:a -af 'pan=mono|c0=c0' -f s16le -y '" + raw + "'"));
        QFile file(raw);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        std::vector<double> left(static_cast<std::size_t>(bytes.size() / 2));
        for (std::size_t i = 0; i < left.size(); ++i) {
            std::int16_t v = 0;
            std::memcpy(&v, bytes.constData() + 2 * i, 2);
            left[i] = v / 32768.0;
        }
        return left;
    }
    QJsonObject Info(const QString& show) {
        const CliRun info = Cli({"info", show});
        EXPECT_EQ(info.status, 0) << info.err.toStdString();
        return QJsonDocument::fromJson(info.out.toUtf8()).object();
    }
    // The slides' exact times as `info` prints them.
    static std::vector<render::SlideTime> Times(const QJsonObject& info) {
        std::vector<render::SlideTime> times;
        for (const auto& v : info["Slides"].toArray())
            times.push_back(
                {v.toObject()["StillMs"].toInteger(), v.toObject()["TransitionMs"].toInteger()});
        return times;
    }
    QTemporaryDir dir;
};

TEST_F(MusicEditTest, TrackFadesVolumeAndShowOptionsWithRefusals) {
    const QString tone = P("tone.wav");
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + tone + "' synth 6 sine 440 vol 0.5"));
    const QString show = MakeShow(2, tone);
    QJsonObject info = Info(show);
    // A new show fades its music out at the end; the track's loudness was measured at import.
    EXPECT_EQ(info["Options"].toObject()["EndFadeSeconds"].toDouble(), 3.0);
    const QJsonObject track = info["Sounds"].toArray()[0].toObject();
    ASSERT_TRUE(track.contains("LoudnessLufs"));
    // A sine at half scale on both channels: about −6 LUFS, its peak about −6 dBTP.
    EXPECT_NEAR(track["LoudnessLufs"].toDouble(), -6.0, 1.0);
    EXPECT_NEAR(track["TruePeakDb"].toDouble(), -6.0, 0.5);

    CliRun r = Cli(
        {"edit", show, "--track", "1", "--fade-in", "1.5", "--fade-out=2.25", "--volume", "40"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", show, "--show", "--crossfade-tracks", "2.5", "--end-fade", "0",
             "--even-loudness", "on"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    info = Info(show);
    const QJsonObject edited = info["Sounds"].toArray()[0].toObject();
    EXPECT_EQ(edited["FadeInSeconds"].toDouble(), 1.5);
    EXPECT_EQ(edited["FadeOutSeconds"].toDouble(), 2.25);
    EXPECT_EQ(edited["Volume"].toInt(), 40);
    const QJsonObject options = info["Options"].toObject();
    EXPECT_EQ(options["TrackCrossfadeSeconds"].toDouble(), 2.5);
    EXPECT_EQ(options["EndFadeSeconds"].toDouble(), 0.0);
    EXPECT_TRUE(options["EvenLoudness"].toBool());

    // Refusals: one line on standard error, the file untouched.
    const QByteArray before = Digest(show);
    const std::vector<std::pair<QStringList, QString>> refused = {
        {{"edit", show, "--track", "1", "--fade-in", "10.5"},
         "--fade-in needs seconds from 0 to 10"},
        {{"edit", show, "--all-tracks", "--fade-out", "x"}, "--fade-out needs seconds"},
        {{"edit", show, "--track", "2", "--volume", "5"}, "no track 2: the show has 1"},
        {{"edit", show, "--track", "1", "--volume", "101"}, "--volume needs a whole number"},
        {{"edit", show, "--show", "--volume", "5"}, "go with --track or --all-tracks"},
        {{"edit", show, "--all-tracks", "--fit-music"}, "go with --show"},
        {{"edit", show, "--show", "--even-loudness", "maybe"}, "--even-loudness needs on or off"},
        {{"edit", show, "--show", "--track", "1", "--end-fade", "1"}, "usage: edit"},
        {{"edit", show, "--show"}, "no edit given"},
    };
    for (const auto& [args, message] : refused) {
        r = Cli(args);
        EXPECT_EQ(r.status, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("reelpane-cli: ")) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(message)) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    EXPECT_EQ(Digest(show), before);
}

TEST_F(MusicEditTest, AHundredPhotosFittedToA307Point3SecondTrackEndWithinAFrame) {
    const QString track = P("long.wav");
    ASSERT_TRUE(Shell("sox -n -r 22050 -c 1 -b 16 '" + track + "' synth 307.3 sine 330 vol 0.3"));
    const QString show = MakeShow(100, track, {"--transition", "2:1"});
    const CliRun r = Cli({"edit", show, "--show", "--fit-music"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject info = Info(show);
    const auto times = Times(info);
    ASSERT_EQ(times.size(), 100u);
    const auto frames = render::ShowTimeline(times).Spans(render::FrameRate{});
    const double endMs = static_cast<double>(frames.back().End) * 40.0;
    EXPECT_LE(std::abs(endMs - 307300.0), 40.0) << endMs;
    // The proportions stay (10 s still, 1 s transition), and older readers see rounded seconds.
    const QJsonObject first = info["Slides"].toArray()[0].toObject();
    EXPECT_NEAR(first["StillMs"].toDouble() / first["TransitionMs"].toDouble(), 10.0, 0.05);
    EXPECT_EQ(first["ShowSeconds"].toInt(), 3);
    EXPECT_EQ(first["TransitionSeconds"].toInt(), 0);
}

// Two shows on click tracks, every cut within a frame of a click: at 120 BPM (a 10 ms click every
// 0.5 s from 0.23 s on, so a show cut on whole seconds is off every beat), and a fast show of ten
// 1 s photos at 100 BPM whose retimed cuts run past the show's first length into the rest of its
// music.
TEST_F(MusicEditTest, BeatCutsPutEveryCutOfAShowWithinAFrameOfAClick) {
    struct Case {
        const char* name;
        const char* sox; // the click track after the file name
        double firstMs, periodMs;
        int photos;
        QStringList options;
        bool offBeatBefore; // every planned cut is off the beat
    };
    const Case cases[] = {
        {"clicks120.wav",
         "synth 0.01 sine 1000 vol 0.8 pad 0 0.49 repeat 59 pad 0.23 0",
         230,
         500,
         9,
         {"--seconds", "2", "--transition", "1:1"},
         true},
        {"clicks100.wav",
         "synth 0.01 sine 1000 vol 0.8 pad 0 0.59 repeat 33",
         0,
         600,
         10,
         {"--seconds", "1"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString clicks = P(c.name);
        ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + clicks + "' " + c.sox));
        const QString show = MakeShow(c.photos, clicks, c.options);
        const std::vector<render::SlideTime> before = Times(Info(show));
        const CliRun r = Cli({"edit", show, "--show", "--end-fade", "0", "--beat-cuts"});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("moved onto the beat")) << r.err.toStdString();
        const auto times = Times(Info(show));
        ASSERT_EQ(times.size(), static_cast<std::size_t>(c.photos));
        const auto frames = render::ShowTimeline(times).Spans(render::FrameRate{});
        const auto planned = render::ShowTimeline(before).Spans(render::FrameRate{});
        for (std::size_t i = 0; i < times.size(); ++i) {
            EXPECT_GE(times[i].StillMs, 1000) << i;
            EXPECT_EQ(times[i].TransitionMs, before[i].TransitionMs) << i;
            const double at = static_cast<double>(frames[i].Cut) * 40.0;
            const double click = c.firstMs + std::round((at - c.firstMs) / c.periodMs) * c.periodMs;
            EXPECT_LE(std::abs(at - click), 40.0) << "cut " << i << " at " << at << " ms";
            if (c.offBeatBefore) {
                EXPECT_GT(std::abs(at - static_cast<double>(planned[i].Cut) * 40.0), 100.0) << i;
            }
        }
    }
}

// The fades on a decoded export: the AVI's PCM sound, read back by ffmpeg, follows the track's
// equal-power fade-in and the show's end fade in 100 ms windows, and is silent at its last sample.
TEST_F(MusicEditTest, AnExportedVideoSoundsItsFadesAndEndsInSilence) {
    const QString tone = P("tone.wav");
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + tone + "' synth 20 sine 440 vol 0.4"));
    const QString show = MakeShow(2, tone, {"--seconds", "3", "--transition", "1:1"});
    ASSERT_EQ(Cli({"edit", show, "--track", "1", "--fade-in", "1"}).status, 0);
    ASSERT_EQ(Cli({"edit", show, "--show", "--end-fade", "2"}).status, 0);
    double videoMs = 0;
    for (const auto& t : Times(Info(show)))
        videoMs += static_cast<double>(t.StillMs + t.TransitionMs);
    const CliRun exported = Cli({"export", show, P("out.avi"), "--codec", "none"});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    const std::vector<double> left = LeftChannel(P("out.avi"));
    ASSERT_EQ(static_cast<double>(left.size()), videoMs * 441 / 10);
    auto rms = [&](double from) {
        const auto first = static_cast<std::size_t>(std::lround(from * 44100));
        double sum = 0;
        for (std::size_t i = first; i < first + 4410; ++i)
            sum += left[i] * left[i];
        return std::sqrt(sum / 4410);
    };
    const double level = 0.4 / std::sqrt(2.0);
    const double end = videoMs / 1000, fadeFrom = end - 2;
    for (double t0 = 0; t0 + 0.1 <= end + 1e-9; t0 += 0.1) {
        // The mean square of the gain over the window, by the midpoint rule.
        double mean = 0;
        for (int k = 0; k < 100; ++k) {
            const double t = t0 + (k + 0.5) * 0.001;
            double g = t < 1 ? std::sin(std::acos(-1.0) / 2 * t) : 1.0;
            if (t > fadeFrom)
                g *= std::cos(std::acos(-1.0) / 2 * (t - fadeFrom) / 2);
            mean += g * g / 100;
        }
        EXPECT_NEAR(rms(t0), level * std::sqrt(mean), 0.01 * level + 0.002) << t0 << " s";
    }
    EXPECT_EQ(left.back(), 0.0);
}

// A cross-fade between two tracks, heard in the AVI's PCM sound: the second track starts 2 s
// before the first ends, and over those 2 s the first falls and the second rises on the
// equal-power curves, to within a percent of full scale in every 100 ms.
TEST_F(MusicEditTest, ConsecutiveTracksCrossFadeOnTheEqualPowerCurves) {
    const QString a = P("a.wav"), b = P("b.wav");
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + a + "' synth 6 sine 440 vol 0.4"));
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + b + "' synth 6 sine 880 vol 0.4"));
    const QString show = MakeShow(2, a, {"--seconds", "5", "--music", b});
    ASSERT_EQ(Cli({"edit", show, "--show", "--end-fade", "0", "--crossfade-tracks", "2"}).status,
              0);
    const CliRun exported = Cli({"export", show, P("out.avi"), "--codec", "none"});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    const std::vector<double> left = LeftChannel(P("out.avi"));
    ASSERT_EQ(left.size(), 10u * 44100);
    // A tone's amplitude over 4 410 samples (a whole number of its periods).
    const auto amplitude = [&](std::size_t first, double hz) {
        const double w = 2 * std::acos(-1.0) * hz / 44100;
        double re = 0, im = 0;
        for (std::size_t i = 0; i < 4410; ++i) {
            re += left[first + i] * std::cos(w * static_cast<double>(i));
            im += left[first + i] * std::sin(w * static_cast<double>(i));
        }
        return 2 * std::hypot(re, im) / 4410;
    };
    const double quarter = std::acos(-1.0) / 2;
    for (int window = 30; window < 80; ++window) { // 3 s .. 8 s
        double gainA = 0, gainB = 0;               // their means over the window
        for (int k = 0; k < 100; ++k) {
            const double u = std::clamp((window * 0.1 + (k + 0.5) * 0.001 - 4) / 2, 0.0, 1.0);
            gainA += std::cos(quarter * u) / 100;
            gainB += std::sin(quarter * u) / 100;
        }
        const auto first = static_cast<std::size_t>(window) * 4410;
        EXPECT_NEAR(amplitude(first, 440), 0.4 * gainA, 0.01) << window * 0.1 << " s";
        EXPECT_NEAR(amplitude(first, 880), 0.4 * gainB, 0.01) << window * 0.1 << " s";
    }
}

// Even loudness heard in the MP4 itself: a quiet and a loud track, each 8 s, both play at
// -16 LUFS after the AAC encoder, with the true peak under -1 dBTP.
TEST_F(MusicEditTest, AnMp4PlaysAQuietAndALoudTrackAtMinus16) {
    const QString quiet = P("quiet.wav"), loud = P("loud.wav");
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + quiet + "' synth 8 sine 440 vol 0.03"));
    ASSERT_TRUE(Shell("sox -n -r 44100 -c 2 -b 16 '" + loud + "' synth 8 sine 660 vol 0.3"));
    const QString show = MakeShow(4, quiet, {"--seconds", "4", "--music", loud});
    ASSERT_EQ(Cli({"edit", show, "--show", "--end-fade", "0", "--even-loudness", "on"}).status, 0);
    const CliRun exported = Cli({"export", show, P("out.mp4"), "--size", "720p"});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    for (const double from : {0.5, 8.5}) {
        const auto [lufs, peak] = Loudness(P("out.mp4"), from, from + 7);
        EXPECT_NEAR(lufs, -16.0, 1.0) << "from " << from << " s";
        EXPECT_LE(peak, -1.0 + 0.5) << "from " << from << " s";
    }
}

} // namespace

} // namespace music_edit_test
