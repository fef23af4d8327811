// Saving as video from the main window: the dialog's choice reaches the job, the window is busy
// while it runs, a failure ends in one message naming the file, and without a compressor the
// user is told and nothing is written. An MP4 file name (typed, or from the file dialog's MP4
// filter) leads to the MP4 dialog instead of the compressors, and its choices to the job. The
// export runs on the job runner's worker: the window keeps repainting, and Cancel in the progress
// window stops it.
#include "MainWindowProbe.h"
#include "Outcomes.h"
#include "WidgetLookup.h"
#include "WindowWaits.h"
#include "app/WindowDialogs.h"
#include "app/WindowJobs.h"
#include "base/ProgramFolder.h"
#include "base/ui/ProgressWindow.h"
#include "imaging/BmpFile.h"
#include "media/ui/Mp4ExportDialog.h"
#include "media/ui/VideoExportDialog.h"
#include "media/video/VideoSink.h"
#include "project/Import.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using ui::MainWindowProbe;

namespace {

// The real writer, slowed down: it sleeps for every frame it is handed, so an export lasts long
// enough to watch the window while it runs.
class SlowSink final : public media::VideoSink {
public:
    SlowSink(std::unique_ptr<media::VideoSink> inner, std::chrono::milliseconds perFrame)
        : inner_(std::move(inner)), perFrame_(perFrame) {}
    base::Status Start(const imaging::Bitmap& first) override { return inner_->Start(first); }
    base::Status AddFrames(const imaging::Bitmap& frame, std::int64_t count) override {
        std::this_thread::sleep_for(perFrame_ * count);
        return inner_->AddFrames(frame, count);
    }
    base::Status AddSound(media::SoundPiece piece) override {
        return inner_->AddSound(std::move(piece));
    }
    base::Status Finish() override { return inner_->Finish(); }
    bool CarriesSound() const override { return inner_->CarriesSound(); }
    bool SoundBeforeFrames() const override { return inner_->SoundBeforeFrames(); }
    std::int64_t EncodedFrames() const override { return inner_->EncodedFrames(); }

private:
    std::unique_ptr<media::VideoSink> inner_;
    std::chrono::milliseconds perFrame_;
};

media::VideoSinkFactory SlowSinks(std::chrono::milliseconds perFrame) {
    return [perFrame](const media::VideoSinkSettings& settings)
               -> base::Result<std::unique_ptr<media::VideoSink>> {
        auto inner = media::MakeVideoSink(settings);
        if (!inner)
            return base::Fail(inner.error());
        return std::unique_ptr<media::VideoSink>(
            std::make_unique<SlowSink>(std::move(*inner), perFrame));
    };
}

} // namespace

class VideoExportControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    static void AddSlide(MainWindowProbe& form, int seconds, int kind, int fade) {
        const auto& show = form.Show;
        const std::string file = form.Work().MakePictureName(".bmp");
        imaging::Bitmap picture = imaging::Bitmap::CreateSized(320, 240);
        picture.Fill(40, 90, static_cast<std::uint8_t>(show.Slides().size() * 80));
        QVERIFY(imaging::SaveBmpFile(file, picture));
        auto s = project::Slide::MakeDefault();
        s.StillMs = std::int64_t{seconds} * 1000;
        s.TransitionKind = kind;
        s.TransitionMs = std::int64_t{fade} * 1000;
        s.WorkFile = file;
        QVERIFY(form.Insert(s));
    }
    static QString Probe(const QString& file,
                         const QString& entries = "width,height,nb_read_frames") {
        QProcess p;
        p.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                            "-show_entries", "stream=" + entries, "-of", "csv=p=0", file});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // An XviD export to `out` with the dialog accepted as it comes.
    static void AcceptXvid(MainWindowProbe& form, const QString& out) {
        form.Dialogs.AskSaveName = [out](const QString&, bool avi) {
            return avi ? out : QString();
        };
        form.Export->ListCodecs = [] {
            return std::vector<std::string>{"No Compression", "xvid MPEG-4"};
        };
        form.Export->RunDialog = [](ui::VideoExportDialog&) { return int(QDialog::Accepted); };
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
        MainWindowProbe form;
        form.show();
        AddSlide(form, 1, 2, 1);
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/show.avi";
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Dialogs.AskSaveName = [&](const QString&, bool avi) { return avi ? out : QString(); };
        form.Export->ListCodecs = [] {
            return std::vector<std::string>{"No Compression", "xvid MPEG-4", "MSVC Video-1"};
        };
        form.Export->RunDialog = [](ui::VideoExportDialog& dialog) {
            Widget<QComboBox>(dialog, "resolutionCombo")->setCurrentIndex(1); // standard
            return int(QDialog::Accepted);
        };
        std::atomic<int> frameReports{0};
        form.Export->AdjustOptions = [&](media::VideoExportOptions& o) {
            QCOMPARE(o.Codec, std::string("xvid"));
            o.OnFrames = [&](std::int64_t, std::int64_t) { ++frameReports; };
        };
        QVERIFY(!form.Export->Running());
        form.Export->saveAsVideo();
        QVERIFY(form.Busy() && form.Export->Running()); // the job runs; the call has returned
        QTRY_VERIFY_WITH_TIMEOUT(!form.Export->Running(), 60000);
        QVERIFY(frameReports.load() > 0);
        QVERIFY(!form.Busy());
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
        QVERIFY(outcomes::OutcomeOf(form.Export->LastResult()) == media::ExportOutcome::Written);
        QCOMPARE(Probe(out), QString("400,288,75"));

        // The end: a message naming the video, whose button opens its folder.
        auto* done = form.findChild<QMessageBox*>("ExportDoneBox");
        QVERIFY(done && done->isVisible());
        QVERIFY2(done->text().contains("show.avi"), qPrintable(done->text()));
        QList<QUrl> launched;
        form.Dialogs.LaunchUrl = [&](const QUrl& url) {
            launched << url;
            return true;
        };
        auto* open = done->findChild<QPushButton*>("OpenFolderButton");
        QVERIFY(open);
        QCOMPARE(open->text(), QString::fromUtf8("Открыть папку"));
        open->click();
        QCOMPARE(launched, QList<QUrl>{QUrl::fromLocalFile(tmp_.path())});
        QVERIFY(messages.isEmpty());
    }

    void failureShowsOneMessageNamingTheFile() {
        MainWindowProbe form;
        AddSlide(form, 1, 0, 0);
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Dialogs.AskSaveName = [&](const QString&, bool) {
            return tmp_.path() + "/no/such/folder/lost.avi";
        };
        form.Export->ListCodecs = [] { return std::vector<std::string>{"DIVX MPEG-4"}; };
        form.Export->RunDialog = [](ui::VideoExportDialog&) { return int(QDialog::Accepted); };
        form.Export->saveAsVideo();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QString::fromUtf8("Не удалось записать \"lost.avi\"")));
        QVERIFY(!messages[0].contains("no/such"));
        QVERIFY(!form.findChild<QMessageBox*>("ExportDoneBox"));
    }

    void withoutACompressorTheUserIsToldAndNothingIsWritten() {
        MainWindowProbe form;
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/none.avi";
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return out; };
        form.Export->ListCodecs = [] { return std::vector<std::string>{"No Compression"}; };
        bool dialogShown = false;
        bool okEnabled = true;
        form.Export->RunDialog = [&](ui::VideoExportDialog& dialog) {
            dialogShown = true;
            okEnabled = Widget<QPushButton>(dialog, "okButton")->isEnabled();
            return int(QDialog::Accepted);
        };
        form.Export->saveAsVideo();
        QVERIFY(form.Export->Running()); // the compressors are probed as a job; the dialog follows
        QTRY_VERIFY_WITH_TIMEOUT(dialogShown, 20000);
        QVERIFY(!form.Export->Running());
        QVERIFY(!okEnabled);
        QCOMPARE(messages, QStringList{ui::VideoExportDialog::MissingCodecText()});
        QVERIFY(!QFile::exists(out));
    }

    void choosingMp4LeadsToItsDialogAndItsChoicesToTheJob() {
        MainWindowProbe form;
        form.show();
        AddSlide(form, 1, 2, 1);
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/show.MP4";
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Dialogs.AskSaveName = [&](const QString&, bool video) {
            return video ? out : QString();
        };
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
            Widget<QComboBox>(dialog, "frameSizeCombo")->setCurrentIndex(5); // standard
            Widget<QComboBox>(dialog, "qualityCombo")->setCurrentIndex(1);   // best
            return int(QDialog::Accepted);
        };
        media::VideoExportOptions seen;
        form.Export->AdjustOptions = [&](media::VideoExportOptions& o) { seen = o; };
        form.Export->saveAsVideo();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Export->Running(), 60000);
        QVERIFY(!codecsProbed);
        QVERIFY(!aviDialogShown);
        // A new show's photos are 1920 x 1080: its first video starts at the 1080p preset.
        QCOMPARE(preselected, media::kResolution1080p);
        QCOMPARE(preselectedQuality, media::kQualityGood);
        QCOMPARE(seen.Codec, std::string());
        QCOMPARE(seen.Resolution, media::kResolutionStandard);
        QCOMPARE(seen.Quality, media::kQualityBest);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));
        QVERIFY(outcomes::OutcomeOf(form.Export->LastResult()) == media::ExportOutcome::Written);
        // 3 s at the preset's 30 frames a second.
        QCOMPARE(Probe(out, "codec_name,width,height,nb_read_frames"), QString("h264,400,288,90"));
        QVERIFY(!form.Busy());
    }

    // The dialogs open at the show's last choices; a written video's choices (with the speed and
    // constant quality no dialog shows) become the show's as one step, undone like any other.
    void theDialogsOpenAtTheShowsLastChoiceAndAWrittenVideoStoresIts() {
        MainWindowProbe form;
        form.show();
        AddSlide(form, 1, 0, 0);
        project::ShowOptions options = form.Show.Options();
        project::OutputSettings& last = options.Output;
        last.Mp4Resolution = media::kResolutionStandard; // small: the export is quick
        last.Shape = static_cast<int>(media::VideoShape::Square);
        last.Fps = 24;
        last.Quality = media::kQualityBest;
        last.Speed = "ultrafast";
        last.Crf = 30;
        last.AviCodec = "MSVC";
        last.AviResolution = 1;
        form.Change([&](project::ShowContent& c) { c.Options = options; });
        const project::ShowOptions before = form.Show.Options();

        // The AVI dialog: the stored compressor and size, not the proposal (XviD, high).
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return tmp_.path() + "/a.avi"; };
        form.Export->ListCodecs = [] {
            return std::vector<std::string>{"xvid MPEG-4", "msvc Video-1"};
        };
        std::string aviLine;
        int aviSize = -1;
        form.Export->RunDialog = [&](ui::VideoExportDialog& dialog) {
            aviLine = dialog.CodecLine();
            aviSize = dialog.Resolution();
            return int(QDialog::Rejected);
        };
        form.Export->saveAsVideo();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Export->Running(), 60000);
        QCOMPARE(aviLine, std::string("msvc Video-1"));
        QCOMPARE(aviSize, media::kResolutionStandard);

        const QString out = tmp_.path() + "/last.mp4";
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return out; };
        struct {
            int Resolution = -1, Fps = -1, Quality = -1;
            media::VideoShape Shape = media::VideoShape::Wide;
        } shown;
        form.Export->RunMp4Dialog = [&](ui::Mp4ExportDialog& dialog) {
            shown = {dialog.Resolution(), dialog.Fps(), dialog.Quality(), dialog.Shape()};
            dialog.SelectChoices(dialog.Resolution(), dialog.Shape(), 50, dialog.Coding(),
                                 dialog.Quality());
            return int(QDialog::Accepted);
        };
        media::VideoExportOptions seen;
        form.Export->AdjustOptions = [&](media::VideoExportOptions& o) { seen = o; };
        form.Export->saveAsVideo();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Export->Running(), 60000);
        QCOMPARE(shown.Resolution, media::kResolutionStandard);
        QCOMPARE(shown.Fps, 24);
        QCOMPARE(shown.Quality, media::kQualityBest);
        QVERIFY(shown.Shape == media::VideoShape::Square);
        QCOMPARE(seen.Speed, std::string("ultrafast"));
        QCOMPARE(seen.Crf, 30);
        QVERIFY(outcomes::OutcomeOf(form.Export->LastResult()) == media::ExportOutcome::Written);
        QCOMPARE(Probe(out, "width,height,r_frame_rate"), QString("400,288,50/1"));

        project::OutputSettings stored = before.Output;
        stored.Container = project::OutputContainer::Mp4;
        stored.Fps = 50;
        QVERIFY(form.Show.Options().Output == stored);
        QVERIFY(form.History.IsModified());
        QVERIFY(form.History.Undo().ok());
        QVERIFY(form.Show.Options() == before);
        QVERIFY(form.History.Redo().ok());
        QVERIFY(form.Show.Options().Output == stored);
    }

    void cancellingTheMp4DialogWritesNothing() {
        MainWindowProbe form;
        AddSlide(form, 1, 0, 0);
        const QString out = tmp_.path() + "/kept.mp4";
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return out; };
        bool exported = false;
        form.Export->AdjustOptions = [&](media::VideoExportOptions&) { exported = true; };
        form.Export->RunMp4Dialog = [](ui::Mp4ExportDialog&) { return int(QDialog::Rejected); };
        form.Export->saveAsVideo();
        QVERIFY(!exported);
        QVERIFY(!QFile::exists(out));
        QVERIFY(!QFile::exists(out + ".part"));
    }

    // A show saved without its originals, whose photos are smaller than the video: the MP4
    // dialog's note asks for them at the video's size, the folder holding the files is asked for,
    // the photo found there is drawn again from it (one undo step, told in the status line), and
    // the dialog comes back with the choices made and without the note.
    void theMp4NoteRefitsThePhotosFromTheirFilesAndComesBack() {
        MainWindowProbe form;
        const QString album = tmp_.path() + "/album";
        QVERIFY(QDir().mkpath(album));
        QImage photo(1600, 1200, QImage::Format_RGB888);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                photo.setPixel(x, y, qRgb(x / 7, y / 5, ((x / 100 + y / 100) % 2) * 200));
        QVERIFY(photo.save(album + "/harbour.png"));
        auto fitted = project::LoadFittedPhoto((album + "/harbour.png").toStdString(), 320, 240);
        QVERIFY(fitted);
        const std::string file = form.Work().MakePictureName(".bmp");
        QVERIFY(imaging::SaveBmpFile(file, *fitted));
        project::PhotoSettings photos = form.Show.Photos();
        photos.Resolution = "320x240";
        QVERIFY(form.History.Apply({project::edit::SetPhotoSettings{photos}}, "photo size"));
        auto slide = project::Slide::MakeDefault();
        slide.WorkFile = file;
        QVERIFY(form.Insert(slide));

        form.Dialogs.AskSaveName = [&](const QString&, bool) { return tmp_.path() + "/sharp.mp4"; };
        QString asked;
        form.Dialogs.AskPhotoFolder = [&](const QString& caption) {
            return asked = caption, album;
        };
        QStringList notes;
        form.Export->RunMp4Dialog = [&](ui::Mp4ExportDialog& dialog) {
            if (!notes.isEmpty())
                return notes << dialog.SofterNote(), int(QDialog::Rejected);
            dialog.SelectChoices(media::kResolution1080p, media::VideoShape::Wide, 30,
                                 media::Mp4Coding::H264, media::kQualityGood);
            notes << dialog.SofterNote();
            return ui::Mp4ExportDialog::kRefitPhotos;
        };
        form.Export->saveAsVideo();
        QTRY_COMPARE_WITH_TIMEOUT(notes.size(), 2, 30000);
        QVERIFY(notes[0].contains("1920 x 1080"));
        QVERIFY(notes[1].isEmpty());
        QVERIFY(!asked.isEmpty());
        QVERIFY(!form.Show.Slides()[0].DrawableOriginal().empty());
        QCOMPARE(form.Show.Photos().Resolution, std::string("1920x1080"));
        QVERIFY(form.statusBar()->currentMessage().contains("1"));
        QVERIFY(form.History.Undo().ok());
        QVERIFY(form.Show.Slides()[0].DrawableOriginal().empty());
        QCOMPARE(form.Show.Photos().Resolution, std::string("320x240"));
    }

    void theFileDialogProposesTheShowsNameAsAnMp4() {
        // "Save as video…" opens the window's own save dialog: only the video types, MP4 first
        // and chosen, and the show's own name proposed once it has one; a name typed without an
        // extension takes the filter the user picked.
        MainWindowProbe form;
        AddSlide(form, 1, 0, 0);
        const QString showFile = tmp_.path() + "/holiday.qvs";
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return showFile; };
        form.Files->saveAsProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY(QFile::exists(showFile));
        ui::UseDesktopDialogs(form.Dialogs, form);

        QStringList filters;
        QString proposed, folder;
        ui::RememberFolder("Videos", QDir::homePath() + "/"); // the show's folder comes first
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            auto* types = Widget<QComboBox>(*dialog, "fileTypeCombo");
            QCOMPARE(types->currentText(), QString("MP4 video (*.mp4)"));
            auto* name = Widget<QLineEdit>(*dialog, "fileNameEdit");
            proposed = name->text();
            folder = dialog->directory().absolutePath();
            QTest::keyClick(types, Qt::Key_Down); // as a user picks the next filter, and back
            QCOMPARE(types->currentText(), QString("AVI (*.avi)"));
            QTest::keyClick(types, Qt::Key_Up);
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
        form.Dialogs.ShowMessage = [](const QString&) {};
        // The save menu's one video entry leads there.
        auto* entry = form.SaveMenu->findChild<QAction*>("SaveVideoAction");
        QVERIFY(entry);
        QCOMPARE(entry->text(), QString::fromUtf8("Сохранить как видео…"));
        entry->trigger();
        QCOMPARE(filters, (QStringList{"MP4 video (*.mp4)", "AVI (*.avi)"}));
        QCOMPARE(proposed, QString("holiday.mp4"));
        QCOMPARE(folder, QFileInfo(tmp_.path()).absoluteFilePath());
        QCOMPARE(chosen, QString("mp4 dialog"));
    }

    void theWindowRepaintsWhileAVideoIsWritten() {
        // The interface thread must not wait for the export: a 20 ms timer asks the window to
        // repaint; its ticks may not be more than 100 ms apart, nor may a repaint come more than
        // 100 ms after it was asked for, while a deliberately slow writer takes a few seconds.
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int i = 0; i < 3; ++i)
            AddSlide(form, 2, 2, 1); // 225 frames, most of them composed one by one
        AcceptXvid(form, tmp_.path() + "/slow.avi");
        form.Dialogs.ShowMessage = [](const QString&) {};
        form.Export->AdjustOptions = [](media::VideoExportOptions& o) {
            o.MakeSink = SlowSinks(std::chrono::milliseconds(12));
        };
        using Clock = std::chrono::steady_clock;
        struct Watch : QObject {
            Clock::time_point lastTick{}, asked{};
            Clock::duration widestTick{}, slowestPaint{};
            int ticks = 0, paints = 0;
            bool waiting = false;
            void Tick() {
                const auto now = Clock::now();
                if (ticks++ > 0)
                    widestTick = std::max(widestTick, now - lastTick);
                lastTick = now;
                if (!waiting) {
                    waiting = true;
                    asked = now;
                }
            }
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint && waiting) {
                    waiting = false;
                    ++paints;
                    slowestPaint = std::max(slowestPaint, Clock::now() - asked);
                }
                return false;
            }
        } watch;
        form.installEventFilter(&watch);
        QTimer timer;
        timer.setInterval(20);
        connect(&timer, &QTimer::timeout, &form, [&] {
            watch.Tick();
            form.update();
        });
        const auto started = Clock::now();
        form.Export->saveAsVideo();
        QVERIFY(form.Export->Running());
        timer.start();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Export->Running(), 120000);
        timer.stop();
        form.removeEventFilter(&watch);
        const auto lasted = Clock::now() - started;
        QVERIFY(outcomes::OutcomeOf(form.Export->LastResult()) == media::ExportOutcome::Written);
        // The writer sleeps 12 ms a frame: the export took seconds, and the window lived.
        QVERIFY(lasted > std::chrono::milliseconds(2000));
        QVERIFY2(watch.ticks > 50, qPrintable(QString::number(watch.ticks)));
        QVERIFY2(watch.paints > 25, qPrintable(QString::number(watch.paints)));
        const auto ms = [](Clock::duration d) {
            return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
        };
        QVERIFY2(watch.widestTick < std::chrono::milliseconds(100),
                 qPrintable(QString("widest tick gap %1 ms").arg(ms(watch.widestTick))));
        QVERIFY2(watch.slowestPaint < std::chrono::milliseconds(100),
                 qPrintable(QString("slowest repaint %1 ms").arg(ms(watch.slowestPaint))));
    }

    void cancelInTheProgressWindowStopsTheExportAndAClosingWindowWaits() {
        MainWindowProbe form;
        form.show();
        for (int i = 0; i < 3; ++i)
            AddSlide(form, 2, 2, 1);
        const QString out = tmp_.path() + "/stopped.avi";
        AcceptXvid(form, out);
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Export->AdjustOptions = [](media::VideoExportOptions& o) {
            o.MakeSink = SlowSinks(std::chrono::milliseconds(20));
        };
        // The Cancel button of the progress window, once the export shows it.
        form.Export->saveAsVideo();
        QTRY_VERIFY_WITH_TIMEOUT(form.ProgressView->isVisible(), 20000);
        QVERIFY(form.Export->Running());
        // Commands are refused meanwhile: the show keeps its photos.
        form.Storyboard->SelectSlide(0);
        form.Commands->deletePhoto();
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        Widget<QPushButton>(*form.ProgressView, "cancelButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Export->Running(), 20000);
        QVERIFY(outcomes::OutcomeOf(form.Export->LastResult()) == media::ExportOutcome::Cancelled);
        QVERIFY(form.Export->LastResult()->Frames < 225);
        QVERIFY(!form.ProgressView->isVisible());
        QVERIFY(!form.Busy());
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('|')));

        // A close while the next export runs stops it and waits; the window then closes.
        form.Export->saveAsVideo();
        QVERIFY(form.Export->Running());
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 20000);
        QVERIFY(!form.Export->Running());
        QVERIFY(outcomes::OutcomeOf(form.Export->LastResult()) == media::ExportOutcome::Cancelled);
    }
};

QTEST_MAIN(VideoExportControllerTest)
#include "video_export_controller_test.moc"
