// Keyboard and mouse in the editor, headless: every shortcut, the right-click menus of photos
// and tracks, wheel paging and the paging arrows, dragging a photo to another place, and where
// the strip lands after an import (with its count in the progress window and Cancel).
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "WindowWaits.h"
#include "app/StripCells.h"
#include "app/StripLayout.h"
#include "app/WindowJobs.h"
#include "base/ProgramFolder.h"
#include "base/ui/ProgressWindow.h"
#include "media/audio/AudioLibrary.h"
#include "ui_ProgressWindow.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFrame>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using ui::MainWindowProbe;

class EditorInputTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;

    // A shown, active window whose strip holds exactly seven cells.
    static std::unique_ptr<MainWindowProbe> SevenCells() {
        auto form = std::make_unique<MainWindowProbe>();
        form->Dialogs.ShowMessage = [](const QString& text) {
            QFAIL(qPrintable("message: " + text));
        };
        form->show();
        form->resize(7 * 132 + 2 * 16 + 71, 600);
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("window not active");
        if (!QTest::qWaitFor(
                [&] { return Widget<QWidget>(*form, "photoStrip")->width() == 7 * 132; }))
            qWarning("strip not seven cells wide");
        return form;
    }
    void AddPhotos(MainWindowProbe& form, int count) {
        for (int i = 0; i < count; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
    }
    // The photos by their working-file labels ("0001"...), in show order.
    static QStringList Order(const MainWindowProbe& form) {
        QStringList labels;
        for (const auto& s : form.Show.Slides())
            labels << QString::fromStdString(ui::WorkFileLabel(s.WorkFile));
        return labels;
    }
    static QStringList Labels(std::initializer_list<int> numbers) {
        QStringList labels;
        for (int n : numbers)
            labels << QString("%1").arg(n, 4, 10, QChar('0'));
        return labels;
    }
    // The cell of photo i shows it selected: its thumbnail has the green frame.
    static bool ShownSelected(MainWindowProbe& form, std::size_t i) {
        const auto* thumb = qobject_cast<QLabel*>(
            form.Storyboard->PhotoCellWidget(i, ui::StoryboardView::PhotoPart::Thumb));
        return thumb && thumb->pixmap().toImage().pixelColor(0, 0) == QColor(0, 255, 0);
    }
    using Part = ui::StoryboardView::PhotoPart;
    static QWidget* Cell(MainWindowProbe& form, std::size_t index, Part part) {
        return form.Storyboard->PhotoCellWidget(index, part);
    }
    static void Key(MainWindowProbe& form, int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&form, static_cast<Qt::Key>(key), modifiers);
    }
    // A drag of photo `index` over the photo strip at x, ending in a drop when `drop`.
    static void DragPhotoTo(MainWindowProbe& form, int index, int x, bool drop) {
        QMimeData data;
        data.setData(ui::ThumbImage::kMimeType, QByteArray::number(index));
        QWidget* strip = Widget<QWidget>(form, "photoStrip");
        const QPoint at(x, 45);
        // Qt hands moves and the drop only to a widget that took the drag's entry.
        QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(strip, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(strip, &move);
        QVERIFY(move.isAccepted());
        if (!drop)
            return;
        QDropEvent dropped(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(strip, &dropped);
        QVERIFY(dropped.isAccepted());
    }
    static void Wheel(QWidget* target, int delta) {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }
    QString Wav(const QString& name, int seconds) {
        const QString path = tmp_.filePath(name);
        QProcess::execute("sox", {"-n", "-r", "8000", "-c", "1", path, "synth",
                                  QString::number(seconds), "sine", "330"});
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path());
        base::SetProgramFolderForTesting(tmp_.path()); // no language files: built-in texts
        QImage image(160, 120, QImage::Format_RGB32);
        image.fill(QColor(40, 40, 200));
        photo_ = tmp_.filePath("photo.png");
        QVERIFY(image.save(photo_));
    }

    void keysSelectAndMovePhotos() {
        auto form = SevenCells();
        QCOMPARE(Widget<QWidget>(*form, "photoStrip")->width(), 7 * 132);
        AddPhotos(*form, 9); // page 1 shows the ninth
        form->Storyboard->SelectSlide(0);
        Key(*form, Qt::Key_Left); // nothing before the first
        QCOMPARE(form->Storyboard->SelectedSlide(), 0);
        Key(*form, Qt::Key_Right);
        QCOMPARE(form->Storyboard->SelectedSlide(), 1);
        QCOMPARE(form->Storyboard->SlidePage(), 0); // the selection's page is turned to
        Key(*form, Qt::Key_End);
        QCOMPARE(form->Storyboard->SelectedSlide(), 8);
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        QVERIFY(Cell(*form, 8, Part::Panel)->isVisible());
        Key(*form, Qt::Key_Right); // nothing after the last
        QCOMPARE(form->Storyboard->SelectedSlide(), 8);
        Key(*form, Qt::Key_Home);
        QCOMPARE(form->Storyboard->SelectedSlide(), 0);
        QCOMPARE(form->Storyboard->SlidePage(), 0);
        QVERIFY(ShownSelected(*form, 0));

        // Ctrl+Right carries the selected photo along, across to the next page.
        for (int i = 0; i < 7; ++i)
            Key(*form, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(Order(*form), Labels({2, 3, 4, 5, 6, 7, 8, 1, 9}));
        QCOMPARE(form->Storyboard->SelectedSlide(), 7);
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        QVERIFY(Cell(*form, 7, Part::Panel)->isVisible());
        QCOMPARE(Cell(*form, 7, Part::Thumb)->property("Index").toInt(), 7);
        Key(*form, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(Order(*form), Labels({2, 3, 4, 5, 6, 7, 1, 8, 9}));
        QCOMPARE(form->Storyboard->SelectedSlide(), 6);
        QCOMPARE(form->Storyboard->SlidePage(), 0);
        Key(*form, Qt::Key_Home);
        Key(*form, Qt::Key_Left, Qt::ControlModifier); // the first cannot go further left
        QCOMPARE(Order(*form), Labels({2, 3, 4, 5, 6, 7, 1, 8, 9}));
    }

    void keysForTheShowCommands() {
        auto form = SevenCells();
        AddPhotos(*form, 3);
        form->Storyboard->SelectSlide(1);
        QStringList questions;
        bool answer = false;
        form->Dialogs.AskYesNo = [&](const QString& question, const QString&) {
            questions << question;
            return answer;
        };
        QStringList saveAs;
        form->Dialogs.AskSaveName = [&](const QString&, bool avi) {
            saveAs << (avi ? "avi" : "qvs");
            return QString();
        };
        int opens = 0;
        form->Dialogs.AskOpenName = [&] {
            ++opens;
            return QString();
        };

        Key(*form, Qt::Key_Delete); // asked, answered No
        QCOMPARE(questions, QStringList({"Удалить выбранный элемент?"}));
        QCOMPARE(form->Show.Slides().size(), std::size_t(3));
        answer = true;
        Key(*form, Qt::Key_Delete);
        QCOMPARE(Order(*form), Labels({1, 3}));

        // As if saved: New asks its own question, Open goes straight to its dialog.
        form->History.MarkSaved();
        int saveQuestions = 0;
        form->Dialogs.AskSaveChanges = [&](const QString&, const QString&) {
            ++saveQuestions;
            return ui::SaveAnswer::Cancel;
        };
        answer = false;
        Key(*form, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(questions.last(), QString("Создать новое слайдшоу?"));
        QCOMPARE(form->Show.Slides().size(), std::size_t(2));
        Key(*form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(opens, 1);
        Key(*form, Qt::Key_S, Qt::ControlModifier);
        Key(*form, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(saveAs, QStringList({"qvs", "avi"}));

        // F5 and Space start the preview; Space pauses it while it plays, Esc stops it.
        Key(*form, Qt::Key_F5);
        QVERIFY(form->Preview->Running());
        Key(*form, Qt::Key_Escape);
        QVERIFY(!form->Preview->Running());
        Key(*form, Qt::Key_Space);
        QVERIFY(form->Preview->Running());
        Key(*form, Qt::Key_Space);
        QVERIFY(form->Preview->Paused());
        // While it plays the editing keys do nothing.
        Key(*form, Qt::Key_Delete);
        Key(*form, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(Order(*form), Labels({1, 3}));
        form->Preview->stop();
        QVERIFY(!form->Preview->Running());
        answer = true;
        Key(*form, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(form->Show.Slides().empty());
        QCOMPARE(saveQuestions, 0);
    }

    void helpPageListsEveryShortcut() {
        MainWindowProbe form;
        QFile help(QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/help/help.html");
        QVERIFY(help.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(help.readAll());
        // Every key of the window: its actions (which the menu bar lists) and Space.
        QList<QKeySequence> shortcuts;
        for (const QShortcut* shortcut : form.findChildren<QShortcut*>())
            shortcuts << shortcut->key();
        for (const QAction* action : form.findChildren<QAction*>())
            if (!action->shortcut().isEmpty())
                shortcuts << action->shortcut();
        QVERIFY(shortcuts.size() >= 13);
        for (const QKeySequence& shortcut : shortcuts) {
            QStringList keys;
            for (QString key : shortcut.toString(QKeySequence::PortableText).split('+'))
                keys << "<kbd>" + (key == "Del" ? QString("Delete") : key) + "</kbd>";
            QVERIFY2(page.contains(keys.join('+')), qPrintable(keys.join('+')));
        }
        // The menus the page promises on a right-click exist.
        QVERIFY(page.contains("Right-click a photo"));
        QVERIFY(page.contains("Right-click a track"));
        QVERIFY(form.PhotoMenu->findChild<QAction*>("SwapWith"));
    }

    void tabReachesTheThumbnails() {
        auto form = SevenCells();
        AddPhotos(*form, 3);
        form->Storyboard->SelectSlide(2);
        Cell(*form, 0, Part::Thumb)->setFocus(Qt::OtherFocusReason);
        QVERIFY(Cell(*form, 0, Part::Thumb)->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(Cell(*form, 1, Part::Thumb)->hasFocus()); // the "..." button is skipped
        QCOMPARE(form->Storyboard->SelectedSlide(), 1);   // and the photo is selected
        // The arrow keys carry the focus along with the selection.
        Key(*form, Qt::Key_Right);
        QCOMPARE(form->Storyboard->SelectedSlide(), 2);
        QVERIFY(Cell(*form, 2, Part::Thumb)->hasFocus());
    }

    void rightClickMenus() {
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
        auto form = SevenCells();
        AddPhotos(*form, 3);
        QVERIFY(form->Import->AddTrack(Wav("one.wav", 2)));
        QVERIFY(form->Import->AddTrack(Wav("two.wav", 2)));
        form->Storyboard->SelectSlide(0);

        // The photo menu: every edit of the photo, "Add title", "Make a collage", then the "..."
        // button's entries
        // plus "Swap with...".
        QStringList entries;
        for (QAction* a : form->PhotoMenu->actions())
            if (!a->isSeparator())
                entries << a->text();
        QCOMPARE(entries,
                 QStringList({"Кадрирование", "Текст", "Поворот", "Освещенность",
                              "Цветовые эффекты", "Движение", "Длительность", "Эффекты перехода",
                              "Цвет фона", "Добавить титр...", "Сделать коллаж", "Удалить",
                              "Сдвинуть вправо", "Сдвинуть влево", "Поменять местами с…"}));
        QWidget* thumb = Cell(*form, 1, Part::Thumb);
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(30, 30),
                                thumb->mapToGlobal(QPoint(30, 30)));
        QApplication::sendEvent(thumb, &click); // what a right-click on it sends
        QTRY_VERIFY(form->PhotoMenu->isVisible());
        QCOMPARE(form->Storyboard->SelectedSlide(), 1); // the right-clicked photo
        form->PhotoMenu->hide();
        // The same menu as the "..." button: moving right from it acts on that photo.
        form->PhotoMenu->findChild<QAction*>("MovePhotoRightAction")->trigger();
        QCOMPARE(Order(*form), Labels({1, 3, 2}));

        // "Swap with..." asks for the partner; the selected photo takes its place and stays
        // selected there. Cancel changes nothing.
        form->Storyboard->SelectSlide(0);
        int asked = 0;
        int partner = 0;
        form->Commands->AskSwapPartner = [&](int current, int count) {
            asked = current * 100 + count;
            return partner;
        };
        form->PhotoMenu->findChild<QAction*>("SwapWith")->trigger();
        QCOMPARE(asked, 103);
        QCOMPARE(Order(*form), Labels({1, 3, 2}));
        partner = 3;
        form->PhotoMenu->findChild<QAction*>("SwapWith")->trigger();
        QCOMPARE(Order(*form), Labels({2, 3, 1}));
        QCOMPARE(form->Storyboard->SelectedSlide(), 2);

        // The track menu on a right-click of a track cell.
        QWidget* track = form->Storyboard->TrackCellWidget(1, ui::StoryboardView::TrackPart::Image);
        QVERIFY(track && track->isVisible());
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(40, 10),
                               track->mapToGlobal(QPoint(40, 10)));
        QApplication::sendEvent(track, &menu);
        QTRY_VERIFY(form->TrackMenu->isVisible());
        QCOMPARE(form->Storyboard->SelectedSound(), 1);
        form->TrackMenu->hide();
        form->Dialogs.AskYesNo = [](const QString&, const QString&) { return true; };
        form->TrackMenu->findChild<QAction*>("DeleteTrackAction")->trigger(); // delete
        QCOMPARE(form->Show.Sounds().size(), std::size_t(1));
        form.reset();
        media::Audio().Unload();
    }

    void wheelPagesAndArrowsShowWhereThereIsAPage() {
        auto form = SevenCells();
        QToolButton* left = Widget<QToolButton>(*form, "previousPageButton");
        QToolButton* right = Widget<QToolButton>(*form, "nextPageButton");
        QVERIFY(left->width() >= 16 && left->height() >= 32);
        QVERIFY(right->width() >= 16 && right->height() >= 32);
        AddPhotos(*form, 3);
        QVERIFY(!left->isVisible());
        QVERIFY(!right->isVisible());
        AddPhotos(*form, 12); // 15 photos: pages 0..2, the last one shown
        QCOMPARE(form->Storyboard->SlidePage(), 2);
        QVERIFY(left->isVisible());
        QVERIFY(!right->isVisible());
        QCOMPARE(Widget<QWidget>(*form, "photoStrip")->width(),
                 7 * 132); // hiding an arrow keeps its room

        Wheel(Widget<QWidget>(*form, "photoStrip"), 120); // up: back a page
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        QVERIFY(left->isVisible());
        QVERIFY(right->isVisible());
        Wheel(Widget<QWidget>(*form, "musicStrip"), 120); // the music strip pages too
        QCOMPARE(form->Storyboard->SlidePage(), 0);
        QVERIFY(!left->isVisible());
        Wheel(Widget<QWidget>(*form, "photoStrip"), 120); // no page before the first
        QCOMPARE(form->Storyboard->SlidePage(), 0);
        Wheel(Widget<QWidget>(*form, "photoStrip"), -240); // two notches down: two pages
        QCOMPARE(form->Storyboard->SlidePage(), 2);
        // A fine-grained wheel turns the page once its movement makes a notch.
        Wheel(Widget<QWidget>(*form, "photoStrip"), 40);
        Wheel(Widget<QWidget>(*form, "photoStrip"), 40);
        QCOMPARE(form->Storyboard->SlidePage(), 2);
        Wheel(Widget<QWidget>(*form, "photoStrip"), 40);
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        QVERIFY(Cell(*form, 7, Part::Panel)->isVisible());
    }

    void dragInsertsWhereDropped() {
        auto form = SevenCells();
        AddPhotos(*form, 4);
        form->Storyboard->SelectSlide(0);
        QFrame* marker = form->Input->DropMarker();
        // First to last: held past the last cell, the marker stands after it.
        DragPhotoTo(*form, 0, 4 * 132 + 40, false);
        QVERIFY(marker->isVisible());
        QCOMPARE(marker->x(), 4 * 132 - 2);
        DragPhotoTo(*form, 0, 4 * 132 + 40, true);
        QVERIFY(!marker->isVisible());
        QCOMPARE(Order(*form), Labels({2, 3, 4, 1}));
        QCOMPARE(form->Storyboard->SelectedSlide(), 3);
        QCOMPARE(Cell(*form, 3, Part::Panel)->x(), 3 * 132);
        // Last to first.
        DragPhotoTo(*form, 3, 30, true);
        QCOMPARE(Order(*form), Labels({1, 2, 3, 4}));
        QCOMPARE(form->Storyboard->SelectedSlide(), 0);
        // Into the middle, by the nearest border: over the right half of photo 2.
        DragPhotoTo(*form, 0, 2 * 132 + 100, true);
        QCOMPARE(Order(*form), Labels({2, 3, 1, 4}));
        // Dropped in the gap beside itself: nothing moves.
        DragPhotoTo(*form, 2, 2 * 132 + 20, true);
        QCOMPARE(Order(*form), Labels({2, 3, 1, 4}));

        // Files dragged from outside onto the strip are imported as anywhere on the window.
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(photo_)});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(Widget<QWidget>(*form, "photoStrip"), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Widget<QWidget>(*form, "photoStrip"), &drop);
        QVERIFY(window_waits::WaitForJobs(*form));
        QCOMPARE(Order(*form), Labels({2, 3, 1, 4, 5}));
        QCOMPARE(form->Storyboard->SelectedSlide(), 4);
    }

    void dragHeldAtTheEdgeTurnsThePage() {
        auto form = SevenCells();
        AddPhotos(*form, 10); // page 0: 1..7, page 1: 8..10
        form->Storyboard->ShowSlide(0);
        QCOMPARE(form->Storyboard->SlidePage(), 0);
        // Held at the right edge, the strip turns to the next page.
        DragPhotoTo(*form, 0, 7 * 132 - 5, false);
        QTRY_COMPARE_WITH_TIMEOUT(form->Storyboard->SlidePage(), 1, 3000);
        // Away from the edge the pages stay; dropped between photos 9 and 10.
        DragPhotoTo(*form, 0, 2 * 132 - 10, false);
        QTest::qWait(ui::StoryboardInput::kEdgePagingMs + 200);
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        QCOMPARE(form->Input->DropMarker()->x(), 2 * 132 - 2);
        DragPhotoTo(*form, 0, 2 * 132 - 10, true);
        QCOMPARE(Order(*form), Labels({2, 3, 4, 5, 6, 7, 8, 9, 1, 10}));
        QCOMPARE(form->Storyboard->SelectedSlide(), 8);
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        // Held on the left arrow it goes back, and a drop on the arrow puts it first on the page.
        DragPhotoTo(*form, 9, 100, false);
        QMimeData data;
        data.setData(ui::ThumbImage::kMimeType, QByteArray::number(9));
        QDragEnterEvent onArrow(QPoint(8, 50), Qt::MoveAction, &data, Qt::LeftButton,
                                Qt::NoModifier);
        QApplication::sendEvent(Widget<QToolButton>(*form, "previousPageButton"), &onArrow);
        QTRY_COMPARE_WITH_TIMEOUT(form->Storyboard->SlidePage(), 0, 3000);
        QDropEvent drop(QPoint(8, 50), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Widget<QToolButton>(*form, "previousPageButton"), &drop);
        QCOMPARE(Order(*form), Labels({10, 2, 3, 4, 5, 6, 7, 8, 9, 1}));
        QCOMPARE(form->Storyboard->SlidePage(), 0);
    }

    void importLandsOnTheFirstNewPhotoWithItsCount() {
        auto form = SevenCells();
        AddPhotos(*form, 5);
        QStringList files;
        for (int i = 0; i < 6; ++i)
            files << photo_;
        form->Dialogs.AskPhotoFiles = [&] { return files; };
        QStringList counts;
        connect(form->ProgressView->Form->progressBar, &QProgressBar::valueChanged, form.get(),
                [&] {
                    counts << form->ProgressView->Text();
                    QVERIFY(form->ProgressView->isVisible());
                });
        form->Import->addPhotos();
        QVERIFY(window_waits::WaitForJobs(*form));
        QCOMPARE(form->Show.Slides().size(), std::size_t(11));
        // Photo 6 (index 5) was the first new one: page 0 with it selected.
        QCOMPARE(form->Storyboard->SlidePage(), 0);
        QCOMPARE(form->Storyboard->SelectedSlide(), 5);
        QVERIFY(ShownSelected(*form, 5));
        QVERIFY(Cell(*form, 5, Part::Panel)->isVisible());
        QVERIFY(!form->ProgressView->isVisible());
        QVERIFY(counts.contains("Импорт: 1 из 6"));
        QVERIFY(counts.contains("Импорт: 6 из 6"));

        // Cancel while the third of five is shown keeps the first two; the strip lands on the
        // first of them (photo 12, page 1).
        // The import runs on the worker: it waits at each file until the window has shown it.
        files = QStringList(5, photo_);
        counts.clear();
        std::atomic<int> shown{0};
        connect(form->ProgressView->Form->progressBar, &QProgressBar::valueChanged, form.get(),
                [&](int value) {
                    if (value == 3)
                        QTest::mouseClick(form->ProgressView->Form->cancelButton, Qt::LeftButton);
                    shown = value;
                });
        form->Jobs->AfterBlock = [&shown, reached = 0]() mutable {
            ++reached;
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (shown.load() < reached && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        form->Import->addPhotos();
        QVERIFY(window_waits::WaitForJobs(*form));
        QCOMPARE(form->Show.Slides().size(), std::size_t(13));
        QCOMPARE(form->Storyboard->SelectedSlide(), 11);
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        QVERIFY(!form->Busy());
    }

    void newTracksTurnTheStripToThem() {
        media::Audio().LoadFrom({QStringLiteral(REELPANE_TEST_BINARY_DIR)});
        auto form = SevenCells();
        AddPhotos(*form, 9); // 10 s each: page 0 covers 0..70 s
        form->Storyboard->ShowSlide(0);
        QVERIFY(form->Import->AddTrack(Wav("long.wav", 75)));
        QCOMPARE(form->Storyboard->SlidePage(), 0);           // starts at 0 s
        QVERIFY(form->Import->AddTrack(Wav("short.wav", 3))); // starts at 75 s: photo 8, page 1
        QCOMPARE(form->Storyboard->SlidePage(), 1);
        QWidget* cell = form->Storyboard->TrackCellWidget(1, ui::StoryboardView::TrackPart::Panel);
        QVERIFY(cell && cell->isVisible());
        form.reset();
        media::Audio().Unload();
    }
};

QTEST_MAIN(EditorInputTest)
#include "editor_input_test.moc"
