// The track dialog on the main window: volume bar and record, play and seek without the timer
// fighting the thumb, and the end of a track turning stop back into play through the main
// window's end-of-track handling.
#include "app/MainWindow.h"
#include "base/Language.h"
#include "media/audio/AudioLibrary.h"
#include "media/ui/TrackDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

#include <functional>

class TrackDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    template <typename T> static T* W(QObject& form, const char* name) {
        T* w = form.findChild<T*>(name);
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    std::string MakeWav(const QString& name, double seconds) {
        const QString path = dir_.filePath(name);
        QProcess::execute("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth",
                                  QString::number(seconds), "sine", "440"});
        return path.toStdString();
    }
    static project::Track MakeTrack(const std::string& path, int volume, int seconds) {
        project::Track t = project::Track::MakeDefault();
        t.WorkFile = path;
        t.Title = "Title";
        t.Volume = volume;
        t.PlaySeconds = seconds;
        return t;
    }
    static bool WaitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

private Q_SLOTS:
    void volumeBarIsHandedBack() {
        ui::MainWindow main;
        auto track = MakeTrack(MakeWav("v.wav", 0.5), 40, 1);
        ui::TrackDialog form(track, &main);
        QCOMPARE(W<QSlider>(form, "volumeSlider")->value(), 60);
        QCOMPARE(media::Audio().PlaybackVolume(), 40);
        QCOMPARE(W<QLabel>(form, "volumeLabel")->text(), QString("40%"));
        QCOMPARE(form.windowTitle(), base::AppLanguage().Text(800, "Звук"));
        W<QSlider>(form, "volumeSlider")->setValue(0); // top
        QCOMPARE(form.Volume(), 100);
        QCOMPARE(W<QLabel>(form, "volumeLabel")->text(), QString("100%"));
        W<QSlider>(form, "volumeSlider")->setValue(100); // bottom
        QCOMPARE(form.Volume(), 0);
        QCOMPARE(media::Audio().PlaybackVolume(), 0);
        QCOMPARE(static_cast<int>(track.Volume), 40); // the caller's record is the caller's
        QCOMPARE(W<QLabel>(form, "volumeLabel")->text(), QString("0%"));
    }

    void playSeekAndStop() {
        ui::MainWindow main;
        QVERIFY(media::Audio().Loaded());
        auto track = MakeTrack(MakeWav("long.wav", 6.0), 100, 6);
        ui::TrackDialog form(track, &main);
        form.play();
        QVERIFY(media::Audio().TrackPlaying());
        QVERIFY(W<QPushButton>(form, "playButton")->isHidden());
        QVERIFY(!W<QPushButton>(form, "stopButton")->isHidden());
        QVERIFY(form.PositionTimerRunning());
        QCOMPARE(W<QScrollBar>(form, "positionBar")->maximum(), 6 * 44100 * 4);
        QVERIFY(WaitFor([&] { return W<QScrollBar>(form, "positionBar")->value() > 0; }, 3000));
        QVERIFY(W<QLabel>(form, "playingTimeLabel")->text().endsWith("/0:00:06"));

        // While the thumb is held the timer leaves it alone; releasing it seeks once.
        form.scrollPosition(ui::TrackDialog::ScrollCode::Track);
        const int held = 4 * 44100 * 4;
        W<QScrollBar>(form, "positionBar")->setValue(held);
        QTest::qWait(350);
        QCOMPARE(W<QScrollBar>(form, "positionBar")->value(), held);
        form.scrollPosition(ui::TrackDialog::ScrollCode::EndScroll);
        QVERIFY(!form.Dragging());
        const auto pos = media::Audio().CurrentTrack().Position();
        QVERIFY(pos >= static_cast<std::uint64_t>(held));
        QVERIFY(pos < static_cast<std::uint64_t>(held + 44100 * 4));

        form.stop();
        QVERIFY(!media::Audio().TrackPlaying());
        QVERIFY(!form.PositionTimerRunning());
        QVERIFY(!W<QPushButton>(form, "playButton")->isHidden());
    }

    void endOfTrackTurnsStopIntoPlay() {
        ui::MainWindow main;
        auto track = MakeTrack(MakeWav("short.wav", 0.3), 100, 1);
        ui::TrackDialog form(track, &main);
        // As the window's track command connects the dialog it opens.
        QObject::connect(&main, &ui::MainWindow::trackPlaybackFinished, &form,
                         &ui::TrackDialog::PlaybackEnded);
        form.show();
        form.play();
        QVERIFY(media::Audio().TrackPlaying());
        QVERIFY(W<QPushButton>(form, "playButton")->isHidden());
        QVERIFY(WaitFor([&] { return !media::Audio().TrackPlaying(); }, 10000));
        QVERIFY(!W<QPushButton>(form, "playButton")->isHidden());
        QVERIFY(W<QPushButton>(form, "stopButton")->isHidden());
    }

    void closingSilencesTheTrack() {
        ui::MainWindow main;
        auto track = MakeTrack(MakeWav("c.wav", 3.0), 100, 3);
        {
            ui::TrackDialog form(track, &main);
            form.show();
            form.play();
            QVERIFY(media::Audio().TrackPlaying());
            form.close();
            QVERIFY(!media::Audio().TrackPlaying());
        }
    }

    // OK accepts and Close rejects; both end the dialog and silence the track, and the volume
    // set stays the dialog's answer either way.
    void okAndCloseEndTheDialog() {
        ui::MainWindow main;
        auto track = MakeTrack(MakeWav("b.wav", 3.0), 100, 3);
        for (const auto& [button, result] :
             {std::pair{QDialogButtonBox::Ok, int(QDialog::Accepted)},
              std::pair{QDialogButtonBox::Close, int(QDialog::Rejected)}}) {
            ui::TrackDialog form(track, &main);
            auto* box = W<QDialogButtonBox>(form, "buttonBox");
            QCOMPARE(box->button(QDialogButtonBox::Ok)->text(),
                     base::AppLanguage().Text(886, "OK"));
            QCOMPARE(box->button(QDialogButtonBox::Close)->text(),
                     base::AppLanguage().Text(887, "Закрыть"));
            form.show();
            form.play();
            W<QSlider>(form, "volumeSlider")->setValue(70);
            QVERIFY(media::Audio().TrackPlaying());
            box->button(button)->click();
            QCOMPARE(form.result(), result);
            QVERIFY(!form.isVisible());
            QVERIFY(!media::Audio().TrackPlaying());
            QCOMPARE(form.Volume(), 30);
        }
    }
};

QTEST_MAIN(TrackDialogTest)
#include "track_dialog_test.moc"
