// The window while a job runs on the worker: whatever its event loop lets in meanwhile (a close, a
// drop, a command, a late Cancel) must neither change the show under the job nor leak into the
// next job.
#include "MainWindowProbe.h"
#include "WindowWaits.h"
#include "app/WindowJobs.h"
#include "base/ProgramFolder.h"
#include "base/ui/ProgressWindow.h"
#include "project/ProjectFile.h"
#include "project/Records.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

using ui::MainWindowProbe;

class JobsTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    // Holds the window's next job at its first block until `release` is set (on the window's
    // thread), so what the test does there certainly happens while the job runs.
    static void HoldFirstBlock(MainWindowProbe& form, std::atomic<bool>& release) {
        form.Jobs->AfterBlock = [&release, held = false]() mutable {
            if (held)
                return;
            held = true;
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!release.load() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
    }

    // A slide or track whose working copy holds `bytes` bytes, so that copying it takes several
    // blocks.
    static void AddItem(MainWindowProbe& form, bool photo, std::size_t bytes) {
        const project::WorkFiles& work = form.Work();
        const std::string file = work.MakeWorkName(photo ? work.PicturesDir() : work.MusicDir(),
                                                   photo ? ".bmp" : ".wav");
        std::ofstream(file) << std::string(bytes, photo ? 'p' : 't');
        if (photo) {
            auto s = project::Slide::MakeDefault();
            s.WorkFile = file;
            QVERIFY(form.Insert(s));
        } else {
            auto t = project::Track::MakeDefault();
            t.WorkFile = file;
            QVERIFY(form.Insert(t));
        }
    }
    static QByteArray ReadAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The photos and tracks a saved file lists, read back by the core.
    static std::pair<int, int> CountsIn(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {-1, -1};
        project::ProjectHeader h;
        if (f.read(reinterpret_cast<char*>(&h), sizeof h) != sizeof h)
            return {-1, -1};
        return {h.PhotoCount.get(), h.TrackCount.get()};
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        QVERIFY(QDir(tmp_.path()).mkpath("program"));
        base::SetProgramFolderForTesting(tmp_.path() + "/program");
    }

    void closeDuringSaveKeepsThePreviousProjectAndClosesAfter() {
        const QString path = tmp_.path() + "/kept.qvs";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("the previous project");
        }
        MainWindowProbe form;
        form.show();
        for (int i = 0; i < 3; ++i)
            AddItem(form, true, 3 << 20);
        bool closedInside = true;
        std::atomic<bool> release{false};
        HoldFirstBlock(form, release);
        QTimer::singleShot(0, &form, [&] {
            closedInside = form.close();
            release = true;
        });
        QVERIFY(!window_waits::SaveAndWait(form, path)); // stopped, not saved
        QVERIFY(!closedInside);                          // the close waited for the job
        QCOMPARE(ReadAll(path), QByteArray("the previous project"));
        QCOMPARE(form.Show.Slides().size(), std::size_t(3)); // nothing torn down under the job
        QTRY_VERIFY(!form.isVisible());                      // and then the window closed
        QVERIFY(form.Show.Slides().empty());
    }

    void dropsAndCommandsDuringASaveAreIgnored() {
        MainWindowProbe form;
        form.show();
        // Records only: the size below is theirs (classic options and photo size, no block).
        QVERIFY(form.Change([](project::ShowContent& c) { c.Options = project::ShowOptions{}; }));
        QVERIFY(form.History.Apply({project::edit::SetPhotoSettings{project::PhotoSettings{}}},
                                   QStringLiteral("classic photos")));
        for (int i = 0; i < 2; ++i)
            AddItem(form, true, 3 << 20);
        AddItem(form, false, 1 << 20);
        const QString photo = tmp_.path() + "/dropped.bmp";
        QImage(8, 8, QImage::Format_RGB32).save(photo, "BMP");
        int asked = 0;
        form.Dialogs.AskYesNo = [&](const QString&, const QString&) { return ++asked, true; };
        std::atomic<bool> release{false};
        HoldFirstBlock(form, release);
        bool wasBusy = false;
        QTimer::singleShot(0, &form, [&] {
            wasBusy = form.Busy();
            form.Import->AcceptDroppedPaths({photo});
            form.Storyboard->SelectSlide(0);
            form.Commands->deletePhoto();
            form.Files->newProject();
            release = true;
        });
        const QString path = tmp_.path() + "/whole.qvs";
        QVERIFY(window_waits::SaveAndWait(form, path));
        QVERIFY(wasBusy);
        QVERIFY(!form.Busy());
        QCOMPARE(asked, 0);
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QCOMPARE(CountsIn(path), std::make_pair(2, 1));
        QCOMPARE(QFileInfo(path).size(),
                 qint64(sizeof(project::ProjectHeader) + 2 * sizeof(project::SlideRecord) +
                        sizeof(project::TrackRecord) + 3 * 8 + 2 * (3 << 20) + (1 << 20)));
        // Once the job is over the same drop is taken.
        form.Import->AcceptDroppedPaths({photo});
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
    }

    void aCancelAfterTheLastPhotoDoesNotStopTheNextSave() {
        MainWindowProbe form;
        form.show();
        AddItem(form, true, 1 << 20);
        AddItem(form, false, 3 << 20);
        // Cancel pressed while the track is copied: too late to stop this save.
        QTimer press;
        connect(&press, &QTimer::timeout, &form, [&] {
            if (form.ProgressView->Position() == 100)
                form.ProgressView->RequestCancel();
        });
        press.start(0);
        QVERIFY(window_waits::SaveAndWait(form, tmp_.path() + "/first.qvs"));
        press.stop();
        QVERIFY(window_waits::SaveAndWait(form, tmp_.path() + "/second.qvs"));
        QCOMPARE(CountsIn(tmp_.path() + "/second.qvs"), std::make_pair(1, 1));
    }
};

QTEST_MAIN(JobsTest)
#include "jobs_test.moc"
