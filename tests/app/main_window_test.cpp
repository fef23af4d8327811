// The main window headless: caption, sizes, the bottom toolbar, and the show commands with their
// questions answered both ways.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "WindowWaits.h"
#include "app/HelpWindow.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "project/ProjectFile.h"
#include "project/Settings.h"
#include "project/ShowEdit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <filesystem>
#include <fstream>

using ui::MainWindowProbe;

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;

    // Adds a slide with a real working file, as an import would leave it.
    static std::string AddSlide(MainWindowProbe& form, int seconds) {
        auto s = project::Slide::MakeDefault();
        s.StillMs = std::int64_t{seconds} * 1000;
        const std::string file = form.Work().MakePictureName(".bmp");
        std::ofstream(file) << "bmp";
        s.WorkFile = file;
        form.Insert(s);
        return file;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        // A settings store of its own and a program folder without language files: the
        // built-in Russian texts, whatever the user running the tests has chosen.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        QVERIFY(QDir(tmp_.path()).mkpath("program"));
        base::SetProgramFolderForTesting(tmp_.path() + "/program");
        base::AppLanguage().LanguageTable.clear(); // the built-in texts again
        base::AppLanguage().FileKeys.clear();
    }

    void captionAndSizes() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QString("Tarnwick Reelpane Freeware 1.9"));
        QCOMPARE(form.size(), QSize(637, 560));
        QCOMPARE(form.minimumSize(), QSize(637, 560)); // the window grows, never shrinks below
        QCOMPARE(Widget<QFrame>(form, "topBar")->height(), 29);
        QCOMPARE(Widget<QFrame>(form, "storyboardPanel")->height(), 138);
        QCOMPARE(Widget<QFrame>(form, "bottomBar")->height(), 66);
        QCOMPARE(Widget<QWidget>(form, "addPanel")->width(), 71);
        QCOMPARE(Widget<QToolButton>(form, "addPhotosButton")->size(), QSize(65, 65));
        QCOMPARE(Widget<QWidget>(form, "photoStrip")->height(), 90);
        QCOMPARE(Widget<QWidget>(form, "musicStrip")->height(), 24);
        // The bottom toolbar stays centred in the bottom bar, also after a resize.
        for (int width : {637, 900}) {
            form.resize(width, 560);
            QTest::qWait(20);
            const QRect bar = Widget<QFrame>(form, "fileBar")->geometry();
            QCOMPARE(bar.left(), (Widget<QFrame>(form, "bottomBar")->width() - bar.width()) / 2);
            QVERIFY(bar.width() >= 5 * 62);
        }
        QCOMPARE(form.Preview->ScheduleTimer->interval(), 30);
        QCOMPARE(form.Preview->FrameTimer->interval(), 16);
        QCOMPARE(form.Disc->ProgressTimer->interval(), 1000);
        QCOMPARE(form.Disc->EraseTimer->interval(), 700);
    }

    // A new show fits today's screens: photos of 1920 x 1080 on black. A show saved without a
    // photo size (1280 x 1024) keeps its own when opened, the next new show has today's again,
    // and a size the user chose wins over both.
    void newShowsFitTodaysScreensAndSavedShowsKeepTheirs() {
        const auto size = [](const MainWindowProbe& form) {
            int w = 0, h = 0;
            form.Show.Photos().Size(w, h);
            return QSize(w, h);
        };
        // A show saved before today's defaults: its photo size the classic one, not stored.
        const QString old = tmp_.path() + "/classic.qvs";
        {
            MainWindowProbe maker;
            QVERIFY(maker.History.Apply({project::edit::SetPhotoSettings{project::PhotoSettings{}}},
                                        QStringLiteral("old")));
            const QString photo = tmp_.path() + "/classic.png";
            QImage picture(64, 48, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            QVERIFY(picture.save(photo));
            QVERIFY(maker.Import->AddPhoto(photo));
            base::NoProgress progress;
            QVERIFY(project::SaveProject(maker.Show, old.toStdString(), progress));
        }
        {
            MainWindowProbe form;
            QCOMPARE(size(form), QSize(1920, 1080));
            QCOMPARE(form.Show.Photos().BackColor, 0x000000);
            QVERIFY(!form.History.IsModified());
            form.OpenStartupShow(old);
            QVERIFY(window_waits::WaitForJobs(form));
            QCOMPARE(form.Show.Slides().size(), std::size_t(1));
            QCOMPARE(size(form), QSize(1280, 1024));
            QVERIFY(form.Show.Photos().Resolution.empty()); // saved again without a size
            form.Dialogs.AskYesNo = [](const QString&, const QString&) { return true; };
            form.Dialogs.AskSaveChanges = [](const QString&, const QString&) {
                return ui::SaveAnswer::Discard;
            };
            form.Files->newProject();
            QVERIFY(form.Show.Slides().empty());
            QCOMPARE(size(form), QSize(1920, 1080));
            QVERIFY(!form.History.IsModified());
        }
        QVERIFY(project::WriteSettings(QString(), "800x600"));
        {
            MainWindowProbe form;
            QCOMPARE(size(form), QSize(800, 600));
            form.OpenStartupShow(old);
            QVERIFY(window_waits::WaitForJobs(form));
            QCOMPARE(size(form), QSize(800, 600));
        }
        QVERIFY(project::WriteSettings(QString(), QString()));
    }

    void newProjectQuestion() {
        MainWindowProbe form;
        int asked = 0;
        bool answer = false;
        QString question;
        form.Dialogs.AskYesNo = [&](const QString& q, const QString&) {
            ++asked;
            question = q;
            return answer;
        };
        // Tracks but no photos: nothing at all, not even the question.
        form.Insert(project::Track::MakeDefault());
        form.Files->newProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 0);
        QCOMPARE(form.Show.Sounds().size(), std::size_t(1));

        const std::string file = AddSlide(form, 5);
        answer = false;
        form.Files->newProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 1);
        QCOMPARE(question, QString("Создать новое слайдшоу?"));
        QCOMPARE(form.Show.Slides().size(), std::size_t(1));
        QVERIFY(std::filesystem::exists(file));

        answer = true;
        form.Files->newProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 2);
        QVERIFY(form.Show.Slides().empty());
        QVERIFY(form.Show.Sounds().empty());
        QVERIFY(!std::filesystem::exists(file));
    }

    void deleteAndMoveCommands() {
        MainWindowProbe form;
        bool answer = false;
        form.Dialogs.AskYesNo = [&](const QString&, const QString&) { return answer; };
        for (int s = 1; s <= 3; ++s)
            AddSlide(form, s);
        form.Storyboard->SelectSlide(2);
        form.Commands->deletePhoto(); // answered No
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        answer = true;
        form.Commands->deletePhoto();
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        QCOMPARE(qobject_cast<QLabel*>(
                     form.Storyboard->PhotoCellWidget(1, ui::StoryboardView::PhotoPart::Thumb))
                     ->pixmap()
                     .toImage()
                     .pixelColor(0, 0),
                 QColor(0, 255, 0));     // shown selected
        form.Commands->movePhotoRight(); // the last photo cannot move right
        QCOMPARE(int(form.Show.Slides()[1].StillMs / 1000), 2);
        form.Commands->movePhotoLeft();
        QCOMPARE(int(form.Show.Slides()[0].StillMs / 1000), 2);
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        QVERIFY(
            form.History.SwapSlides(1 - 1, 2 - 1, {form.Storyboard->SelectedSlide(), 1 - 1}).ok());
        QCOMPARE(int(form.Show.Slides()[0].StillMs / 1000), 1);
        QCOMPARE(form.Storyboard->SelectedSlide(), 0);
    }

    // The empty show's preview says how to begin, in the language in use, and gives way to the
    // first photo and comes back when the last goes.
    void theEmptyShowSaysHowToBegin() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto preview = [&] {
            return Widget<QLabel>(form, "previewImage")->pixmap().toImage();
        };
        const QImage russian = preview();
        const QColor face = russian.pixelColor(0, 0);
        int written = 0;
        for (int y = 0; y < russian.height(); ++y)
            for (int x = 0; x < russian.width(); ++x)
                written += russian.pixelColor(x, y) != face;
        QVERIFY2(written > 200, qPrintable(QString::number(written)));
        base::AppLanguage().LanguageTable.assign(945, std::string());
        base::AppLanguage().LanguageTable[944] = "Begin here";
        form.ApplyLanguage();
        const QImage english = preview();
        base::AppLanguage().LanguageTable.clear();
        QVERIFY(english != russian);
        AddSlide(form, 1);
        QVERIFY(preview() != russian);
        form.Dialogs.AskYesNo = [](const QString&, const QString&) { return true; };
        form.Commands->deletePhoto();
        QVERIFY(form.Show.Slides().empty());
        QCOMPARE(preview(), russian);
    }

    // F1 opens the help inside the program, at the section of the dialog in front; the link
    // icons hand their addresses to the desktop.
    void helpAndLinksOpenTheirTargets() {
        base::SetProgramFolderForTesting(QStringLiteral(REELPANE_TEST_BINARY_DIR)); // with help/
        MainWindowProbe form;
        QStringList opened;
        form.Dialogs.OpenExternal = [&](const QString& t) { opened << t; };
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_F1);
        auto* help = form.findChild<ui::HelpWindow*>();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->Browser()->source().toLocalFile(),
                 base::ProgramFolder() + "help/help.html"); // English, the default file's
        QVERIFY(help->Browser()->toPlainText().contains("The main window"));
        help->close();
        // In front, the show's music dialog: F1 there opens its section, over it.
        QString section;
        QTimer::singleShot(0, &form, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            QTest::keyClick(dialog, Qt::Key_F1);
            auto* over = dialog->findChild<ui::HelpWindow*>();
            QVERIFY(over && over->isVisible());
            section = over->Browser()->source().fragment();
            over->close();
            dialog->close();
        });
        form.openShowMusic();
        QCOMPARE(section, QString("music-options"));
        QVERIFY(opened.isEmpty());
        base::SetProgramFolderForTesting(tmp_.path() + "/program");
        base::AppLanguage().LanguageTable.clear(); // the built-in texts again
        base::AppLanguage().FileKeys.clear();
        base::AppLanguage().LanguageTable.clear(); // the built-in texts again
        base::AppLanguage().FileKeys.clear();
        QTest::mouseClick(Widget<QLabel>(form, "photographyLink"), Qt::LeftButton);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0], QString("https://en.wikipedia.org/wiki/Photography"));
        // Each icon names what it opens before it is clicked.
        QVERIFY(Widget<QLabel>(form, "photographyLink")->toolTip().contains(opened[0]));
        QVERIFY(Widget<QLabel>(form, "discFormatLink")->toolTip().contains("ISO_9660"));
        QTest::mouseClick(Widget<QLabel>(form, "siteLink"),
                          Qt::LeftButton); // the program's own page
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[1], form.SiteURL);
        // The built-in site address is the program's web page, not a file of the program.
        QVERIFY(opened[1].startsWith("https://"));
    }

    void closingRemovesWorkingCopiesWithoutAsking() {
        std::string file;
        std::string instance;
        {
            MainWindowProbe form;
            int asked = 0;
            form.Dialogs.AskYesNo = [&](const QString&, const QString&) { return ++asked, false; };
            file = AddSlide(form, 3);
            instance = std::filesystem::path(form.Work().PicturesDir()).parent_path().parent_path();
            form.show();
            QVERIFY(form.close());
            QCOMPARE(asked, 0);
        }
        QVERIFY(!std::filesystem::exists(file));
        QVERIFY(!std::filesystem::exists(instance));
    }

    // Photos that cannot be read are named once, after the import; the readable ones come in.
    void unreadablePhotosAreNamedAfterTheImport() {
        MainWindowProbe form;
        const QString good = tmp_.path() + "/good.png";
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(good));
        const QString damaged = tmp_.path() + "/damaged.jpg";
        const QString text = tmp_.path() + "/notes.jpg";
        for (const auto& [path, bytes] :
             {std::pair{damaged, QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 14)},
              std::pair{text, QByteArray("shopping list\n")}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& m) { messages << m; };
        form.Dialogs.AskPhotoFiles = [&] { return QStringList{damaged, good, text}; };
        form.Import->addPhotos();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(1));
        QCOMPARE(messages,
                 QStringList{QString::fromUtf8("Не удалось прочитать файлы (2): damaged.jpg, "
                                               "notes.jpg")});
    }

    // A new, unchanged show keeps the bare program name; the window's size and the file
    // dialogs' folders are remembered.
    void titleGeometryAndFoldersAreKept() {
        {
            MainWindowProbe form;
            QCOMPARE(form.windowTitle(), QString("Tarnwick Reelpane Freeware 1.9"));
            form.show();
            form.resize(820, 640);
            QVERIFY(form.close());
        }
        MainWindowProbe again;
        QCOMPARE(again.size(), QSize(820, 640));

        const QString home = ui::StartFolder("Music");
        QVERIFY(QFileInfo(home).isDir());
        ui::RememberFolder("Photos", tmp_.path() + "/good.png");
        QCOMPARE(ui::StartFolder("Photos"), tmp_.path());
        QCOMPARE(ui::StartFolder("Music"), home);                 // each kind its own
        ui::RememberFolder("Music", tmp_.path() + "/gone/x.mp3"); // vanished: not used
        QCOMPARE(ui::StartFolder("Music"), home);

        // A save dialog opens beside the show's own file, whatever folder was used last; for a
        // show never saved, in the folder last used.
        ui::RememberFolder("Shows", tmp_.path() + "/last.qvs");
        const QString trip = tmp_.path() + "/trip";
        QVERIFY(QDir().mkpath(trip));
        const ui::SaveDialogStart video =
            ui::SaveStartOf(ui::ProposedFileName(trip + "/holiday.qvs") + ".mp4", "Videos");
        QCOMPARE(video.Folder, trip);
        QCOMPARE(video.Name, QString("holiday.mp4"));
        QCOMPARE(ui::SaveStartOf(ui::ProposedFileName(trip + "/holiday.qvs"), "Shows").Folder,
                 trip);
        const ui::SaveDialogStart fresh = ui::SaveStartOf(ui::ProposedFileName(), "Shows");
        QCOMPARE(fresh.Folder, tmp_.path());
        QVERIFY(fresh.Name.startsWith("Pictaro_"));
    }

    // The enabled state follows each change as it happens, with no event processed between
    // (no poll could have run): the show's photos, the strip's page, the progress window and the
    // preview.
    void controlsFollowTheWindowsState() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* preview = Widget<QToolButton>(form, "previewButton");
        auto* topBar = Widget<QFrame>(form, "topBar");
        auto* bottomBar = Widget<QFrame>(form, "bottomBar");
        auto* previous = Widget<QToolButton>(form, "previousPageButton");
        auto* next = Widget<QToolButton>(form, "nextPageButton");
        QVERIFY(!preview->isEnabled()); // no photos
        AddSlide(form, 1);
        QVERIFY(preview->isEnabled());
        QVERIFY(topBar->isEnabled());
        QVERIFY(!next->isEnabled());
        while (form.Storyboard->PhotoCellCount() < 20)
            AddSlide(form, 1);
        QVERIFY(next->isEnabled()); // more photos than a page holds
        QVERIFY(!previous->isEnabled());
        form.Commands->nextStripPage();
        QVERIFY(previous->isEnabled());

        form.ProgressView->show();
        QVERIFY(!topBar->isEnabled());
        QVERIFY(!Widget<QWidget>(form, "stripsPanel")->isEnabled());
        QVERIFY(!preview->isEnabled());
        form.ProgressView->hide();
        QVERIFY(topBar->isEnabled());
        QVERIFY(preview->isEnabled());

        form.Preview->start();
        QVERIFY(form.Preview->Running());
        QVERIFY(!bottomBar->isEnabled());
        form.Preview->stop();
        QVERIFY(bottomBar->isEnabled());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
