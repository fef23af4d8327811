// Autosave and recovery of the real window: a window in a child process is edited (photos, an
// effect, a transition, a track and its volume), autosaves, and is killed with SIGKILL; the next
// window offers the show, recovers every edit as an unsaved show, or deletes it on No. Also the
// caption while changes are unsaved, Ctrl+S to the show's own file, and "Saved".
#include "AudioFiles.h"
#include "MainWindowProbe.h"
#include "WindowWaits.h"
#include "app/AutosaveController.h"
#include "app/WindowDialogs.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "project/Recovery.h"
#include "project/SlideEdits.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <filesystem>

using ui::MainWindowProbe;

namespace {

constexpr const char* kChildFlag = "--edit-and-wait";

void UseFolder(const QString& dir) {
    qputenv("TMPDIR", dir.toLocal8Bit());
    qputenv("XDG_STATE_HOME", (dir + "/state").toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir + "/config");
    QDir(dir).mkpath("program");
    base::SetProgramFolderForTesting(dir + "/program");
}

QStringList MakePhotos(const QString& dir) {
    QStringList photos;
    const QColor colours[] = {QColor(200, 40, 40), QColor(40, 200, 40), QColor(40, 40, 200)};
    for (int i = 0; i < 3; ++i) {
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(colours[i]);
        photos << dir + QString("/photo%1.png").arg(i);
        image.save(photos.back());
    }
    return photos;
}

QImage Picture(const std::string& path) {
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

// The child: edits a show in a real window, waits for its autosave, says "ready" and waits to
// be killed. The effect's picture is left beside for the parent to compare.
int EditAndWait(const QString& dir) {
    UseFolder(dir);
    MainWindowProbe form;
    form.show();
    const QStringList photos = MakePhotos(dir);
    form.Import->AcceptDroppedPaths(photos);
    if (!window_waits::WaitForJobs(form))
        return 2;
    const std::string wav = testing_audio::AudioFiles::Get().Wav("tone.wav", 2.0);
    if (form.Show.Slides().size() != 3 || !form.Import->AddTrack(QString::fromStdString(wav)))
        return 2;

    auto effect = form.History.BeginChange(1);
    if (!effect ||
        !project::ApplySlideEdit(effect->Draft, 1, project::ColorEdit{2}, form.Show.Photos()))
        return 3;
    if (!form.History.Commit(std::move(*effect), "sepia").ok())
        return 3;
    auto transition = form.History.BeginChange();
    transition->Draft.Slides[0].TransitionKind = 5;
    transition->Draft.Slides[0].TransitionMs = 3000;
    if (!form.History.Commit(std::move(*transition), "transition").ok())
        return 3;
    auto volume = form.History.BeginChange();
    volume->Draft.Sounds[0].Volume = 37;
    if (!form.History.Commit(std::move(*volume), "volume").ok())
        return 3;

    if (!form.Autosave || !form.Autosave->WriteNow())
        return 4;
    Picture(form.Show.Slides()[1].WorkFile).save(dir + "/sepia.png");
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec(); // until killed
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    // Runs the child in its own folder until it is ready, then kills it with SIGKILL.
    static bool KilledAfterEdits(const QString& dir) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {kChildFlag, dir});
        if (!child.waitForStarted(10000))
            return false;
        QByteArray out;
        while (!out.contains("ready") && child.waitForReadyRead(60000))
            out += child.readAllStandardOutput();
        if (!out.contains("ready")) {
            child.kill();
            child.waitForFinished();
            return false;
        }
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(10000);
        return child.exitStatus() == QProcess::CrashExit;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        UseFolder(tmp_.path());
    }

