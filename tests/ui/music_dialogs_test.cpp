// The music settings in the window: the track dialog's fades and measured loudness, the show
// music dialog's options and retiming, both applied to the show as one undoable step, and the
// end fade a new show starts with.
#include "../app/WindowWaits.h"
#include "AudioFiles.h"
#include "MainWindowProbe.h"
#include "app/PreviewController.h"
#include "app/StoryboardCommands.h"
#include "app/StripLayout.h"
#include "base/Language.h"
#include "imaging/ui/EffectsDialog.h"
#include "media/audio/AudioLibrary.h"
#include "media/export/VideoExport.h"
#include "media/music/MixPlan.h"
#include "media/music/ShowMix.h"
#include "media/ui/ShowMusicDialog.h"
#include "media/ui/TrackDialog.h"
#include "ui_EffectsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class MusicDialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    template <typename T> static T* W(QObject& form, const char* name) {
        T* w = form.findChild<T*>(name);
        if (!w)
            qFatal("no widget %s", name);
        return w;
    }
    QString Photo() {
        const QString path = tmp_.filePath("photo.png");
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(QColor(40, 90, 160));
        image.save(path);
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        testing_audio::LoadRealLibrary();
    }

    void trackDialogShowsFadesAndLoudness() {
        ui::MainWindowProbe main;
        project::Track track = project::Track::MakeDefault();
        track.Title = "Tune";
        track.Ext.FadeInSeconds = 1.25; // finer than the box shows (the console tool's)
        track.Ext.HasLoudness = true;
        track.Ext.LoudnessLufs = -14.24;
        track.Ext.TruePeakDb = -0.8;
        ui::TrackDialog dialog(track, &main);
        const QString loudness = W<QLabel>(dialog, "loudnessLabel")->text();
        QVERIFY2(loudness.contains(QLocale().toString(-14.2, 'f', 1)), qPrintable(loudness));
        QVERIFY2(loudness.contains(QLocale().toString(-0.8, 'f', 1)), qPrintable(loudness));
        QCOMPARE(dialog.FadeInSeconds(), 1.25); // untouched: kept exactly
        W<QDoubleSpinBox>(dialog, "fadeInBox")->setValue(3.5);
        W<QDoubleSpinBox>(dialog, "fadeOutBox")->setValue(12); // the box stops at 10 s
        QCOMPARE(dialog.FadeInSeconds(), 3.5);
        QCOMPARE(dialog.FadeOutSeconds(), 10.0);

        track.Ext.HasLoudness = false;
        ui::TrackDialog unmeasured(track, &main);
        QCOMPARE(W<QLabel>(unmeasured, "loudnessLabel")->text(),
                 base::AppLanguage().Text(807, "не измерена"));
    }

    void windowAppliesTrackFadesAsOneStep() {
        ui::MainWindowProbe form;
        form.show();
        QVERIFY(form.Import->AddTrack(
            QString::fromStdString(testing_audio::AudioFiles::Get().Wav("dialog.wav", 2.0))));
        QVERIFY(form.Show.Sounds()[0].Ext.HasLoudness); // measured by the import
        form.Storyboard->SelectSound(0);
        form.History.Clear();
        bool set = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::TrackDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            W<QDoubleSpinBox>(*dialog, "fadeInBox")->setValue(2.0);
            W<QDoubleSpinBox>(*dialog, "fadeOutBox")->setValue(0.5);
            dialog->close();
            set = true;
        });
        form.Commands->openTrackSettings();
        QVERIFY(set);
        QCOMPARE(form.Show.Sounds()[0].Ext.FadeInSeconds, 2.0);
        QCOMPARE(form.Show.Sounds()[0].Ext.FadeOutSeconds, 0.5);
        QCOMPARE(form.History.Stack().count(), 1);
        form.Undo->undo();
        QCOMPARE(form.Show.Sounds()[0].Ext.FadeInSeconds, 0.0);
        QCOMPARE(form.Show.Sounds()[0].Ext.FadeOutSeconds, 0.0);
        form.Undo->redo();
        QCOMPARE(form.Show.Sounds()[0].Ext.FadeInSeconds, 2.0);
    }

    void showMusicOptionsAndFittingAreOneStep() {
        ui::MainWindowProbe form;
        form.show();
        // A new show fades its music out at the end.
        QCOMPARE(form.Show.Options().EndFadeSeconds, media::kDefaultEndFadeSeconds);
        for (int i = 0; i < 4; ++i)
            QVERIFY(form.Import->AddPhoto(Photo()));
        QVERIFY(form.Import->AddTrack(
            QString::fromStdString(testing_audio::AudioFiles::Get().Wav("fit.wav", 9.7))));
        form.History.Clear();
        const auto slidesBefore = form.Show.Slides();
        const project::ShowOptions optionsBefore = form.Show.Options();
        bool accepted = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::ShowMusicDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(W<QPushButton>(*dialog, "FitPhotosButton")->isEnabled());
            QCOMPARE(W<QDoubleSpinBox>(*dialog, "EndFadeBox")->value(), 3.0);
            W<QDoubleSpinBox>(*dialog, "CrossfadeBox")->setValue(1.5);
            W<QCheckBox>(*dialog, "EvenLoudnessBox")->setChecked(true);
            // The action's button closes the dialog with the settings above kept.
            W<QPushButton>(*dialog, "FitPhotosButton")->click();
            accepted = true;
        });
        form.openShowMusic();
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY(accepted);
        QCOMPARE(form.Show.Options().TrackCrossfadeSeconds, 1.5);
        QVERIFY(form.Show.Options().EvenLoudness);
        QCOMPARE(render::ShowTimeline::Of(form.Show).LengthMs(), std::int64_t{9700});
        QCOMPARE(form.Show.Slides()[0].StillMs, std::int64_t{2425});
        QCOMPARE(form.History.Stack().count(), 1);
        // The status line tells what changed: four photos, the end with the music, and any
        // transitions that were scaled with them.
        const QString told = form.statusBar()->currentMessage();
        QVERIFY2(told.startsWith("4 photo(s) retimed; the show now ends with the music at 0:09.7."),
                 qPrintable(told));
        int transitions = 0;
        for (std::size_t i = 0; i < slidesBefore.size(); ++i)
            transitions += slidesBefore[i].TransitionMs != form.Show.Slides()[i].TransitionMs;
        // Said only when some did.
        QCOMPARE(told.endsWith(QString("The transitions of %1 photo(s) changed length with them.")
                                   .arg(transitions)),
                 transitions > 0);
        form.Undo->undo();
        QVERIFY(form.Show.Options() == optionsBefore);
        QVERIFY(form.Show.Slides() == slidesBefore);
        form.Undo->redo();
        QCOMPARE(render::ShowTimeline::Of(form.Show).LengthMs(), std::int64_t{9700});
    }

    // The end fade of a new show is heard in the preview: the tracks' mix is made as it plays,
    // a stream the library asks for its sound (it has no length, unlike a file), from the start
    // and, after a pause, on from where it was; no mixed file is written first. An older show's
    // plain plan plays its tracks one by one, as always.
    void thePreviewPlaysTheMixWhenTheShowHasFades() {
        ui::MainWindowProbe form;
        form.show();
        std::int64_t now = 0;
        form.Preview->Clock = [&now] { return now; };
        QVERIFY(form.Import->AddPhoto(Photo()));
        QVERIFY(form.Import->AddTrack(
            QString::fromStdString(testing_audio::AudioFiles::Get().Wav("preview.wav", 3.0))));
        const QString mix = QString::fromStdString(form.Work().MusicDir() + "preview-mix.wav");
        const media::AudioLibrary& audio = media::Audio();
        constexpr std::uint64_t kNoLength = ~std::uint64_t{0};
        form.Preview->start();
        QVERIFY(form.Preview->Running());
        form.Preview->scheduleTick();
        QCOMPARE(form.Preview->PlayingTrack(), 0);
        QCOMPARE(audio.CurrentTrack().LengthBytes(), kNoLength);
        QVERIFY(!QFile::exists(mix));
        QTRY_VERIFY(audio.TrackPosition() > 44100 * 4 / 10);
        const std::uint64_t heard = audio.TrackPosition();
        form.Preview->togglePause();
        QVERIFY(!audio.TrackPlaying());
        form.Preview->togglePause();
        QCOMPARE(form.Preview->PlayingTrack(), 0);
        QCOMPARE(audio.CurrentTrack().LengthBytes(), kNoLength);
        QVERIFY(audio.TrackPosition() >= heard);
        QVERIFY(audio.TrackPosition() < heard + 44100 * 4);
        form.Preview->stop();
        QVERIFY(!audio.TrackPlaying());

        form.Change([&](project::ShowContent& c) { c.Options = project::ShowOptions{}; });
        form.Preview->start();
        form.Preview->scheduleTick();
        QCOMPARE(form.Preview->PlayingTrack(), 0);
        QVERIFY(audio.CurrentTrack().LengthBytes() != kNoLength);
        form.Preview->stop();
    }

    // "Fit photos to the music", then every photo set to 2 s in the effects dialog with "apply to
    // all": the document, the preview's schedule, the storyboard's ruler and the export's frames
    // all say 2 s a photo (the exact times of the fit do not linger behind the new ones).
    void fitThenSetEveryPhotoInTheWindow() {
        ui::MainWindowProbe form;
        form.show();
        for (int i = 0; i < 4; ++i)
            QVERIFY(form.Import->AddPhoto(Photo()));
        QVERIFY(form.Import->AddTrack(
            QString::fromStdString(testing_audio::AudioFiles::Get().Wav("fit.wav", 9.7))));
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::ShowMusicDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            W<QPushButton>(*dialog, "FitPhotosButton")->click();
        });
        form.openShowMusic();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(render::ShowTimeline::Of(form.Show).LengthMs(), std::int64_t{9700});
        QVERIFY(form.Show.Slides()[0].StillMs % 1000 != 0); // exact times from the fit

        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->Form->secondsSpin->setValue(2.0);
            dialog->Form->secondsForAllCheck->setChecked(true);
            dialog->Form->durationSaveButton->click();
        });
        form.Commands->openEffects(5);
        std::int64_t transitions = 0;
        for (const project::Slide& s : form.Show.Slides()) {
            QCOMPARE(s.StillMs, std::int64_t{2000});
            transitions += s.TransitionMs;
        }
        const std::int64_t lengthMs = 4 * 2000 + transitions;
        const render::ShowTimeline line = render::ShowTimeline::Of(form.Show);
        for (std::size_t i = 0; i < 4; ++i)
            QCOMPARE(line.CutMs(i) - line.StartMs(i), std::int64_t{2000});
        QCOMPARE(line.LengthMs(), lengthMs);
        const auto marks =
            ui::RulerMarks(form.Show, ui::PhotoStripPlaces(form.Show, 4 * ui::kCellWidth, 0));
        QCOMPARE(marks.back().Ms, lengthMs);
        QCOMPARE(media::ExportFrameCount(form.Show, 25),
                 render::ShowTimeline::FrameAt(lengthMs, render::FrameRate::Fps(25)));
        // One undo step brings the fitted times back.
        form.Undo->undo();
        QVERIFY(form.Show.Slides()[0].StillMs % 1000 != 0);
    }

    // Every option says what it does: the fades and the loudness as settings, fitting and beat
    // cuts as actions done once and undone by Undo; each hint is its own.
    void everyOptionExplainsItself() {
        ui::MainWindowProbe main;
        ui::ShowMusicDialog dialog(project::ShowOptions{}, true, &main);
        QStringList hints;
        for (const char* name : {"CrossfadeBox", "EndFadeBox", "EvenLoudnessBox", "FitPhotosButton",
                                 "BeatCutsButton"}) {
            const QString hint = W<QWidget>(dialog, name)->toolTip();
            QVERIFY2(hint.size() > 30, name);
            QVERIFY2(!hints.contains(hint), name);
            hints << hint;
        }
        // The actions name the Undo command in the program's language.
        const QString undo = base::Tr(base::TextKey::Undo, "Отменить");
        for (const QString& action : {hints[3], hints[4]})
            QVERIFY2(action.contains(undo), qPrintable(action));
        // A fade's label says what its box does.
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (label->buddy() != nullptr)
                QCOMPARE(label->toolTip(), label->buddy()->toolTip());
    }

    // An action's button closes the dialog as accepted, with its own action and the settings as
    // set; OK alone chooses no action.
    void eachActionButtonClosesTheDialogWithItsAction() {
        ui::MainWindowProbe main;
        for (const char* name : {"FitPhotosButton", "BeatCutsButton", ""}) {
            ui::ShowMusicDialog dialog(project::ShowOptions{}, true, &main);
            W<QDoubleSpinBox>(dialog, "CrossfadeBox")->setValue(2.0);
            if (*name != 0)
                W<QPushButton>(dialog, name)->click();
            else
                W<QDialogButtonBox>(dialog, "Buttons")->button(QDialogButtonBox::Ok)->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.FitPhotos(), QString(name) == "FitPhotosButton");
            QCOMPARE(dialog.CutOnBeats(), QString(name) == "BeatCutsButton");
            QCOMPARE(dialog.Options().TrackCrossfadeSeconds, 2.0);
        }
    }

    void withoutMusicTheRetimingIsOff() {
        ui::MainWindowProbe main;
        project::ShowOptions options;
        options.TrackCrossfadeSeconds = 2.25;
        ui::ShowMusicDialog dialog(options, false, &main);
        QVERIFY(!W<QPushButton>(dialog, "FitPhotosButton")->isEnabled());
        QVERIFY(!W<QPushButton>(dialog, "BeatCutsButton")->isEnabled());
        W<QPushButton>(dialog, "FitPhotosButton")->click(); // a disabled button does nothing
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.FitPhotos());
        QCOMPARE(dialog.Options().TrackCrossfadeSeconds, 2.25); // untouched: kept exactly
        QCOMPARE(dialog.Options().EndFadeSeconds, 0.0);
    }
};

QTEST_MAIN(MusicDialogsTest)
#include "music_dialogs_test.moc"
