// reelpane-cli edit on shows made from real photos: the pictures and records it leaves in the
// saved show, the fixed order of the light filters, and refusals that leave the file untouched.
#include "Outcomes.h"
#include "imaging/BmpFile.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ProjectOpen.h"
#include "project/ShowSession.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

namespace edit_test {

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
    p.waitForFinished(120000);
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

class NullProgress final : public base::Progress {};

// The show loaded back in this process, for its working pictures.
struct Loaded {
    explicit Loaded(const QString& path, const QString& tempRoot) {
        EXPECT_TRUE(QDir().mkpath(tempRoot));
        const auto opened = session.Open(tempRoot.toStdString());
        EXPECT_TRUE(opened) << (opened ? "" : opened.error());
        project::OpenImport importer;
        importer.AddPhoto = [](project::ShowContent& into, const project::WorkFiles& files,
                               const project::PhotoSettings& photos,
                               const std::string& p) -> project::ImportStatus {
            return project::StatusOf(project::AddPhoto(into, files, photos, p));
        };
        importer.AddTrack = [](project::ShowContent&, const project::WorkFiles&,
                               const std::string&) {
            return project::ImportStatus(project::ImportNote::Skip("no track wanted"));
        };
        NullProgress progress;
        const auto result =
            project::OpenProjectOver(session, path.toStdString(), progress, importer);
        EXPECT_EQ(outcomes::OutcomeOf(result), project::LoadOutcome::Loaded)
            << outcomes::ErrorOf(result);
    }
    imaging::Bitmap Picture(std::size_t i) {
        imaging::Bitmap b;
        EXPECT_LT(i, session.Show().Slides().size());
        if (i < session.Show().Slides().size()) {
            auto loaded = imaging::LoadBmpFile(session.Show().Slides()[i].WorkFile);
            EXPECT_TRUE(loaded) << loaded.error();
            if (loaded)
                b = std::move(*loaded);
        }
        return b;
    }
    project::ShowSession session;
};

// B, G, R of a pixel.
std::array<int, 3> Pixel(const imaging::Bitmap& b, int x, int y) {
    const std::uint8_t* p = b.Row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

class EditTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString P(const QString& name) const { return dir.filePath(name); }
    // A show of photos made with ImageMagick; 1280-wide landscapes keep their size on import.
    QString MakeShow(const QStringList& convertArgs) {
        QStringList photos;
        for (int i = 0; i < convertArgs.size(); ++i) {
            const QString photo = P(QString("p%1.png").arg(i));
            const QString cmd = "convert " + convertArgs[i] + " '" + photo + "'";
            EXPECT_EQ(std::system(cmd.toLocal8Bit().constData()), 0) << cmd.toStdString();
            photos << photo;
        }
        const QString show = P("show.qvs");
        const CliRun made = Cli(QStringList{"new", show, "--resolution", "1280x1024"} + photos);
        EXPECT_EQ(made.status, 0) << made.err.toStdString();
        return show;
    }
    QJsonArray Slides(const QString& show) {
        const CliRun info = Cli({"info", show});
        EXPECT_EQ(info.status, 0) << info.err.toStdString();
        return QJsonDocument::fromJson(info.out.toUtf8()).object()["Slides"].toArray();
    }
    QTemporaryDir dir;
};

TEST_F(EditTest, CropAndQuarterTurnsSetTheSizes) {
    const QString show = MakeShow({"-size 1280x640 xc:'#C86428'", "-size 1280x640 xc:'#C86428'",
                                   "-size 1280x640 xc:'#C86428'"});
    // 400 x 200 of slide 1 is fitted again to the width 1280; corners may come reversed.
    CliRun r = Cli({"edit", show, "--slide", "1", "--crop", "500,300,100,100"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Slide 2 turned right: 640 x 1280, which the import fits to the height 1024 on loading.
    r = Cli({"edit", show, "--slide", "2", "--turn", "right"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Slide 3 turned right, left and mirrored: back to landscape.
    r = Cli(
        {"edit", show, "--slide", "3", "--turn", "right", "--turn", "left", "--turn", "mirror"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray slides = Slides(show);
    ASSERT_EQ(slides.size(), 3);
    EXPECT_EQ(slides[0].toObject()["Width"].toInt(), 1280);
    EXPECT_EQ(slides[0].toObject()["Height"].toInt(), 640);
    // The originals keep the edits as steps, in fractions of the picture they were made on.
    const QJsonObject original = slides[0].toObject()["Original"].toObject();
    EXPECT_EQ(original["DrawnFrom"].toString(), "original");
    EXPECT_EQ(QJsonDocument(original["Steps"].toArray()).toJson(QJsonDocument::Compact),
              R"([{"Crop":[0.078125,0.15625,0.390625,0.46875]}])");
    // A turn that undoes the one before takes it out: right then left leaves the mirror alone.
    EXPECT_EQ(QJsonDocument(slides[2].toObject()["Original"].toObject()["Steps"].toArray())
                  .toJson(QJsonDocument::Compact),
              R"([{"Turn":"mirror"}])");
    EXPECT_EQ(slides[1].toObject()["Width"].toInt(), 512);
    EXPECT_EQ(slides[1].toObject()["Height"].toInt(), 1024);
    EXPECT_EQ(slides[2].toObject()["Width"].toInt(), 1280);
    EXPECT_EQ(slides[2].toObject()["Height"].toInt(), 640);
}

TEST_F(EditTest, SepiaNegativeBackgroundSecondsAndTransition) {
    // R 200, G 100, B 40.
    const QString show = MakeShow({"-size 1280x640 xc:'#C86428'", "-size 1280x640 xc:'#C86428'"});
    CliRun r = Cli({"edit", show, "--slide", "1", "--effect", "sepia"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", show, "--slide", "2", "--effect", "negative"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli(
        {"edit", show, "--all", "--background", "102030", "--seconds", "7", "--transition", "3"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();

    Loaded loaded(show, P("tmp"));
    // Sepia: s = 340/300, weights (R 109, G 96, B 63) -> (124, 109, 71).
    EXPECT_EQ(Pixel(loaded.Picture(0), 640, 320), (std::array<int, 3>{71, 109, 124}));
    EXPECT_EQ(Pixel(loaded.Picture(1), 5, 5), (std::array<int, 3>{215, 155, 55}));
    const QJsonArray slides = Slides(show);
    for (const auto& s : slides) {
        EXPECT_EQ(s.toObject()["BackColor"].toInteger(), 0x302010);
        EXPECT_EQ(s.toObject()["ShowSeconds"].toInt(), 7);
        EXPECT_EQ(s.toObject()["TransitionKind"].toInt(), 3);
        EXPECT_EQ(s.toObject()["TransitionSeconds"].toInt(), 3);
    }
}

TEST_F(EditTest, LightRunsInItsOwnOrderWhateverTheOptionOrder) {
    const QString a = MakeShow({"-size 1280x640 gradient:'#204060'-'#C0A080'"});
    ASSERT_TRUE(QFile::copy(a, P("b.qvs")));
    CliRun r = Cli(
        {"edit", a, "--slide", "1", "--brightness", "30", "--contrast", "-16", "--gamma", "1.5"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", P("b.qvs"), "--slide", "1", "--gamma", "1.5", "--contrast", "-16",
             "--brightness", "30"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    Loaded la(a, P("ta"));
    Loaded lb(P("b.qvs"), P("tb"));
    const imaging::Bitmap pa = la.Picture(0);
    const imaging::Bitmap pb = lb.Picture(0);
    ASSERT_EQ(pa.Width, pb.Width);
    ASSERT_EQ(pa.Height, pb.Height);
    for (int y = 0; y < pa.Height; y += 37)
        ASSERT_EQ(Pixel(pa, 100, y), Pixel(pb, 100, y)) << "row " << y;
    // And the light did change the picture.
    const QString c = P("c.qvs");
    ASSERT_EQ(
        std::system(("convert -size 1280x640 gradient:'#204060'-'#C0A080' '" + P("c.png") + "'")
                        .toLocal8Bit()
                        .constData()),
        0);
    ASSERT_EQ(Cli({"new", c, P("c.png")}).status, 0);
    Loaded lc(c, P("tc"));
    EXPECT_NE(Pixel(lc.Picture(0), 100, 320), Pixel(pa, 100, 320));
}

// Motion and the newer transitions as info reads them back: the extension's kind and name with
// the nearest classic kind in the record, and a classic kind clearing the newer one again.
TEST_F(EditTest, MotionAndNamedTransitionsReadBack) {
    const QString show = MakeShow({"-size 640x480 xc:gray", "-size 640x480 xc:gray"});
    CliRun r = Cli({"edit", show, "--slide", "1", "--motion", "0.5,0.5,1:0.3,0.4,1.6:ease",
                    "--transition", "push-up:2"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", show, "--slide", "2", "--motion", "auto", "--transition", "crossfade"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QJsonArray slides = Slides(show);
    ASSERT_EQ(slides.size(), 2);
    const QJsonObject first = slides[0].toObject();
    const QJsonObject motion = first["Motion"].toObject();
    EXPECT_EQ(motion["Mode"].toString(), "manual");
    EXPECT_EQ(motion["Easing"].toString(), "ease");
    EXPECT_EQ(motion["Start"].toArray(), (QJsonArray{0.5, 0.5, 1.0}));
    EXPECT_EQ(motion["End"].toArray(), (QJsonArray{0.3, 0.4, 1.6}));
    EXPECT_EQ(first["TransitionKindExtended"].toInt(), 20);
    EXPECT_EQ(first["TransitionName"].toString(), "push-up");
    EXPECT_EQ(first["TransitionKind"].toInt(), 4); // the slide-in moving the same way
    EXPECT_EQ(first["TransitionSeconds"].toInt(), 2);
    const QJsonObject second = slides[1].toObject();
    EXPECT_EQ(second["Motion"].toObject()["Mode"].toString(), "auto");
    EXPECT_EQ(second["TransitionName"].toString(), "crossfade");
    EXPECT_EQ(second["TransitionKind"].toInt(), 0);
    EXPECT_EQ(second["TransitionSeconds"].toInt(), 3);

    r = Cli({"edit", show, "--all", "--motion", "none", "--transition", "6:1"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    slides = Slides(show);
    for (const auto& s : slides) {
        EXPECT_FALSE(s.toObject().contains("Motion"));
        EXPECT_FALSE(s.toObject().contains("TransitionKindExtended"));
        EXPECT_EQ(s.toObject()["TransitionName"].toString(), "6");
    }

    // new takes the names too.
    const QString made = P("named.qvs");
    r = Cli({"new", made, "--transition", "soft-left:4", P("p0.png")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    slides = Slides(made);
    ASSERT_EQ(slides.size(), 1);
    EXPECT_EQ(slides[0].toObject()["TransitionName"].toString(), "soft-left");
    EXPECT_EQ(slides[0].toObject()["TransitionSeconds"].toInt(), 4);
    r = Cli({"new", P("bad.qvs"), "--transition", "wipe", P("p0.png")});
    EXPECT_NE(r.status, 0);
    EXPECT_FALSE(QFile::exists(P("bad.qvs")));
}

// Durations in tenths of a second: the exact value plays, the record keeps the nearest whole
// seconds for older readers, an export lasts what the timeline says; a transition of no length
// is refused, and one longer than the photos beside it is stored as asked and named once.
TEST_F(EditTest, DecimalDurationsPlayExactlyAndLongTransitionsAreNamedOnce) {
    const QString show = MakeShow({"-size 640x480 xc:gray", "-size 640x480 xc:white"});
    CliRun r = Cli({"edit", show, "--all", "--seconds", "2.5", "--transition", "crossfade:0.5"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("longer"));
    QJsonArray slides = Slides(show);
    for (const auto& v : slides) {
        const QJsonObject s = v.toObject();
        EXPECT_EQ(s["StillMs"].toInt(), 2500);
        EXPECT_EQ(s["TransitionMs"].toInt(), 500);
        EXPECT_EQ(s["ShowSeconds"].toInt(), 3); // halves up, for older readers
        EXPECT_EQ(s["TransitionSeconds"].toInt(), 1);
    }
    // Photo 2 shorter than the transitions before and after it.
    r = Cli({"edit", show, "--slide", "2", "--seconds", "0.1"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.count("longer than"), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("the transitions after photos 1, 2 are longer"))
        << r.err.toStdString();
    EXPECT_EQ(Slides(show)[1].toObject()["StillMs"].toInt(), 100);
    const QString avi = P("out.avi");
    r = Cli({"export", show, avi, "--codec", "none", "--size", "standard"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // (2.5 + 0.5 + 0.1 + 0.5) s at 25 frames a second, as stored.
    EXPECT_TRUE(r.err.contains(" 90 frames")) << r.err.toStdString();

    const QByteArray before = [&] {
        QFile f(show);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    for (const QStringList& bad :
         {QStringList{"--transition", "crossfade:0"}, QStringList{"--transition", "crossfade:0.25"},
          QStringList{"--seconds", "0"}, QStringList{"--seconds", "2.55"}}) {
        r = Cli(QStringList{"edit", show, "--slide", "1"} + bad);
        EXPECT_NE(r.status, 0) << bad.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    QFile f(show);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

// A caption in any script is taken as typed: `info` prints it exactly, the show file's record
// holds the code-page text an older reader shows, and the caption is drawn into the picture.
TEST_F(EditTest, CaptionsInAnyScriptAreKeptExactly) {
    const QString show = MakeShow({"-size 1280x960 xc:gray"});
    const imaging::Bitmap before = Loaded(show, P("t0")).Picture(0);
    const QString text = QStringLiteral("Café Zürich Привет 東京 Ελλάδα");
    const CliRun r = Cli({"edit", show, "--slide", "1", "--caption", text, "--font", "Arial"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const CliRun info = Cli({"info", show});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(text)) << info.out.toStdString(); // as UTF-8, not escaped
    EXPECT_EQ(Slides(show)[0].toObject()["Caption"].toString(), text);

    QFile file(show);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QByteArray record =
        bytes.mid(16 + 2063 + 1, static_cast<std::uint8_t>(bytes.at(16 + 2063)));
    EXPECT_EQ(record, QByteArray("Caf? Z?rich \xcf\xf0\xe8\xe2\xe5\xf2 ?? ??????"));
    const imaging::Bitmap after = Loaded(show, P("t1")).Picture(0);
    ASSERT_EQ(after.Width, before.Width);
    EXPECT_NE(after.CopyToImage(), before.CopyToImage()); // the caption is drawn
}

TEST_F(EditTest, BadValuesGetOneLineAndLeaveTheFileUntouched) {
    const QString show = MakeShow({"-size 640x480 xc:gray"});
    const QByteArray before = Digest(show);
    ASSERT_FALSE(before.isEmpty());
    const QList<QStringList> bad = {
        {"--slide", "1", "--gamma", "0.15"},
        {"--slide", "1", "--gamma", "7.1"},
        {"--slide", "1", "--brightness", "101"},
        {"--slide", "1", "--contrast", "x"},
        {"--slide", "1", "--background", "12345G"},
        {"--slide", "1", "--caption", "A", "--align", "middle,top"},
        {"--slide", "1", "--font", "Arial"},
        {"--slide", "1", "--turn", "up"},
        {"--slide", "1", "--effect", "sepia2"},
        {"--slide", "1", "--seconds", "0"},
        {"--slide", "2", "--seconds", "5"},
        {"--slide", "0", "--seconds", "5"},
        {"--seconds", "5"},
        {"--slide", "1", "--all", "--seconds", "5"},
        {"--slide", "1"},
        {"--slide", "1", "--crop", "5,5,5,90"},     // a click without a drag
        {"--slide", "1", "--crop", "-50,0,-1,480"}, // wholly outside the picture
        {"--slide", "1", "--seconds", "5", "--crop", "1,2,3"},
        {"--slide", "1", "--transition", "14"},
        {"--slide", "1", "--transition", "dissolve"},
        {"--slide", "1", "--transition", "iris:2:3"},
        {"--slide", "1", "--motion", "zoom"},
        {"--slide", "1", "--motion", "0.5,0.5,1"},
        {"--slide", "1", "--motion", "0.5,0.5,1:1.5,0.5,1"},   // centre past the picture
        {"--slide", "1", "--motion", "0.5,0.5,0.5:0.5,0.5,1"}, // zoom under 1
        {"--slide", "1", "--motion", "0.5,0.5,1:0.5,0.5,2:smooth"},
        {"--slide", "1", "--seconds", "5", "--motion", "0.5,x,1:0.5,0.5,2"},
    };
    for (const QStringList& options : bad) {
        const CliRun r = Cli(QStringList{"edit", show} + options);
        const QString lastLine = r.err.trimmed().split('\n').last();
        EXPECT_NE(r.status, 0) << options.join(' ').toStdString();
        EXPECT_TRUE(lastLine.startsWith("reelpane-cli: ")) << r.err.toStdString();
        EXPECT_EQ(Digest(show), before) << options.join(' ').toStdString();
    }
}

} // namespace

namespace edit_title_test {

// rgb24 bytes of frame n of a video, decoded by ffmpeg.
QByteArray VideoFrame(const QString& video, int n) {
    QProcess p;
    p.start("ffmpeg", {"-v", "error", "-i", video, "-vf", QString("select=eq(n\\,%1)").arg(n),
                       "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
    p.waitForFinished(120000);
    return p.readAllStandardOutput();
}

} // namespace edit_title_test

// Titles put in by the console tool: before a slide or appended, refused past the end with the
// file untouched, listed by info, drawn at the centre of a 1080p export over their backdrop; and
// captions set moving, a still one too on a photo drawn from its original.
TEST_F(EditTest, TitlesGoInWhereAskedAndPlayAtTheCentreOfTheVideo) {
    const QString show = MakeShow({"-size 1280x640 xc:'#808080'", "-size 1280x640 xc:'#808080'"});
    CliRun r = Cli({"edit", show, "--all", "--seconds", "1"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray before = Digest(show);
    r = Cli({"edit", show, "--insert-title", "4", "--text", "Too far"});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("no place 4")) << r.err.toStdString();
    r = Cli({"edit", show, "--insert-title", "1", "--text", ""});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(Digest(show), before);

    r = Cli({"edit", show, "--insert-title", "1", "--text", "Hello", "--subtitle", "World",
             "--backdrop", "102030", "--seconds", "3", "--text-motion", "none"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", show, "--insert-title", "4", "--text", "The End", "--backdrop", "blur"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", show, "--slide", "2", "--caption", "Hi", "--caption-motion", "fade"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", show, "--slide", "2", "--caption-motion", "rise"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    r = Cli({"edit", show, "--slide", "3", "--caption", "Drawn"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray drawn = Digest(show);
    EXPECT_EQ(Slides(show)[2].toObject()["Original"].toObject()["Steps"].toArray().size(), 1);
    // A photo drawn from its original keeps its caption as a step: set moving, the step goes and
    // the caption moves over the frames instead.
    r = Cli({"edit", show, "--slide", "3", "--caption-motion", "fade"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_NE(Digest(show), drawn);
    EXPECT_EQ(Slides(show)[2].toObject()["CaptionMotion"].toString(), "fade");
    EXPECT_TRUE(Slides(show)[2].toObject()["Original"].toObject()["Steps"].toArray().isEmpty());
    const QByteArray moving = Digest(show);

    // A title's card is drawn from its text: the photo edits refuse it, its time is its own.
    r = Cli({"edit", show, "--slide", "1", "--turn", "right"});
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.err.contains("title slide")) << r.err.toStdString();
    EXPECT_EQ(Digest(show), moving);

    const QJsonArray slides = Slides(show);
    ASSERT_EQ(slides.size(), 4);
    const QJsonObject first = slides[0].toObject()["Title"].toObject();
    EXPECT_EQ(first["Text"].toString(), "Hello");
    EXPECT_EQ(first["Subtitle"].toString(), "World");
    EXPECT_EQ(first["Backdrop"].toString(), "102030");
    EXPECT_EQ(slides[0].toObject()["StillMs"].toInt(), 3000);
    EXPECT_EQ(slides[3].toObject()["Title"].toObject()["Backdrop"].toString(), "blur");
    EXPECT_EQ(slides[3].toObject()["Title"].toObject()["Motion"].toString(), "fade");
    EXPECT_EQ(slides[1].toObject()["CaptionMotion"].toString(), "rise");
    EXPECT_FALSE(slides[1].toObject().contains("Title"));

    const QString video = P("show.mp4");
    r = Cli({"export", show, video, "--size", "1080p", "--aspect", "16:9", "--fps", "25"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // 1.5 s in: the title alone. Its text is at the centre, light on the backdrop; the corners
    // and the edges are the backdrop's colour.
    const QByteArray frame = edit_title_test::VideoFrame(video, 37);
    ASSERT_EQ(frame.size(), 1920 * 1080 * 3);
    const auto at = [&](int x, int y, int c) {
        return static_cast<unsigned char>(frame[(y * 1920 + x) * 3 + c]);
    };
    for (const auto& [x, y] :
         {std::pair{20, 20}, {1900, 20}, {20, 1060}, {1900, 1060}, {300, 540}}) {
        EXPECT_NEAR(at(x, y, 0), 0x10, 6) << x << "," << y;
        EXPECT_NEAR(at(x, y, 1), 0x20, 6) << x << "," << y;
        EXPECT_NEAR(at(x, y, 2), 0x30, 6) << x << "," << y;
    }
    int left = 1920, right = -1, top = 1080, bottom = -1;
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x)
            if (at(x, y, 1) > 200) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GE(right, 0) << "no text in the frame";
    EXPECT_NEAR((left + right) / 2.0, 960.0, 12.0);
    EXPECT_NEAR((top + bottom) / 2.0, 540.0, 24.0);
    // The title at 9 % of the height and the subtitle below it: two lines' worth of text.
    EXPECT_GT(bottom - top, 1080 * 0.11);
}

// A clip comes in beside a photo; its trim, volume and sound are edited; photo edits refuse it,
// and a photo refuses a trim; `info` lists what the clip is.
TEST_F(EditTest, ClipsAreTrimmedAndListedAndRefusePhotoEdits) {
    const QString clip = P("walk.mov");
    const QString make = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=30 "
                         "-f lavfi -i sine=f=440:r=48000 -t 3 -pix_fmt yuv420p -c:v libx264 "
                         "-preset ultrafast -c:a aac '" +
                         clip + "'";
    ASSERT_EQ(std::system(make.toLocal8Bit().constData()), 0);
    const QString photo = P("p.png");
    ASSERT_EQ(std::system(("convert -size 640x480 xc:gray '" + photo + "'").toLocal8Bit()), 0);
    // A clip cut short is left out with a message naming it; the rest of the show comes in.
    const QString cut = P("cut.mp4");
    QFile whole(clip), part(cut);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && part.open(QIODevice::WriteOnly));
    part.write(whole.read(3000));
    part.close();
    const QString show = P("clips.qvs");
    CliRun r = Cli({"new", show, photo, cut, clip});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("skipped") && r.err.contains("cut.mp4")) << r.err.toStdString();
    ASSERT_EQ(Slides(show).size(), 2);

    QJsonObject listed = Slides(show)[1].toObject();
    QJsonObject c = listed["Clip"].toObject();
    EXPECT_EQ(c["Name"].toString(), "walk.mov");
    EXPECT_EQ(c["Codec"].toString(), "h264");
    EXPECT_EQ(c["Width"].toInt(), 320);
    EXPECT_EQ(c["Height"].toInt(), 240);
    EXPECT_NEAR(c["FrameRate"].toDouble(), 30, 0.01);
    EXPECT_NEAR(c["LengthMs"].toDouble(), 3000, 40);
    EXPECT_EQ(listed["StillMs"].toInteger(), c["LengthMs"].toInteger());
    EXPECT_FALSE(Slides(show)[0].toObject().contains("Clip"));

    r = Cli({"edit", show, "--slide", "2", "--trim", "0.5,2.25", "--clip-volume", "150"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    listed = Slides(show)[1].toObject();
    c = listed["Clip"].toObject();
    EXPECT_EQ(c["Trim"].toArray(), (QJsonArray{500, 2250}));
    EXPECT_EQ(c["Volume"].toInt(), 150);
    EXPECT_FALSE(c["Mute"].toBool());
    EXPECT_EQ(listed["StillMs"].toInteger(), 1750);
    r = Cli({"edit", show, "--slide", "2", "--mute"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(Slides(show)[1].toObject()["Clip"].toObject()["Mute"].toBool());

    // What does not fit is refused, naming the reason, and the file stays as it was.
    const QByteArray before = Digest(show);
    for (const QStringList& bad : {QStringList{"--slide", "2", "--trim", "2,1"},
                                   QStringList{"--slide", "2", "--trim", "0,9"},
                                   QStringList{"--slide", "2", "--clip-volume", "300"},
                                   QStringList{"--slide", "1", "--trim", "0,1"},
                                   QStringList{"--slide", "2", "--turn", "right"},
                                   QStringList{"--slide", "2", "--motion", "auto"}}) {
        r = Cli(QStringList{"edit", show} + bad);
        EXPECT_NE(r.status, 0) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
        EXPECT_EQ(Digest(show), before) << bad.join(' ').toStdString();
    }
    EXPECT_TRUE(Cli({"edit", show, "--slide", "1", "--trim", "0,1"}).err.contains("not a video"));
    EXPECT_TRUE(Cli({"edit", show, "--slide", "2", "--turn", "right"}).err.contains("filmed"));
}

// refit draws the photos again from their originals at a new photo size, as one saved change.
TEST_F(EditTest, RefitDrawsThePhotosAgainAtANewSize) {
    const QString show = MakeShow({"-size 1280x640 gradient:'#204060'-'#C0A080'",
                                   "-size 640x1280 gradient:'#602040'-'#80C0A0'"});
    const CliRun r = Cli({"refit", show, "--photo-size", "2560x2048", "--originals", P("p0.png")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Both have their originals already: none is looked for, both are drawn again.
    EXPECT_TRUE(r.err.contains("2 photo(s) drawn again from their originals at 2560x2048, 0 "
                               "original(s) found; 0 photo(s) drawn from their working picture"))
        << r.err.toStdString();
    const QJsonArray slides = Slides(show);
    ASSERT_EQ(slides.size(), 2);
    EXPECT_EQ(slides[0].toObject()["Width"].toInt(), 2560);
    EXPECT_EQ(slides[1].toObject()["Height"].toInt(), 2048);
    EXPECT_NE(Cli({"refit", show, "--photo-size", "big"}).status, 0);
}

} // namespace edit_test