    void aKilledWindowsEditsAreRecovered() {
        QTemporaryDir dir;
        UseFolder(dir.path());
        QVERIFY(KilledAfterEdits(dir.path()));

        // The texts as the shipped English language file words them.
        QVERIFY(
            base::LoadLanguageFile(base::AppLanguage(), QStringLiteral(REELPANE_TEST_SOURCE_DIR) +
                                                            "/language/english.lng"));
        MainWindowProbe form;
        form.show();
        QStringList questions;
        form.Dialogs.AskRecover = [&](const QString& q, const QString&) {
            questions << q;
            return true;
        };
        form.Files->OfferRecovery();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(questions.size(), 1);
        QVERIFY(questions[0].startsWith(
            "Reelpane closed unexpectedly. Recover the show you were working on?"));
        QVERIFY2(questions[0].contains("3 photo(s)"), qPrintable(questions[0]));

        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        // The effect lives in the working picture: the same sepia picture, not the green one.
        QVERIFY(Picture(form.Show.Slides()[1].WorkFile).pixelColor(80, 60) != QColor(40, 200, 40));
        QCOMPARE(Picture(form.Show.Slides()[1].WorkFile),
                 QImage(dir.path() + "/sepia.png").convertToFormat(QImage::Format_RGB32));
        QCOMPARE(form.Show.Slides()[0].TransitionKind, 5);
        QCOMPARE(form.Show.Slides()[0].TransitionMs, 3000);
        QCOMPARE(form.Show.Sounds().size(), std::size_t(1));
        QCOMPARE(form.Show.Sounds()[0].Volume, 37);
        // The recovered cells are numbered by their place, whatever their working files' names.
        for (std::size_t i = 0; i < 3; ++i)
            QCOMPARE(form.Storyboard->PhotoCellWidget(i, ui::StoryboardView::PhotoPart::Thumb)
                         ->accessibleName(),
                     QString::number(i + 1));
        // Unsaved: the caption says so, and closing asks.
        QVERIFY(form.History.IsModified());
        QCOMPARE(form.windowTitle(), QString("*Tarnwick Reelpane Freeware 1.9"));
        // The dead instance's file is gone; this one keeps the show in its own.
        QVERIFY(project::FindRecoveries(form.Session.Folders().RootDir()).empty());
        QVERIFY(QFile::exists(QString::fromStdString(form.Autosave->Files().Show)));

        // Saved with Ctrl+S (asks for a name the first time): clean, named, "Saved", and
        // the recovery file goes.
        const QString saved = dir.path() + "/holiday.qvs";
        int asked = 0;
        form.Dialogs.AskSaveName = [&](const QString&, bool) {
            ++asked;
            return saved;
        };
        QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 1);
        QCOMPARE(form.windowTitle(), QString::fromUtf8("holiday — Tarnwick Reelpane Freeware 1.9"));
        QCOMPARE(form.statusBar()->currentMessage(), QString("Saved"));
        QVERIFY(!QFile::exists(QString::fromStdString(form.Autosave->Files().Show)));
        // A later change and Ctrl+S: the same file, no question.
        auto change = form.History.BeginChange();
        change->Draft.Slides[2].StillMs = 9000;
        QVERIFY(form.History.Commit(std::move(*change), "seconds").ok());
        QCOMPARE(form.windowTitle(),
                 QString::fromUtf8("*holiday — Tarnwick Reelpane Freeware 1.9"));
        QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 1);
        QVERIFY(!form.History.IsModified());
    }

    // The recovery file lives in the user's state folder, private to the user, apart from the
    // temporary working folders: with those gone (a reboot), the work is still offered.
    void theRecoveryFileLivesInTheStateFolderAndOutlivesTheWorkingFolders() {
        QTemporaryDir dir;
        UseFolder(dir.path());
        QVERIFY(KilledAfterEdits(dir.path()));
        const QString state = dir.path() + "/state/reelpane";
        QCOMPARE(QString::fromStdString(project::RecoveryFolder()), state);
        const QStringList left = QDir(state).entryList({"recovery-*.qvs"}, QDir::Files);
        QCOMPARE(left.size(), 1);
        QCOMPARE(QFileInfo(state).permissions() & (QFile::ReadGroup | QFile::ReadOther),
                 QFileDevice::Permissions());
        std::string root;
        {
            MainWindowProbe probe;
            root = probe.Session.Folders().RootDir();
        }
        QVERIFY(QDir(QString::fromStdString(root)).entryList({"recovery-*"}).isEmpty());
        // The temporary folder emptied, locks and working copies with it.
        QVERIFY(QDir(QString::fromStdString(root)).removeRecursively());
        const auto offers = project::FindRecoveries(root);
        QCOMPARE(offers.size(), std::size_t(1));
        QCOMPARE(offers[0].PhotoCount, 3);
        MainWindowProbe form;
        form.Dialogs.AskRecover = [](const QString&, const QString&) { return true; };
        form.Files->OfferRecovery();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));

        // Without XDG_STATE_HOME (or with a relative one) the folder is under the home.
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", dir.path().toLocal8Bit());
        for (const char* value : {"", "relative/state"}) {
            qputenv("XDG_STATE_HOME", value);
            QCOMPARE(QString::fromStdString(project::RecoveryFolder()),
                     dir.path() + "/.local/state/reelpane");
        }
        qputenv("HOME", home);
        UseFolder(dir.path());
    }

    // "Discard" asks once more: kept when that is refused (and offered at the next start),
    // deleted when it is confirmed. The offer's own box has "Recover" as its default button.
    void discardingAsksOnceMoreThenDeletesTheRecoveryFile() {
        QTemporaryDir dir;
        UseFolder(dir.path());
        QVERIFY(KilledAfterEdits(dir.path()));
        QVERIFY(
            base::LoadLanguageFile(base::AppLanguage(), QStringLiteral(REELPANE_TEST_SOURCE_DIR) +
                                                            "/language/english.lng"));
        std::string root;
        for (const bool confirm : {false, true}) {
            MainWindowProbe form;
            QCOMPARE(form.windowTitle(), QString("Tarnwick Reelpane Freeware 1.9"));
            root = form.Session.Folders().RootDir();
            int offered = 0, confirmations = 0;
            form.Dialogs.AskRecover = [&](const QString&, const QString&) {
                ++offered;
                return false;
            };
            form.Dialogs.AskYesNo = [&](const QString& q, const QString&) {
                ++confirmations;
                return q.startsWith("The recovered show will be lost for good.") && confirm;
            };
            form.Files->OfferRecovery();
            QVERIFY(window_waits::WaitForJobs(form));
            QCOMPARE(offered, 1);
            QCOMPARE(confirmations, 1);
            QVERIFY(form.Show.Slides().empty());
            QCOMPARE(form.windowTitle(), QString("Tarnwick Reelpane Freeware 1.9"));
            QCOMPARE(project::FindRecoveries(root).empty(), confirm);
        }
        MainWindowProbe again;
        int asked = 0;
        again.Dialogs.AskRecover = [&](const QString&, const QString&) { return ++asked, true; };
        again.Files->OfferRecovery();
        QVERIFY(window_waits::WaitForJobs(again));
        QCOMPARE(asked, 0);

        // The desktop's box: "Recover" is its default button, and taking it answers true.
        ui::WindowDialogs desktop;
        ui::UseDesktopDialogs(desktop, again);
        QString defaultButton;
        QTimer::singleShot(0, &again, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box && box->defaultButton());
            defaultButton = box->defaultButton()->text();
            box->defaultButton()->click();
        });
        QVERIFY(desktop.AskRecover("?", "Reelpane"));
        QCOMPARE(defaultButton, QString("Recover"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && QString(argv[1]) == kChildFlag)
        return EditAndWait(QString::fromLocal8Bit(argv[2]));
    RecoveryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "recovery_test.moc"
