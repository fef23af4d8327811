// The window's start and end on machines as users have them: no sound device, signals from the
// session, no working folders; and the editor's preview picture kept while the photo is the same.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "WindowWaits.h"
#include "app/SignalBridge.h"
#include "base/ProgramFolder.h"
#include "media/audio/AudioLibrary.h"

#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <filesystem>

using ui::MainWindowProbe;

class StartTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;
    QString other_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        base::SetProgramFolderForTesting(QStringLiteral(REELPANE_TEST_BINARY_DIR));
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(QColor(200, 40, 40));
        photo_ = tmp_.filePath("photo.png");
        QVERIFY(image.save(photo_));
        image.fill(QColor(20, 40, 220));
        other_ = tmp_.filePath("other.png");
        QVERIFY(image.save(other_));
    }

    // Must run first: the sound device is opened once per process.
    void aMachineWithoutSoundStartsSilentlyWithANotice() {
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        QString modal;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                modal = box->metaObject()->className();
                box->close();
            }
        });
        watch.start(20);
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::qWait(200);
        watch.stop();
        QCOMPARE(modal, QString());
        QVERIFY(media::Audio().Loaded());
        QVERIFY(media::Audio().OutputOpen()); // the silent device: the preview keeps time
        QCOMPARE(form.statusBar()->currentMessage(), MainWindowProbe::NoSoundText());
        // Shown over the preview's bottom edge, which keeps its place and size meanwhile.
        auto* strip = form.findChild<QLabel*>("NoticeStrip");
        QVERIFY(strip && strip->isVisible());
        QCOMPARE(strip->text(), MainWindowProbe::NoSoundText());
        QCOMPARE(strip->geometry().bottom(), strip->parentWidget()->rect().bottom());
        const QRect preview = strip->parentWidget()->geometry();
        QTest::mouseClick(strip, Qt::LeftButton); // a click clears it
        QVERIFY(!strip->isVisible());
        QCOMPARE(form.statusBar()->currentMessage(), QString());
        QCOMPARE(strip->parentWidget()->geometry(), preview);
        QVERIFY(form.close());
    }

    void aSignalClosesTheWindowAndRemovesTheCopies() {
        std::string pictures;
        {
            MainWindowProbe form;
            ui::SignalBridge bridge([&form](int) { form.CloseWithoutQuestion(); });
            QVERIFY(bridge.Installed());
            form.show();
            QVERIFY(form.Import->AddPhoto(photo_));
            pictures = form.Work().PicturesDir();
            QVERIFY(!std::filesystem::is_empty(pictures));
            for (int signo : {SIGTERM, SIGINT, SIGHUP}) {
                form.show();
                QTimer::singleShot(0, [signo] { std::raise(signo); });
                QTRY_VERIFY(!form.isVisible());
            }
        }
        QVERIFY(!std::filesystem::exists(pictures));
    }

    void withoutWorkingFoldersNothingIsAddedOrOpened() {
        MainWindowProbe form;
        form.Session.Close();
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        int dialogs = 0;
        form.Dialogs.AskPhotoFiles = [&] { return ++dialogs, QStringList{photo_}; };
        form.Dialogs.AskOpenName = [&] { return ++dialogs, QString(tmp_.filePath("any.qvs")); };
        form.Import->addPhotos();
        QVERIFY(window_waits::WaitForJobs(form));
        form.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(form));
        form.Import->AcceptDroppedPaths({photo_});
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(dialogs, 0);
        QCOMPARE(messages.size(), 3);
        QVERIFY(messages[0].contains("cannot be added"));
        QVERIFY(form.Show.Slides().empty());
        QVERIFY(!QFile::exists(QDir::currentPath() + "/" + QString::number(form.Show.WorkPrefix()) +
                               ".bmp"));
    }

    void thePreviewKeepsTheSelectedPicture() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Import->AddPhoto(photo_));
        QVERIFY(form.Import->AddPhoto(other_));
        const int afterImport = form.Storyboard->PictureLoads();
        auto centre = [&] {
            const QImage shown = Widget<QLabel>(form, "previewImage")->pixmap().toImage();
            return shown.pixelColor(shown.width() / 2, shown.height() / 2);
        };
        QCOMPARE(centre(), QColor(20, 40, 220));
        for (int w : {700, 760, 820}) {
            form.resize(w, 600);
            QTest::qWait(20);
        }
        form.Storyboard->SelectSlide(1);
        QCOMPARE(form.Storyboard->PictureLoads(), afterImport); // resizes and reselection: none
        form.Storyboard->SelectSlide(0);
        QCOMPARE(form.Storyboard->PictureLoads(), afterImport + 1);
        QCOMPARE(centre(), QColor(200, 40, 40));
    }
};

QTEST_MAIN(StartTest)
#include "start_test.moc"
