// The storyboard headless: photo cells, paging, selection frames, drag swap, track cells, and
// the open and save commands with their messages.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "WindowTestFolder.h"
#include "WindowWaits.h"
#include "app/StripLayout.h"
#include "app/TransitionIcons.h"
#include "base/ProgramFolder.h"
#include "base/ui/ProgressWindow.h"
#include "imaging/TransitionKinds.h"
#include "imaging/ui/EffectsDialog.h"
#include "imaging/ui/TitleDialog.h"
#include "media/audio/AudioLibrary.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using ui::MainWindowProbe;

class StoryboardTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;

    // A window whose strip holds exactly seven cells.
    static void SevenCells(MainWindowProbe& form) {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(7 * 132 + 2 * 16 + 71, 600);
        QTRY_COMPARE(Widget<QWidget>(form, "photoStrip")->width(), 7 * 132);
    }

    using Part = ui::StoryboardView::PhotoPart;
    static QWidget* Cell(MainWindowProbe& form, std::size_t index, Part part) {
        return form.Storyboard->PhotoCellWidget(index, part);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        // No language files: the built-in texts.
        photo_ = window_test::UseTestFolder(tmp_, QSize(160, 120), QColor(200, 40, 40));
        QVERIFY(!photo_.isEmpty());
    }

    void eighthPhotoMovesToTheNextPage() {
        MainWindowProbe form;
        SevenCells(form);
        for (int i = 0; i < 7; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        QCOMPARE(form.Storyboard->SlidePage(), 0);
        QVERIFY(Cell(form, 6, Part::Panel)->isVisible());
        QCOMPARE(Cell(form, 6, Part::Panel)->x(), 6 * 132);
        QCOMPARE(Cell(form, 6, Part::TransitionPanel)->x(), 6 * 132 + 90);
        QVERIFY(form.Import->AddPhoto(photo_));
        QCOMPARE(form.Storyboard->SlidePage(), 1);
        QCOMPARE(form.Storyboard->SelectedSlide(), 7);
        QVERIFY(Cell(form, 7, Part::Panel)->isVisible());
        QCOMPARE(Cell(form, 7, Part::Panel)->x(), 0);
        QVERIFY(!Cell(form, 0, Part::Panel)->isVisible());
        // Drag tags follow positions.
        QCOMPARE(Cell(form, 7, Part::Thumb)->property("Index").toInt(), 7);
        QCOMPARE(Cell(form, 7, Part::TransitionCell)->toolTip(), QString("Нет эффекта"));

        // Deleting the only photo of the last page leaves that page empty until paging back.
        form.Dialogs.AskYesNo = [](const QString&, const QString&) { return true; };
        form.Commands->deletePhoto();
        QCOMPARE(form.Show.Slides().size(), std::size_t(7));
        QCOMPARE(form.Storyboard->SlidePage(), 1);
        for (std::size_t i = 0; i < 7; ++i)
            QVERIFY(!Cell(form, i, Part::Panel)->isVisible());
        form.Commands->previousStripPage();
        QCOMPARE(form.Storyboard->SlidePage(), 0);
        QVERIFY(Cell(form, 6, Part::Panel)->isVisible());
    }

    // Every transition has a picture of its own, and a cell shows the slide's own transition,
    // not the older kind kept for older readers (0 for a blend, drawn as "none").
    // A photo with faces carries the face mark from its import; a photo set moving carries the
    // motion mark, and loses it when the motion is undone.
    void thumbnailsMarkFacesAndMotion() {
        MainWindowProbe form;
        form.show();
        QVERIFY(form.Import->AddPhoto(photo_));
        QVERIFY(form.Import->AddPhoto("/usr/share/doc/opencv-doc/examples/data/messi5.jpg"));
        QVERIFY(*form.Show.Slides()[1].Faces() && (*form.Show.Slides()[1].Faces())->size() == 1);
        QVERIFY(*form.Show.Slides()[0].Faces() && (*form.Show.Slides()[0].Faces())->empty());
        // The corner where the marks go, as a plain picture: the red photo's own colour.
        const auto corner = [&](std::size_t i) {
            const QImage thumb = static_cast<QLabel*>(Cell(form, i, Part::Thumb))
                                     ->pixmap()
                                     .toImage()
                                     .convertToFormat(QImage::Format_RGB32);
            return thumb.copy(thumb.width() - 40, 0, 40, 22);
        };
        const auto plainRed = [&](const QImage& c) {
            for (int y = 4; y < c.height(); ++y)
                for (int x = 0; x < c.width() - 4; ++x)
                    if (c.pixelColor(x, y) != QColor(200, 40, 40))
                        return false;
            return true;
        };
        QVERIFY(plainRed(corner(0)));
        QVERIFY(corner(1) != corner(0));
        const QImage faceOnly = corner(1);
        QVERIFY(form.History.Apply({project::edit::SetSlide{0,
                                                            [&] {
                                                                project::Slide s =
                                                                    form.Show.Slides()[0];
                                                                s.Ext.Motion.Mode =
                                                                    imaging::MotionMode::Auto;
                                                                return s;
                                                            }()}},
                                   "motion"));
        QVERIFY(!plainRed(corner(0)));
        QVERIFY(form.History.Undo().ok());
        QVERIFY(plainRed(corner(0)));
        QCOMPARE(corner(1), faceOnly);
    }

    // A double click on a photo opens its effects on the page used last, on a track its
    // settings; the photo's menu lists every edit with an icon and a shortcut that works in the
    // whole window, each opening its own page (or the transition chooser).
    void doubleClicksAndThePhotoMenuOpenTheEdits() {
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
        MainWindowProbe form;
        SevenCells(form);
        QVERIFY(form.Import->AddPhoto(photo_));
        QVERIFY(form.Import->AddPhoto(photo_));
        const QString wav = tmp_.filePath("dbl.wav");
        QVERIFY(std::system(("sox -n -r 22050 -c 1 '" + wav + "' synth 1 sine 330")
                                .toLocal8Bit()
                                .constData()) == 0);
        QVERIFY(form.Import->AddTrack(wav));

        // What opens next: its class name and, for the effects, its page; closed at once.
        QString opened;
        const auto expectDialog = [&] {
            opened.clear();
            QTimer::singleShot(0, &form, [&] {
                QWidget* modal = QApplication::activeModalWidget();
                QVERIFY(modal);
                opened = modal->metaObject()->className();
                if (auto* effects = qobject_cast<ui::EffectsDialog*>(modal))
                    opened += QString::number(effects->OpenPage());
                modal->close();
            });
        };
        expectDialog();
        form.Commands->openEffects(3); // the page used last
        QCOMPARE(opened, QString("ui::EffectsDialog3"));
        expectDialog();
        QTest::mouseDClick(Cell(form, 1, Part::Thumb), Qt::LeftButton);
        QCOMPARE(opened, QString("ui::EffectsDialog3"));
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        expectDialog();
        QWidget* track = form.Storyboard->TrackCellWidget(0, ui::StoryboardView::TrackPart::Image);
        QVERIFY(track);
        QTest::mouseDClick(track, Qt::LeftButton, {}, QPoint(60, 12));
        QCOMPARE(opened, QString("ui::TrackDialog"));

        const QStringList names = {"CropAction",     "CaptionAction",    "TurnAction",
                                   "LightAction",    "ColourAction",     "MotionAction",
                                   "DurationAction", "TransitionAction", "BackgroundAction"};
        const QStringList want = {
            "ui::EffectsDialog0", "ui::EffectsDialog1",   "ui::EffectsDialog2",
            "ui::EffectsDialog3", "ui::EffectsDialog4",   "ui::EffectsDialog6",
            "ui::EffectsDialog5", "ui::TransitionDialog", "ui::EffectsDialog4"};
        const QList<QAction*> entries = form.PhotoMenu->actions();
        for (int i = 0; i < names.size(); ++i) {
            auto* action = form.PhotoMenu->findChild<QAction*>(names[i]);
            QVERIFY2(action, qPrintable(names[i]));
            QCOMPARE(entries.indexOf(action), i);
            QVERIFY(!action->icon().isNull());
            QVERIFY(!action->shortcut().isEmpty());
            // The shortcut, pressed in the window, opens what the entry opens.
            form.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            expectDialog();
            const QKeyCombination keys = action->shortcut()[0];
            QTest::keyClick(&form, keys.key(), keys.keyboardModifiers());
            QCOMPARE(opened, want[i]);
        }
        QVERIFY(form.PhotoMenu->findChild<QAction*>("DeletePhotoAction"));
    }

    void transitionCellsShowEveryKind() {
        std::vector<QImage> icons;
        for (int code = 0; code < imaging::kTransitionCodes; ++code) {
            icons.push_back(ui::TransitionIcon(code, 32, Qt::lightGray).toImage());
            for (int other = 0; other < code; ++other)
                QVERIFY2(icons[static_cast<std::size_t>(other)] != icons.back(),
                         qPrintable(QString("codes %1 and %2 look alike").arg(other).arg(code)));
        }
        MainWindowProbe form;
        SevenCells(form);
        for (int i = 0; i < 2; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        auto cellImage = [&](std::size_t i) {
            return static_cast<QLabel*>(Cell(form, i, Part::TransitionCell))->pixmap().toImage();
        };
        QCOMPARE(cellImage(0), cellImage(1)); // both without a transition
        form.Change([&](project::ShowContent& c) {
            c.Slides[0].Ext.TransitionKind = imaging::kTransitionCrossfade;
        });
        form.Storyboard->LayoutPhotoStrip(0);
        QVERIFY(cellImage(0) != cellImage(1));
        form.Change([&](project::ShowContent& c) {
            c.Slides[1].Ext.TransitionKind = imaging::kTransitionCrossfade;
        });
        form.Storyboard->LayoutPhotoStrip(0);
        QCOMPARE(cellImage(0), cellImage(1));
    }

    void selectionFramesAndDragSwap() {
        MainWindowProbe form;
        SevenCells(form);
        for (int i = 0; i < 3; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        form.Change([&](project::ShowContent& c) { c.Slides[0].StillMs = 1000; });
        form.Change([&](project::ShowContent& c) { c.Slides[2].StillMs = 3000; });
        auto frameColour = [&](std::size_t i) {
            return static_cast<QLabel*>(Cell(form, i, Part::Thumb))
                ->pixmap()
                .toImage()
                .pixelColor(0, 0);
        };
        form.Storyboard->SelectSlide(1);
        QCOMPARE(frameColour(1), QColor(0, 255, 0));
        QCOMPARE(frameColour(0), QColor(0, 0, 0));
        // Photo 3 dropped on photo 1: they exchange, position 3 (index 2) is selected.
        QVERIFY(
            form.History.SwapSlides(3 - 1, 1 - 1, {form.Storyboard->SelectedSlide(), 3 - 1}).ok());
        QCOMPARE(int(form.Show.Slides()[0].StillMs / 1000), 3);
        QCOMPARE(int(form.Show.Slides()[2].StillMs / 1000), 1);
        QCOMPARE(form.Storyboard->SelectedSlide(), 2);
        QCOMPARE(frameColour(2), QColor(0, 255, 0));
        QCOMPARE(frameColour(1), QColor(0, 0, 0));
        QCOMPARE(Cell(form, 0, Part::Thumb)->property("Index").toInt(), 0);
        // The preview area shows the selected photo, centred on its background colour.
        const QImage shown = Widget<QLabel>(form, "previewImage")->pixmap().toImage();
        QCOMPARE(shown.size(), Widget<QLabel>(form, "previewImage")->size());
        QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(200, 40, 40));
    }

    void pagingForwardAndBack() {
        MainWindowProbe form;
        SevenCells(form);
        for (int i = 0; i < 9; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        QCOMPARE(form.Storyboard->SlidePage(), 1); // the ninth photo's page
        form.Commands->previousStripPage();
        QCOMPARE(form.Storyboard->SlidePage(), 0);
        QVERIFY(Cell(form, 0, Part::Panel)->isVisible());
        QVERIFY(!Cell(form, 7, Part::Panel)->isVisible());
        form.Commands->nextStripPage();
        QCOMPARE(form.Storyboard->SlidePage(), 1);
        QVERIFY(Cell(form, 7, Part::Panel)->isVisible());
        QVERIFY(Cell(form, 8, Part::Panel)->isVisible());
        QCOMPARE(Cell(form, 8, Part::Panel)->x(), 132);
        QVERIFY(!Cell(form, 6, Part::Panel)->isVisible());
        form.Commands->nextStripPage(); // no third page
        QCOMPARE(form.Storyboard->SlidePage(), 1);
    }

    // A track that starts after the show's end stays on the storyboard after the last photo,
    // greyed with a note, its start on the ruler; it is right-clicked, opened and deleted like
    // any other.
    void aTrackPastTheShowsEndStaysOnTheStoryboard() {
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
        MainWindowProbe form;
        SevenCells(form);
        QVERIFY(form.Import->AddPhoto(photo_));
        for (const auto& [name, seconds] : {std::pair{"long", 30}, std::pair{"late", 2}}) {
            const QString wav = tmp_.filePath(QString(name) + ".wav");
            QVERIFY(std::system(("sox -n -r 8000 -c 1 '" + wav + "' synth " +
                                 QString::number(seconds) + " sine 330")
                                    .toLocal8Bit()
                                    .constData()) == 0);
            QVERIFY(form.Import->AddTrack(wav));
        }
        QVERIFY(form.Show.Slides()[0].StillMs + form.Show.Slides()[0].TransitionMs < 30000);
        using TrackPart = ui::StoryboardView::TrackPart;
        QWidget* late = form.Storyboard->TrackCellWidget(1, TrackPart::Panel);
        auto* image = qobject_cast<QLabel*>(form.Storyboard->TrackCellWidget(1, TrackPart::Image));
        QVERIFY(late->isVisible());
        QVERIFY(late->x() >= 132); // after the photo's cells
        QVERIFY(late->toolTip().startsWith(QString::fromUtf8("после конца показа")));
        QCOMPARE(image->pixmap().toImage().pixelColor(2, 2), QColor(0xE4, 0xE4, 0xE4));
        // The heard track is drawn as always, up to the late one.
        QWidget* heard = form.Storyboard->TrackCellWidget(0, TrackPart::Panel);
        QVERIFY(!heard->toolTip().contains(QString::fromUtf8("после конца показа")));
        QCOMPARE(heard->x() + heard->width(), late->x());
        // The ruler names the late track's start above it.
        const QImage ruler = Widget<QLabel>(form, "timeRuler")->pixmap().toImage();
        bool marked = false;
        for (int y = 0; y < ruler.height(); ++y)
            marked = marked || ruler.pixelColor(late->x() + 16, y) == QColor(Qt::darkGray);
        QVERIFY(marked);

        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(30, 12),
                                image->mapToGlobal(QPoint(30, 12)));
        QApplication::sendEvent(image, &click);
        QTRY_VERIFY(form.TrackMenu->isVisible());
        QCOMPARE(form.Storyboard->SelectedSound(), 1);
        form.TrackMenu->hide();
        QString opened;
        QTimer::singleShot(0, &form, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            opened = modal->metaObject()->className();
            modal->close();
        });
        QTest::mouseDClick(image, Qt::LeftButton, {}, QPoint(30, 12));
        QCOMPARE(opened, QString("ui::TrackDialog"));
        form.Dialogs.AskYesNo = [](const QString&, const QString&) { return true; };
        form.Commands->deleteTrack();
        QCOMPARE(form.Show.Sounds().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(form.Show.Sounds()[0].Title), QString("long"));
        media::Audio().Unload();
    }

    void trackMenuCommands() {
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
        MainWindowProbe form;
        SevenCells(form);
        QVERIFY(form.Import->AddPhoto(photo_));
        QStringList titles;
        for (const char* name : {"one", "two", "three"}) {
            const QString wav = tmp_.filePath(QString(name) + ".wav");
            QVERIFY(std::system(("sox -n -r 22050 -c 1 '" + wav + "' synth 1 sine 330")
                                    .toLocal8Bit()
                                    .constData()) == 0);
            QVERIFY(form.Import->AddTrack(wav));
        }
        auto order = [&] {
            QStringList now;
            for (const auto& t : form.Show.Sounds())
                now << QString::fromStdString(t.Title);
            return now;
        };
        QCOMPARE(order(), QStringList({"one", "two", "three"}));
        form.Storyboard->SelectSound(0);
        form.Commands->moveTrackRight();
        QCOMPARE(order(), QStringList({"two", "one", "three"}));
        QCOMPARE(form.Storyboard->SelectedSound(), 0); // the selection keeps its place
        form.Commands->moveTrackLeft();                // the first cannot move left
        QCOMPARE(order(), QStringList({"two", "one", "three"}));
        form.Storyboard->SelectSound(1);
        form.Commands->moveTrackLeft();
        QCOMPARE(order(), QStringList({"one", "two", "three"}));
        bool answer = false;
        form.Dialogs.AskYesNo = [&](const QString&, const QString&) { return answer; };
        form.Storyboard->SelectSound(1);
        form.Commands->deleteTrack(); // answered No
        QCOMPARE(form.Show.Sounds().size(), std::size_t(3));
        answer = true;
        const std::string copy = form.Show.Sounds()[1].WorkFile;
        form.Commands->deleteTrack();
        QCOMPARE(order(), QStringList({"one", "three"}));
        QVERIFY(!QFile::exists(QString::fromStdString(copy)));
        QCOMPARE(form.Storyboard->SelectedSound(), 1);
        media::Audio().Unload();
    }

    // Cells are numbered by their place, 1 to N, whatever their working files are called: after
    // a title is put in at place 1, a swap, a delete and a move, and in the show opened again.
    // "Swap with N" takes the slide at place N.
    void cellsAreNumberedByTheirPlace() {
        const auto numbers = [](MainWindowProbe& form) {
            QStringList shown;
            for (std::size_t i = 0; i < form.Show.Slides().size(); ++i)
                shown << Cell(form, i, Part::Thumb)->accessibleName();
            return shown;
        };
        const auto places = [](int count) {
            QStringList expected;
            for (int n = 1; n <= count; ++n)
                expected << QString::number(n);
            return expected;
        };
        const auto seconds = [](MainWindowProbe& form) {
            QList<int> all;
            for (const auto& slide : form.Show.Slides())
                all << int(slide.StillMs / 1000);
            return all;
        };
        MainWindowProbe form;
        SevenCells(form);
        for (int i = 0; i < 3; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        form.Change([&](project::ShowContent& c) {
            for (std::size_t i = 0; i < 3; ++i)
                c.Slides[i].StillMs = std::int64_t(i + 1) * 1000;
        });
        form.Storyboard->SelectSlide(0);
        form.Titles->RunDialog = [](ui::TitleDialog& dialog) {
            dialog.TitleEdit->setPlainText("Summer");
            dialog.SecondsBox->setValue(9.0);
            return true;
        };
        form.Titles->addTitle();
        QVERIFY(form.Show.Slides()[0].Title());
        QCOMPARE(seconds(form), QList<int>({9, 1, 2, 3}));
        QCOMPARE(numbers(form), places(4));

        form.Commands->AskSwapPartner = [](int current, int count) {
            return current == 1 && count == 4 ? 4 : 0;
        };
        form.Storyboard->SelectSlide(0);
        form.Commands->swapPhotoWith();
        QCOMPARE(seconds(form), QList<int>({3, 1, 2, 9}));
        QCOMPARE(form.Storyboard->SelectedSlide(), 3);
        QCOMPARE(numbers(form), places(4));

        form.Dialogs.AskYesNo = [](const QString&, const QString&) { return true; };
        form.Storyboard->SelectSlide(1);
        form.Commands->deletePhoto();
        QVERIFY(form.Commands->MovePhoto(2, 0));
        QCOMPARE(seconds(form), QList<int>({9, 3, 2}));
        QCOMPARE(numbers(form), places(3));

        const QString file = tmp_.filePath("numbers.qvs");
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return file; };
        form.Files->saveAsProject();
        QVERIFY(window_waits::WaitForJobs(form));
        MainWindowProbe other;
        SevenCells(other);
        other.Dialogs.AskOpenName = [&] { return file; };
        other.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(other));
        QCOMPARE(seconds(other), QList<int>({9, 3, 2}));
        QCOMPARE(numbers(other), places(3));
        other.Commands->AskSwapPartner = [](int, int) { return 3; };
        other.Storyboard->SelectSlide(0);
        other.Commands->swapPhotoWith();
        QCOMPARE(seconds(other), QList<int>({2, 3, 9}));
        QCOMPARE(numbers(other), places(3));
    }

    void openAndSaveCommands() {
        MainWindowProbe form;
        SevenCells(form);
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        QString proposed;
        const QString file = tmp_.filePath("ui.qvs");
        form.Dialogs.AskSaveName = [&](const QString& name, bool) {
            proposed = name;
            return file;
        };
        form.Files->saveAsProject(); // no photos: nothing written, nothing said
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY(!QFile::exists(file));
        QVERIFY(messages.isEmpty());
        for (int i = 0; i < 2; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        form.Change([&](project::ShowContent& c) { c.Slides[1].TransitionKind = 4; });
        form.Files->saveAsProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY(proposed.startsWith("Pictaro_"));
        QVERIFY(QFile::exists(file));
        QVERIFY(messages.isEmpty());
        QVERIFY(!form.ProgressView->isVisible());

        MainWindowProbe other;
        SevenCells(other);
        other.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        other.Dialogs.AskOpenName = [&] { return file; };
        other.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(other));
        QCOMPARE(other.Show.Slides().size(), std::size_t(2));
        QCOMPARE(int(other.Show.Slides()[1].TransitionKind), 4);
        QVERIFY(Cell(other, 1, Part::Panel)->isVisible());
        QCOMPARE(other.Storyboard->SelectedSlide(), 0);

        // A later format is refused with the message and the open show stays.
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.write("\x02", 1);
        f.close();
        other.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(other));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("Не удалось загрузить файл слайдшоу!"));
        QCOMPARE(other.Show.Slides().size(), std::size_t(2));

        // A save that cannot be written gives the save-error message.
        form.Dialogs.AskSaveName = [&](const QString&, bool) {
            return tmp_.filePath("no/such/dir/x.qvs");
        };
        form.Files->saveAsProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(messages.size(), 2);
        // The known words, then the file and the system's reason.
        QVERIFY(messages[1].startsWith(QString("Произошла ошибка при сохранении!\n")));
        QVERIFY(messages[1].contains(tmp_.filePath("no/such/dir/x.qvs")));
        QVERIFY(messages[1].contains("No such file or directory"));
    }

    void droppedFolderAndTracks() {
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
        MainWindowProbe form;
        SevenCells(form);
        QTemporaryDir folder;
        QVERIFY(QFile::copy(photo_, folder.filePath("a.png")));
        QVERIFY(QFile::copy(photo_, folder.filePath("b.png")));
        QVERIFY(QFile::copy(photo_, folder.filePath("notes.txt")));
        const QString wav = folder.filePath("tone.wav");
        QVERIFY(std::system(("sox -n -r 22050 -c 1 '" + wav + "' synth 25 sine 330")
                                .toLocal8Bit()
                                .constData()) == 0);
        form.Import->AcceptDroppedPaths({folder.path(), wav});
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(2)); // the folder's photos only
        QCOMPARE(form.Show.Sounds().size(), std::size_t(1)); // the dropped track file
        QCOMPARE(int(form.Show.Sounds()[0].PlaySeconds), 25);
        QWidget* cell = form.Storyboard->TrackCellWidget(0, ui::StoryboardView::TrackPart::Panel);
        QVERIFY(cell && cell->isVisible());
        QCOMPARE(cell->x(), 0);
        // 25 s over two 10 s photos: the cell runs to the end of the last visible photo.
        QCOMPARE(cell->width(), 2 * 132);
        QCOMPARE(cell->toolTip(), QString("0:00:25 tone"));
        QCOMPARE(form.Storyboard->TrackCellCount(), std::size_t(1));
        media::Audio().Unload();
    }
};

QTEST_MAIN(StoryboardTest)
#include "storyboard_test.moc"
