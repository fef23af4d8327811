// The full-screen preview on the main window, its clock driven by the test: the layout it enters
// and leaves, the pictures previewImage shows (slides and a slide-in caught half-way), the tracks
// that play with their volumes, pausing with Space, and stopping by Esc, by a click and at the end.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "base/ProgramFolder.h"
#include "imaging/Transition.h"
#include "imaging/TransitionKinds.h"
#include "media/audio/AudioLibrary.h"
#include "render/FrameRenderer.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using ui::MainWindowProbe;

namespace {

constexpr QRgb kRed = 0xffc82828, kGreen = 0xff28b428, kBlue = 0xff2828dc;
constexpr std::int32_t kGreyBack = 0x00505050; // 0x00BBGGRR

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photos_[3];
    std::int64_t now_ = 0;

    // A window with the real audio library on the silent device, its clock the test's.
    std::unique_ptr<MainWindowProbe> MakeWindow() {
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
        auto form = std::make_unique<MainWindowProbe>();
        // Photos are imported at their own size, so they are drawn unscaled on their bars.
        project::PhotoSettings photos = form->Show.Photos();
        photos.Resolution = "200x150";
        (void)form->History.Apply({project::edit::SetPhotoSettings{photos}}, "photo size");
        form->Dialogs.ShowMessage = [](const QString& text) {
            QFAIL(qPrintable("message: " + text));
        };
        form->Preview->Clock = [this] { return now_; };
        now_ = 0;
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qWarning("window not exposed");
        return form;
    }

