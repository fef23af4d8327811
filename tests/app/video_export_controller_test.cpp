// Saving as video from the main window: the dialog's choice reaches the job, the window is busy
// while it runs, a failure ends in one message naming the file, and without a compressor the
// user is told and nothing is written. An MP4 file name (typed, or from the file dialog's MP4
// filter) leads to the MP4 dialog instead of the compressors, and its choices to the job.
#include "WidgetLookup.h"
#include "app/MainWindow.h"
#include "base/ProgramFolder.h"
#include "imaging/BmpFile.h"
#include "media/ui/Mp4ExportDialog.h"
#include "media/ui/VideoExportDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using ui::MainWindow;

class VideoExportControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    static void AddSlide(MainWindow& form, int seconds, int kind, int fade) {
        auto& show = form.Show;
        const std::string file = show.MakeWorkName(show.PicturesDir, ".bmp");
        imaging::Bitmap picture = imaging::Bitmap::CreateSized(320, 240);
        picture.Fill(40, 90, static_cast<std::uint8_t>(show.Slides.size() * 80));
        QVERIFY(imaging::SaveBmpFile(file, picture));
        auto s = project::Slide::MakeDefault();
        s.ShowSeconds = seconds;
        s.TransitionKind = kind;
        s.TransitionSeconds = fade;
        s.WorkFile = file;
        show.Slides.push_back(s);
    }
    static QString Probe(const QString& file,
                         const QString& entries = "width,height,nb_read_frames") {
        QProcess p;
        p.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                            "-show_entries", "stream=" + entries, "-of", "csv=p=0", file});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        QVERIFY(QDir(tmp_.path()).mkpath("program"));
        base::SetProgramFolderForTesting(tmp_.path() + "/program");
    }

    void dialogChoiceIsExportedWhileTheWindowIsBusy() {
        MainWindow form;
        form.show();
        AddSlide(form, 1, 2, 1);
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/show.avi";
        QStringList messages;
        form.ShowMessage = [&](const QString& text) { messages << text; };
        form.AskSaveName = [&](const QString&, bool avi) { return avi ? out : QString(); };
        form.Export->ListCodecs = [] {
            return std::vector<std::string>{"No Compression", "xvid MPEG-4", "MSVC Video-1"};
        };
        form.Export->RunDialog = [](ui::VideoExportDialog& dialog) {
            Widget<QComboBox>(dialog, "ComboBox2")->setCurrentIndex(1); // standard
            return int(QDialog::Accepted);
        };
        int busyChecks = 0;
        form.Export->AdjustOptions = [&](media::VideoExportOptions& o) {
            QCOMPARE(o.Codec, std::string("xvid"));
            o.OnFrames = [&](std::int64_t, std::int64_t) {
                busyChecks += form.Busy() && form.Export->Running() ? 1 : -1000;
            };
        };
        QVERIFY(!form.Export->Running());
        form.Export->saveAsVideo();
        QVERIFY(busyChecks > 0);
        QVERIFY(!form.Export->Running());
        QVERIFY(!form.Busy());
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
        QCOMPARE(form.Export->LastResult().Outcome, media::ExportOutcome::Written);
        QCOMPARE(Probe(out), QString("400,288,75"));
    }

    void failureShowsOneMessageNamingTheFile() {
        MainWindow form;
        AddSlide(form, 1, 0, 0);
        QStringList messages;
        form.ShowMessage = [&](const QString& text) { messages << text; };
        form.AskSaveName = [&](const QString&, bool) {
            return tmp_.path() + "/no/such/folder/lost.avi";
        };
        form.Export->ListCodecs = [] { return std::vector<std::string>{"DIVX MPEG-4"}; };
        form.Export->RunDialog = [](ui::VideoExportDialog&) { return int(QDialog::Accepted); };
        form.Export->saveAsVideo();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QString::fromUtf8("Не удалось записать \"lost.avi\"")));
        QVERIFY(!messages[0].contains("no/such"));
    }

    void withoutACompressorTheUserIsToldAndNothingIsWritten() {
        MainWindow form;
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/none.avi";
        QStringList messages;
        form.ShowMessage = [&](const QString& text) { messages << text; };
        form.AskSaveName = [&](const QString&, bool) { return out; };
        form.Export->ListCodecs = [] { return std::vector<std::string>{"No Compression"}; };
        bool dialogShown = false;
        bool okEnabled = true;
        form.Export->RunDialog = [&](ui::VideoExportDialog& dialog) {
            dialogShown = true;
            okEnabled = Widget<QPushButton>(dialog, "BitBtn1")->isEnabled();
            return int(QDialog::Accepted);
        };
        form.Export->saveAsVideo();
        QVERIFY(dialogShown);
        QVERIFY(!okEnabled);
        QCOMPARE(messages, QStringList{ui::VideoExportDialog::MissingCodecText()});
        QVERIFY(!QFile::exists(out));
    }

    void choosingMp4LeadsToItsDialogAndItsChoicesToTheJob() {
        MainWindow form;
        form.show();
        AddSlide(form, 1, 2, 1);
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/show.MP4";
        QStringList messages;
        form.ShowMessage = [&](const QString& text) { messages << text; };
        form.AskSaveName = [&](const QString&, bool video) { return video ? out : QString(); };
        bool codecsProbed = false;
        form.Export->ListCodecs = [&] {
            codecsProbed = true;
            return std::vector<std::string>{};
        };
        bool aviDialogShown = false;
        form.Export->RunDialog = [&](ui::VideoExportDialog&) {
            aviDialogShown = true;
            return int(QDialog::Rejected);
        };
        int preselected = -1, preselectedQuality = -1;
        form.Export->RunMp4Dialog = [&](ui::Mp4ExportDialog& dialog) {
            preselected = dialog.Resolution();
            preselectedQuality = dialog.Quality();
            Widget<QComboBox>(dialog, "ComboBox1")->setCurrentIndex(5); // standard
            Widget<QComboBox>(dialog, "ComboBox2")->setCurrentIndex(1); // best
            return int(QDialog::Accepted);
        };
        media::VideoExportOptions seen;
        form.Export->AdjustOptions = [&](media::VideoExportOptions& o) { seen = o; };
        form.Export->saveAsVideo();
        QVERIFY(!codecsProbed);
        QVERIFY(!aviDialogShown);
        QCOMPARE(preselected, media::kResolution720p);
        QCOMPARE(preselectedQuality, media::kQualityGood);
        QCOMPARE(seen.Codec, std::string());
        QCOMPARE(seen.Resolution, media::kResolutionStandard);
        QCOMPARE(seen.Quality, media::kQualityBest);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
        QCOMPARE(form.Export->LastResult().Outcome, media::ExportOutcome::Written);
        QCOMPARE(Probe(out, "codec_name,width,height,nb_read_frames"), QString("h264,400,288,75"));
        QVERIFY(!form.Busy());
    }

    void cancellingTheMp4DialogWritesNothing() {
        MainWindow form;
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/kept.mp4";
        form.AskSaveName = [&](const QString&, bool) { return out; };
        bool exported = false;
        form.Export->AdjustOptions = [&](media::VideoExportOptions&) { exported = true; };
        form.Export->RunMp4Dialog = [](ui::Mp4ExportDialog&) { return int(QDialog::Rejected); };
        form.Export->saveAsVideo();
        QVERIFY(!exported);
        QVERIFY(!QFile::exists(out));
        QVERIFY(!QFile::exists(out + ".part"));
    }

    void theFileDialogsMp4FilterGivesAnMp4Name() {
        // The window's own save dialog: the MP4 filter is offered beside AVI, and a name typed
        // without an extension takes the filter's.
        MainWindow form;
        AddSlide(form, 1, 0, 0);
        QStringList filters;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            auto* types = Widget<QComboBox>(*dialog, "fileTypeCombo");
            QCOMPARE(types->currentText(), QString("AVI (*.avi)"));
            QTest::keyClick(types, Qt::Key_Down); // as a user picks the next filter
            QCOMPARE(types->currentText(), QString("MP4 video (*.mp4)"));
            auto* name = Widget<QLineEdit>(*dialog, "fileNameEdit");
            name->setText("clip");
            QTest::keyClick(name, Qt::Key_Return);
        });
        QString chosen;
        form.Export->RunMp4Dialog = [&](ui::Mp4ExportDialog&) {
            chosen = "mp4 dialog";
            return int(QDialog::Rejected);
        };
        form.Export->RunDialog = [&](ui::VideoExportDialog&) {
            chosen = "avi dialog";
            return int(QDialog::Rejected);
        };
        form.Export->ListCodecs = [] { return std::vector<std::string>{}; };
        form.ShowMessage = [](const QString&) {};
        form.Export->saveAsVideo();
        QCOMPARE(filters, (QStringList{"QVS (*.qvs)", "AVI (*.avi)", "MP4 video (*.mp4)"}));
        QCOMPARE(chosen, QString("mp4 dialog"));
    }
};

QTEST_MAIN(VideoExportControllerTest)
#include "video_export_controller_test.moc"
