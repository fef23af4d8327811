// The window as the desktop meets it: a show named on the command line, the recent-shows list,
// addresses no browser takes, the preview following the window's size, and the bottom bar's
// controls apart from each other at every width.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "WindowWaits.h"
#include "app/BottomBarLayout.h"
#include "app/HelpWindow.h"
#include "app/ProgramPicture.h"
#include "app/RecentShowsMenu.h"
#include "app/StartupArguments.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "project/RecentShows.h"
#include "project/Settings.h"
#include "project/ui/AboutDialog.h"
#include "ui_AboutDialog.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>

using ui::MainWindowProbe;

class DesktopTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;

    // A saved show of one photo.
    QString MakeShow(const QString& name) {
        MainWindowProbe maker;
        maker.Dialogs.ShowMessage = [](const QString& text) { QFAIL(qPrintable(text)); };
        [&] { QVERIFY(maker.Import->AddPhoto(photo_)); }();
        const QString path = tmp_.filePath(name);
        [&] { QVERIFY(window_waits::SaveAndWait(maker, path)); }();
        return path;
    }

    static QRect InWindow(const QWidget& window, const QWidget* w) {
        return QRect(w->mapTo(&window, QPoint(0, 0)), w->size());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        base::SetProgramFolderForTesting(QStringLiteral(REELPANE_TEST_BINARY_DIR));
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(QColor(200, 40, 40));
        photo_ = tmp_.filePath("photo.png");
        QVERIFY(image.save(photo_));
    }

    void init() {
        // A fresh settings store per test: no recent shows, built-in texts.
        static int round = 0;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           tmp_.filePath(QStringLiteral("config%1").arg(++round)));
        base::AppLanguage() = base::Language();
    }

    void previewIsRedrawnAtTheNewSize() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Import->AddPhoto(photo_));
        QLabel* preview = Widget<QLabel>(form, "previewImage");
        auto shownSize = [&] { return preview->pixmap().size(); };
        QTRY_COMPARE(shownSize(), preview->size());
        // Wider and taller; taller only (the strips keep their width); then maximised.
        for (QSize size : {QSize(800, 640), QSize(800, 760), QSize(800, 600)}) {
            form.resize(size);
            QTRY_COMPARE(form.size(), size);
            QTRY_COMPARE(shownSize(), preview->size());
        }
        const QSize before = preview->size();
        form.showMaximized();
        QTRY_VERIFY(preview->size() != before);
        QTRY_COMPARE(shownSize(), preview->size());
        // The picture is the photo composed at that size: red in the middle.
        const QImage shown = preview->pixmap().toImage();
        QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(200, 40, 40));
    }

    void theShowOnTheCommandLine() {
        QCOMPARE(ui::ShowPathFromArguments({"reelpane"}), QString());
        QCOMPARE(ui::ShowPathFromArguments({"reelpane", "/a/b.qvs"}), QString("/a/b.qvs"));
        QCOMPARE(ui::ShowPathFromArguments({"reelpane", "--quit-after-start", "b c.qvs"}),
                 QString("b c.qvs"));
        QCOMPARE(ui::ShowPathFromArguments({"reelpane", "--", "-dash.qvs"}), QString("-dash.qvs"));
        QCOMPARE(ui::ShowPathFromArguments({"reelpane", "file:///home/u/%D0%BB.qvs"}),
                 QString::fromUtf8("/home/u/л.qvs"));
        // Any other address is taken as it is, and reported as a file that is not there.
        QCOMPARE(ui::ShowPathFromArguments({"reelpane", "https://example.org/x.qvs"}),
                 QString("https://example.org/x.qvs"));

        // "Open with" on a selection hands over every file.
        QCOMPARE(ui::PathsFromArguments({"reelpane", "-style", "a.jpg", "file:///p/b.heic",
                                         "https://example.org/c.png", "--", "-d.wav"}),
                 QStringList({"a.jpg", "/p/b.heic", "https://example.org/c.png", "-d.wav"}));

        const QString path = MakeShow("started.qvs");
        MainWindowProbe form;
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Files->OpenStartupShow(path);
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join("\n")));
        QCOMPARE(form.Show.Slides().size(), std::size_t(1));
        QCOMPARE(form.Files->Recent->Paths().value(0), path);
    }

    // Photos and a track handed over at start come into the new show; they are not taken for a
    // show that fails to open.
    void photosAndTracksHandedOverAtStartComeIn() {
        const QString second = tmp_.filePath("second.png");
        QVERIFY(QFile::copy(photo_, second));
        const QString track = tmp_.filePath("track.wav");
        QProcess::execute("sox",
                          {"-n", "-r", "22050", "-c", "1", track, "synth", "1", "sine", "440"});
        MainWindowProbe form;
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.OpenStartupPaths({photo_, second, track});
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join("\n")));
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QCOMPARE(form.Show.Sounds().size(), std::size_t(1));
    }

    void aShowThatFailsToOpenIsReportedAndLeavesAnEmptyShow() {
        const QString damaged = tmp_.filePath("damaged.qvs");
        {
            QFile f(damaged);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("\x01\x00\x00\x00\x07\x00\x00\x00\xff\xff\x00\x00", 12));
        }
        const QString missing = tmp_.filePath("missing.qvs");
        for (const QString& path : {damaged, missing}) {
            MainWindowProbe form;
            QStringList messages;
            form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
            form.Files->OpenStartupShow(path);
            QVERIFY(window_waits::WaitForJobs(form));
            QVERIFY(window_waits::WaitForJobs(form));
            QCOMPARE(messages.size(), 1);
            if (path == damaged)
                QCOMPARE(messages[0], ui::ShowFileController::LoadFailureText() + "\n" +
                                          QDir::toNativeSeparators(damaged) +
                                          ": the file is too short for a project header");
            else
                QVERIFY(messages[0].contains(QDir::toNativeSeparators(missing)));
            QVERIFY(form.Show.Slides().empty());
            QVERIFY(form.Show.Sounds().empty());
            QVERIFY(form.Files->Recent->Paths().isEmpty()); // a failed open is not a recent show
        }
    }

    void theProgramOpensTheShowItIsGiven() {
        // The real program, started as a file manager starts it: the show is opened, which the
        // recent list in its settings store then tells.
        const QString path = MakeShow("double-clicked.qvs");
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("SDL_AUDIODRIVER", "dummy");
        env.insert("XDG_CONFIG_HOME", tmp_.filePath("program-config"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(REELPANE_TEST_BINARY_DIR) + "/reelpane",
                      {path, "--quit-after-start"});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QSettings stored(
            tmp_.filePath("program-config/Tarnwick/Tarnwick Reelpane Freeware 1.9.conf"),
            QSettings::IniFormat);
        QCOMPARE(stored.value("RecentShows").toStringList(), QStringList({path}));
    }

    void recentShowsAreListedNewestFirstAndKept() {
        const QString first = MakeShow("first.qvs");
        const QString second = MakeShow("second.qvs");
        {
            MainWindowProbe form;
            QVERIFY(window_waits::OpenAndWait(form, first));
            QVERIFY(window_waits::SaveAndWait(form, tmp_.filePath("saved.qvs")));
            QVERIFY(window_waits::OpenAndWait(form, second));
            QCOMPARE(form.Files->Recent->Paths(),
                     QStringList({second, tmp_.filePath("saved.qvs"), first}));
            for (int i = 0; i < 10; ++i)
                form.Files->Recent->Remember(tmp_.filePath(QStringLiteral("n%1.qvs").arg(i)));
            QCOMPARE(form.Files->Recent->Paths().size(), project::kRecentShowsLimit);
            QCOMPARE(form.Files->Recent->Paths().first(), tmp_.filePath("n9.qvs"));
            form.Files->Recent->Remember(second);
        }
        // The next start finds the list; the open button's menu offers it.
        MainWindowProbe form;
        QCOMPARE(form.Files->Recent->Paths().size(), project::kRecentShowsLimit);
        QCOMPARE(form.Files->Recent->Paths().first(), second);
        QCOMPARE(Widget<QToolButton>(form, "openButton")->menu(), form.Files->Recent->Menu());
        const auto entries = form.Files->Recent->Menu()->findChildren<QAction*>("Recent1");
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0]->text(), QString("&1 second.qvs"));

        // Picking a show that is gone says so and drops it; picking one that is there opens it.
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Files->Recent->Menu()
            ->findChild<QAction*>("Recent2")
            ->trigger(); // n9.qvs, never written
        QTRY_COMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QDir::toNativeSeparators(tmp_.filePath("n9.qvs"))));
        QVERIFY(messages[0].contains(
            base::AppLanguage().Text(943, "Он убран из списка недавних слайдшоу.")));
        QVERIFY(!form.Files->Recent->Paths().contains(tmp_.filePath("n9.qvs")));
        QCOMPARE(project::ReadRecentShows(), form.Files->Recent->Paths());
        form.Files->Recent->Menu()->findChild<QAction*>("Recent1")->trigger();
        QTRY_COMPARE(form.Show.Slides().size(), std::size_t(1));
        QCOMPARE(messages.size(), 1);

        form.Files->Recent->Menu()->findChild<QAction*>("RecentClear")->trigger();
        QTRY_VERIFY(form.Files->Recent->Paths().isEmpty());
        QVERIFY(project::ReadRecentShows().isEmpty());
        QVERIFY(form.Files->Recent->Menu()->findChild<QAction*>("RecentNone"));
    }

    void addressesNoBrowserTakesAreReported() {
        MainWindowProbe form;
        QStringList messages;
        QList<QUrl> launched;
        bool launcherWorks = false;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Dialogs.LaunchUrl = [&](const QUrl& url) { return launched << url, launcherWorks; };
        form.openLink(7);
        form.openLink(6);
        QCOMPARE(launched.size(), 2);
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].contains("https://en.wikipedia.org/wiki/Slide_show"));
        QVERIFY(messages[1].contains(form.SiteURL));
        // The help opens inside the program: no browser is asked.
        form.openHelp();
        QCOMPARE(launched.size(), 2);
        auto* help = form.findChild<ui::HelpWindow*>();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->Browser()->source().toLocalFile(),
                 base::ProgramFolder() + "help/help.html"); // English, the default file's
        // The about box's address goes the same way as the links.
        ui::AboutDialog about(form.SiteURL, form.Dialogs.OpenExternal, ui::DrawProgramPicture,
                              &form);
        about.openSite();
        QCOMPARE(messages.size(), 3);
        QVERIFY(messages[2].contains(form.SiteURL));
        // A launcher that works: no message.
        launcherWorks = true;
        form.openLink(8);
        QCOMPARE(messages.size(), 3);
    }

    void theAboutBoxShowsTheWholeSiteAddress() {
        MainWindowProbe form;
        QVERIFY(form.SiteURL.startsWith("https://"));
        QCOMPARE(form.SiteURL, QString::fromLatin1(project::kBuiltInSiteURL));
        ui::AboutDialog about(form.SiteURL, {}, ui::DrawProgramPicture, &form);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QLabel* address = about.Form->siteLink;
        QCOMPARE(address->text(), QString("www.tarnwick.example/reelpane"));
        QCOMPARE(address->toolTip(), form.SiteURL);
        QVERIFY(address->sizeHint().width() <= address->width());
        QVERIFY(about.rect().contains(address->geometry()));
    }

    void addressesAreShownAsOnAPage() {
        QCOMPARE(ui::AboutDialog::DisplayAddress("https://www.example.org/"),
                 QString("www.example.org"));
        QCOMPARE(ui::AboutDialog::DisplayAddress("HTTP://example.org/a/b"),
                 QString("example.org/a/b"));
        QCOMPARE(ui::AboutDialog::DisplayAddress("ftp://example.org/"),
                 QString("ftp://example.org"));
        QCOMPARE(
            ui::AboutDialog::DisplayAddress(QUrl::fromLocalFile("/opt/r/help.html").toString()),
            QString("/opt/r/help.html"));
    }

    void bottomBarPlacementKeepsTheLinksClear() {
        const QSize toolbar(346, 63);
        for (int width = 300; width <= 1400; width += 7) {
            const auto p = ui::PlaceBottomBar(width, 66, toolbar);
            QCOMPARE(p.Icons.size(), std::size_t(6));
            QVERIFY(p.Links.right() < width);
            QVERIFY(p.Links.bottom() < 66 && p.Links.top() >= 0);
            if (width >= toolbar.width() + 4 + p.Links.width())
                QVERIFY2(!p.Toolbar.intersects(p.Links), qPrintable(QString::number(width)));
            for (std::size_t i = 0; i < p.Icons.size(); ++i) {
                QVERIFY(QRect(QPoint(0, 0), p.Links.size()).contains(p.Icons[i]));
                for (std::size_t j = i + 1; j < p.Icons.size(); ++j)
                    QVERIFY(!p.Icons[i].intersects(p.Icons[j]));
            }
        }
        // Wide: the toolbar centred, the links in one row at the right end.
        auto wide = ui::PlaceBottomBar(900, 66, toolbar);
        QCOMPARE(wide.Toolbar.left(), (900 - 346) / 2);
        QCOMPARE(wide.Links.height(), 20);
        QCOMPARE(wide.Links.right(), 899);
        // Narrow: the links fold into a block and the toolbar moves left of it.
        auto narrow = ui::PlaceBottomBar(400, 66, toolbar);
        QVERIFY(narrow.Links.height() > 20);
        QVERIFY(narrow.Toolbar.right() < narrow.Links.left());
    }

    void atTheMinimumSizeNoControlsOverlap() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (QSize size :
             {form.minimumSize(), QSize(800, 560), QSize(637, 700), QSize(1100, 700)}) {
            form.resize(size);
            QTRY_COMPARE(form.size(), size);
            QTest::qWait(20);
            const std::vector<QWidget*> named = {
                Widget<QToolButton>(form, "newButton"),     Widget<QToolButton>(form, "openButton"),
                Widget<QToolButton>(form, "previewButton"), Widget<QToolButton>(form, "saveButton"),
                Widget<QToolButton>(form, "discButton"),    Widget<QLabel>(form, "siteLink"),
                Widget<QLabel>(form, "slideShowsLink"),     Widget<QLabel>(form, "photographyLink"),
                Widget<QLabel>(form, "freePhotosLink"),     Widget<QLabel>(form, "videoFormatLink"),
                Widget<QLabel>(form, "discFormatLink")};
            for (std::size_t i = 0; i < named.size(); ++i) {
                const QRect a = InWindow(form, named[i]);
                QVERIFY2(form.rect().contains(a), qPrintable(named[i]->objectName()));
                QVERIFY(named[i]->isVisible());
                for (std::size_t j = i + 1; j < named.size(); ++j)
                    QVERIFY2(!a.intersects(InWindow(form, named[j])),
                             qPrintable(QStringLiteral("%1 and %2 overlap at %3x%4")
                                            .arg(named[i]->objectName(), named[j]->objectName())
                                            .arg(size.width())
                                            .arg(size.height())));
            }
            // The buttons with a menu have room for their arrow.
            for (QToolButton* b :
                 {Widget<QToolButton>(form, "openButton"), Widget<QToolButton>(form, "saveButton")})
                QVERIFY2(b->width() >= b->sizeHint().width(), qPrintable(b->objectName()));
        }
    }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