    QString Wav(const QString& name, int seconds) {
        const QString path = tmp_.filePath(name);
        if (!QFile::exists(path))
            QProcess::execute("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth",
                                      QString::number(seconds), "sine", "330"});
        return path;
    }

    static QImage Shown(MainWindowProbe& form) {
        return Widget<QLabel>(form, "previewImage")->pixmap().toImage();
    }
    static QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xff000000; }
    static std::uint32_t Volume() {
        std::uint32_t volume = 0;
        media::Audio().Api().ChannelGetAttributes(media::Audio().CurrentTrack().Handle(), nullptr,
                                                  &volume, nullptr);
        return volume;
    }
    // One tick of each timer at the given time, once the frame on screen then is drawn.
    void TickAt(MainWindowProbe& form, std::int64_t ms) {
        now_ = ms;
        form.Preview->scheduleTick();
        if (form.Preview->Running() && !form.Preview->Paused())
            QVERIFY(form.Preview->WaitForFrame(5000));
        form.Preview->frameTick();
    }
    // What the renderer draws of the show at showMs, at the picture's size and the preview's rate.
    static QImage Rendered(MainWindowProbe& form, std::int64_t showMs) {
        const auto rate = render::FrameRate::Fps(ui::PreviewController::kFramesPerSecond);
        render::RenderOptions options;
        options.Rate = rate;
        options.ScratchPath = form.Work().PicturesDir() + "expected.bmp";
        render::FrameRenderer renderer(form.Show.Slides(), options);
        imaging::Bitmap frame =
            imaging::Bitmap::CreateSized(Widget<QLabel>(form, "previewImage")->width(),
                                         Widget<QLabel>(form, "previewImage")->height());
        renderer.Render(frame, render::ShowTimeline::FrameOnScreen(showMs, rate));
        return frame.CopyToImage().convertToFormat(QImage::Format_RGB32);
    }
    static void ExpectEditorLayout(MainWindowProbe& form) {
        QVERIFY(!form.Preview->Running());
        QVERIFY(!form.Busy());
        QVERIFY(Widget<QFrame>(form, "topBar")->isVisible());
        QVERIFY(Widget<QFrame>(form, "bottomBar")->isVisible());
        QVERIFY(Widget<QFrame>(form, "storyboardPanel")->isVisible());
        QVERIFY(form.menuBar()->isVisible());
        QVERIFY(!(form.windowFlags() & Qt::FramelessWindowHint));
        QVERIFY(!(form.windowState() & Qt::WindowMaximized));
        QVERIFY(form.acceptDrops());
        QVERIFY(!media::Audio().TrackPlaying());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        base::SetProgramFolderForTesting(tmp_.path()); // no library, no language files there
        const QRgb colours[3] = {kRed, kGreen, kBlue};
        for (int i = 0; i < 3; ++i) {
            QImage image(200, 150, QImage::Format_RGB32);
            image.fill(colours[i]);
            photos_[i] = tmp_.filePath(QString("photo%1.png").arg(i));
            QVERIFY(image.save(photos_[i]));
        }
    }

    void threeSlidesWithSlideInAndTwoTracks() {
        auto form = MakeWindow();
        MainWindowProbe& w = *form;
        for (const QString& photo : photos_)
            QVERIFY(w.Import->AddPhoto(photo));
        QVERIFY(w.Import->AddTrack(Wav("five.wav", 5)));
        QVERIFY(w.Import->AddTrack(Wav("twenty.wav", 20)));
        QCOMPARE(int(w.Show.Sounds()[0].PlaySeconds), 5);
        QCOMPARE(QImage(QString::fromStdString(w.Show.Slides()[0].WorkFile)).size(),
                 QSize(200, 150));
        w.Change([&](project::ShowContent& c) { c.Sounds[0].Volume = 70; });
        w.Change([&](project::ShowContent& c) { c.Sounds[1].Volume = 30; });
        // Tracks end to end without fades, as in older shows: each is played by itself.
        w.Change([&](project::ShowContent& c) { c.Options = project::ShowOptions{}; });
        // Slide 0: 0..2 s, slide-in from the right 2..4 s; slide 1: 4..6 s, no effect; slide 2:
        // 6..8 s, then its own transition's 3 s, as the video plays it, to the end at 11 s.
        // Track 0 from 0 s, track 1 from 5 s.
        const std::int32_t times[3][3] = {{2, 2, 2}, {2, 0, 0}, {2, 2, 3}};
        for (std::size_t i = 0; i < 3; ++i) {
            w.Change([&](project::ShowContent& c) {
                c.Slides[i].StillMs = std::int64_t{times[i][0]} * 1000;
            });
            w.Change([&](project::ShowContent& c) { c.Slides[i].TransitionKind = times[i][1]; });
            w.Change([&](project::ShowContent& c) {
                c.Slides[i].TransitionMs = std::int64_t{times[i][2]} * 1000;
            });
            w.Change([&](project::ShowContent& c) { c.Slides[i].BackColor = kGreyBack; });
        }
        w.Storyboard->SelectSlide(2);
        const QRect before = w.frameGeometry();

        w.Preview->start();
        QVERIFY(w.Preview->Running());
        QVERIFY(w.Busy());
        QCOMPARE(w.Storyboard->SelectedSlide(), 0);
        QVERIFY(!Widget<QFrame>(w, "topBar")->isVisible() &&
                !Widget<QFrame>(w, "bottomBar")->isVisible() &&
                !Widget<QFrame>(w, "storyboardPanel")->isVisible() && !w.menuBar()->isVisible());
        QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        QVERIFY(!w.acceptDrops());
        QTRY_VERIFY(Widget<QLabel>(w, "previewImage")->width() > before.width() &&
                    Widget<QLabel>(w, "previewImage")->height() > before.height());
        QTRY_VERIFY(
            !Widget<QWidget>(w, "stripsPanel")->isEnabled()); // the busy timer has had its turn
        const int width = Widget<QLabel>(w, "previewImage")->width(),
                  height = Widget<QLabel>(w, "previewImage")->height();

        TickAt(w, 0);
        QImage shown = Shown(w);
        QCOMPARE(shown.size(), QSize(width, height));
        QCOMPARE(At(shown, width / 2, height / 2), kRed);
        QCOMPARE(At(shown, 2, 2), qRgb(0x50, 0x50, 0x50));
        QCOMPARE(w.Preview->PlayingTrack(), 0);
        QCOMPARE(Volume(), 70u);

        // At 2 s the slide-in begins; half of its 2 s later the right half is the incoming
        // picture's left half: its grey bar beside the middle, its green photo at the far right.
        // The picture is the video's frame then.
        TickAt(w, 2100);
        TickAt(w, 3000);
        shown = Shown(w);
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), Rendered(w, 3000));
        const int left = (width - 200) / 2; // the photos' left edge, drawn unscaled
        QCOMPARE(At(shown, width / 2 - 4, height / 2), kRed);
        QCOMPARE(At(shown, width / 2 + 4, height / 2), qRgb(0x50, 0x50, 0x50));
        QCOMPARE(At(shown, width / 2 + left + 50, height / 2), kGreen);

        // Space pauses pictures and music; however long the pause, nothing moves.
        const std::uint64_t heard = media::Audio().TrackPosition();
        QTest::keyClick(&w, Qt::Key_Space);
        QVERIFY(w.Preview->Paused());
        QVERIFY(w.Preview->Running());
        QVERIFY(!media::Audio().TrackPlaying());
        const auto* mark = Widget<QLabel>(w, "previewImage")->findChild<QLabel*>("PausedMark");
        QVERIFY(mark && mark->isVisible());
        QCOMPARE(mark->text(), QString::fromUtf8("Пауза"));
        TickAt(w, 30'000);
        QCOMPARE(Shown(w), shown);
        // Space again: track 0 carries on where it was, the time line 27 s later.
        QTest::keyClick(Widget<QLabel>(w, "previewImage"), Qt::Key_Space);
        QVERIFY(!w.Preview->Paused());
        QVERIFY(!mark->isVisible());
        QCOMPARE(w.Preview->PlayingTrack(), 0);
        QVERIFY(media::Audio().TrackPosition() >= heard);
        QCOMPARE(Volume(), 70u);
        TickAt(w, 30'000 + 300); // show time 3.3 s: the transition at 1.3 of 2 s
        shown = Shown(w);
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), Rendered(w, 3300));
        const int edge = width - imaging::TransitionExtent(width, 1300, 2);
        QCOMPARE(At(shown, edge + left + 100, height / 2), kGreen);
        QCOMPARE(At(shown, edge + left - 2, height / 2), qRgb(0x50, 0x50, 0x50));
        TickAt(w, 31'000); // 4 s: slide 1, and the transition's time is up
        shown = Shown(w);
        QCOMPARE(At(shown, width / 2, height / 2), kGreen);
        QCOMPARE(At(shown, width / 4, height / 2), qRgb(0x50, 0x50, 0x50));
        TickAt(w, 31'500); // show time 4.5 s: still second 4
        QCOMPARE(w.Preview->PlayingTrack(), 0);
        TickAt(w, 31'501); // second 5: track 1
        QCOMPARE(w.Preview->PlayingTrack(), 1);
        QCOMPARE(Volume(), 30u);
        TickAt(w, 33'030); // 6 s: slide 1 has no transition; slide 2
        QCOMPARE(At(Shown(w), width / 2, height / 2), kBlue);
        TickAt(w, 34'499); // second 7: still running, the 20 s track still plays
        QVERIFY(w.Preview->Running());
        QCOMPARE(w.Preview->PlayingTrack(), 1);

        // Second 8 starts slide 2's transition, as the video shows it; second 11 ends the show
        // and cuts the music.
        TickAt(w, 34'501);
        QVERIFY(w.Preview->Running());
        TickAt(w, 37'500); // 10.5 s: still second 10
        QVERIFY(w.Preview->Running());
        TickAt(w, 37'501);
        ExpectEditorLayout(w);
        QCOMPARE(w.Preview->Schedule().LastStartedTrack(), -1);
        QTRY_COMPARE(w.frameGeometry(), before);
        // The editor's picture comes back: the selected first slide at the editor's size.
        QTRY_COMPARE(Shown(w).size(), Widget<QLabel>(w, "previewImage")->size());
        QTRY_VERIFY(Widget<QWidget>(w, "stripsPanel")->isEnabled());
    }

    // A slide zooming in from 1x to 2x over the 4 s it is visible (2 s still, 2 s cross-fade),
    // then a still slide: the zoom follows its progress over the frames it is on screen, the
    // cross-fade mixes both pictures.
    void movingSlideAndCrossfade() {
        auto form = MakeWindow();
        MainWindowProbe& w = *form;
        for (int i = 0; i < 2; ++i)
            QVERIFY(w.Import->AddPhoto(photos_[i]));
        QVERIFY(w.Change([&](project::ShowContent& c) {
            for (auto& slide : c.Slides) {
                slide.StillMs = 2000;
                slide.BackColor = kGreyBack;
            }
            c.Slides[0].TransitionMs = 2000;
            c.Slides[0].Ext.TransitionKind = imaging::kTransitionCrossfade;
            c.Slides[0].Ext.Motion.Mode = imaging::MotionMode::Manual;
            c.Slides[0].Ext.Motion.End = {0.5, 0.5, 2.0};
        }));
        w.Preview->start();
        QTRY_VERIFY(!Widget<QWidget>(w, "stripsPanel")->isEnabled());
        TickAt(w, 0);
        TickAt(w, 1000); // u = 1/4: zoom 1.25 of the picture fitted into the frame
        QImage shown = Shown(w);
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), Rendered(w, 1000));
        const int width = shown.width(), height = shown.height();
        const double s0 = std::min(width / 200.0, height / 150.0) * 1.25;
        const int halfW = static_cast<int>(100 * s0), halfH = static_cast<int>(75 * s0);
        QCOMPARE(At(shown, width / 2, height / 2), kRed);
        if (halfW + 3 < width / 2) {
            QCOMPARE(At(shown, width / 2 + halfW - 3, height / 2), kRed);
            QCOMPARE(At(shown, width / 2 + halfW + 3, height / 2), qRgb(0x50, 0x50, 0x50));
        } else {
            QVERIFY(halfH + 3 < height / 2);
            QCOMPARE(At(shown, width / 2, height / 2 + halfH - 3), kRed);
            QCOMPARE(At(shown, width / 2, height / 2 + halfH + 3), qRgb(0x50, 0x50, 0x50));
        }

        TickAt(w, 3000); // the cross-fade half way
        const QColor mid = QColor::fromRgb(At(Shown(w), width / 2, height / 2));
        const QColor red = QColor::fromRgb(kRed), green = QColor::fromRgb(kGreen);
        QVERIFY(std::abs(mid.red() - (red.red() + green.red()) / 2) <= 1);
        QVERIFY(std::abs(mid.green() - (red.green() + green.green()) / 2) <= 1);
        TickAt(w, 4100); // the still green slide
        QCOMPARE(At(Shown(w), width / 2, height / 2), kGreen);
        w.Preview->stop();
    }

    void clickAndEscStopPicturesAndMusic() {
        auto form = MakeWindow();
        MainWindowProbe& w = *form;
        QVERIFY(w.Import->AddPhoto(photos_[0]));
        QVERIFY(w.Import->AddPhoto(photos_[1]));
        QVERIFY(w.Import->AddTrack(Wav("twenty.wav", 20)));
        w.Change([&](project::ShowContent& c) { c.Slides[0].StillMs = 10000; });

        w.Preview->start();
        TickAt(w, 0);
        QCOMPARE(w.Preview->PlayingTrack(), 0);
        QTest::mouseClick(Widget<QLabel>(w, "previewImage"), Qt::LeftButton);
        ExpectEditorLayout(w);
        // A tick that was already due finds the preview stopped and starts nothing.
        TickAt(w, 12'000);
        QVERIFY(!media::Audio().TrackPlaying());
        QVERIFY(!w.Preview->Running());

        w.Preview->start();
        TickAt(w, 0);
        QCOMPARE(w.Preview->PlayingTrack(), 0);
        QTest::keyClick(&w, Qt::Key_Space); // Esc while paused takes the mark away too
        QVERIFY(Widget<QLabel>(w, "previewImage")->findChild<QLabel*>("PausedMark")->isVisible());
        QTest::keyClick(&w, Qt::Key_Escape);
        ExpectEditorLayout(w);
        QVERIFY(!Widget<QLabel>(w, "previewImage")->findChild<QLabel*>("PausedMark")->isVisible());
        // Esc means nothing to the editor; Space there starts the preview afresh (not paused),
        // and Esc stops it again.
        QTest::keyClick(&w, Qt::Key_Escape);
        ExpectEditorLayout(w);
        QTest::keyClick(&w, Qt::Key_Space);
        QVERIFY(w.Preview->Running());
        QVERIFY(!w.Preview->Paused());
        QTest::keyClick(&w, Qt::Key_Escape);
        ExpectEditorLayout(w);
        // A click on the editor's picture starts nothing and leaves the layout alone.
        QTest::mouseClick(Widget<QLabel>(w, "previewImage"), Qt::LeftButton);
        ExpectEditorLayout(w);
    }

    // Back from full screen the window is as it was: an ordinary window at its place and size, a
    // maximised one maximised again with the normal place and size it had before.
    void windowComesBackFromFullScreenAsItWas() {
        auto form = MakeWindow();
        MainWindowProbe& w = *form;
        QVERIFY(w.Import->AddPhoto(photos_[0]));
        const QRect screen = w.screen()->availableGeometry();
        const QRect normal(screen.topLeft() + QPoint(40, 20), QSize(700, 560));
        w.setGeometry(normal);
        QTRY_COMPARE(w.geometry(), normal);
        const QRect normalFrame = w.frameGeometry();
        const auto preview = [&] {
            w.Preview->start();
            QVERIFY(w.Preview->Running());
            QTRY_VERIFY(w.windowFlags() & Qt::FramelessWindowHint);
            TickAt(w, 0);
            w.Preview->stop();
            QVERIFY(!w.Preview->Running());
            QVERIFY(!(w.windowFlags() & Qt::FramelessWindowHint));
        };
        preview();
        ExpectEditorLayout(w);
        QTRY_COMPARE(w.geometry(), normal);
        QCOMPARE(w.frameGeometry(), normalFrame);

        w.showMaximized();
        QTRY_COMPARE(w.frameGeometry(), screen);
        const QRect maximised = w.geometry();
        const QRect maximisedNormal = w.normalGeometry();
        preview();
        QVERIFY(w.windowState() & Qt::WindowMaximized);
        QTRY_COMPARE(w.frameGeometry(), screen);
        QCOMPARE(w.geometry(), maximised);
        QCOMPARE(w.normalGeometry(), maximisedNormal);
    }

    void withoutSoundThePreviewRunsSilently() {
        auto form = MakeWindow();
        MainWindowProbe& w = *form;
        media::Audio().Unload(); // no library: every sound operation does nothing
        QVERIFY(w.Import->AddPhoto(photos_[2]));
        project::Track track = project::Track::MakeDefault();
        track.WorkFile = Wav("three.wav", 3).toStdString();
        track.PlaySeconds = 3;
        w.Insert(track);
        w.Preview->start();
        TickAt(w, 0);
        QCOMPARE(w.Preview->Schedule().LastStartedTrack(), 0);
        QCOMPARE(w.Preview->PlayingTrack(), -1);
        QCOMPARE(At(Shown(w), Widget<QLabel>(w, "previewImage")->width() / 2,
                    Widget<QLabel>(w, "previewImage")->height() / 2),
                 kBlue);
        TickAt(w, 10'000);
        ExpectEditorLayout(w);
    }
};

QTEST_MAIN(PreviewTest)
#include "preview_test.moc"
