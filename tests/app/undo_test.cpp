// The window's undo and redo, the question before unsaved changes are lost, and an open that
// fails half-way: close, New and Open honour each answer; undo and redo bring back records,
// working pictures byte for byte and the cells; nothing changes the show while a job runs.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "WindowWaits.h"
#include "base/ProgramFolder.h"
#include "base/ui/ProgressWindow.h"
#include "imaging/ui/EffectsDialog.h"
#include "imaging/ui/MotionEditor.h"
#include "project/ProjectFile.h"
#include "ui_EffectsDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

using ui::MainWindowProbe;
using Answer = ui::SaveAnswer;

class UndoTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QStringList photos_; // each of its own colour, so their working copies differ

    static QByteArray Bytes(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static std::vector<QByteArray> PictureBytes(MainWindowProbe& form) {
        std::vector<QByteArray> out;
        for (const auto& s : form.Show.Slides())
            out.push_back(Bytes(s.WorkFile));
        return out;
    }
    // The thumbnail a slide's cell keeps (the picture its strip cell is drawn from).
    static QImage Thumb(MainWindowProbe& form, std::size_t i) {
        const QPixmap clean = form.Storyboard->CleanThumbnail(i);
        return clean.isNull() ? QImage() : clean.toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The cell of photo i shows it selected: its thumbnail has the green frame.
    static bool ShownSelected(MainWindowProbe& form, std::size_t i) {
        const auto* thumb = qobject_cast<QLabel*>(
            form.Storyboard->PhotoCellWidget(i, ui::StoryboardView::PhotoPart::Thumb));
        return thumb && thumb->pixmap().toImage().pixelColor(0, 0) == QColor(0, 255, 0);
    }
    static int FilesIn(const std::string& folder) {
        return static_cast<int>(
            QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden).size());
    }
    static QWidget* ThumbCell(MainWindowProbe& form, std::size_t i) {
        return form.Storyboard->PhotoCellWidget(i, ui::StoryboardView::PhotoPart::Thumb);
    }
    static std::pair<int, int> CountsIn(const QString& path) {
        QFile f(path);
        project::ProjectHeader h;
        if (!f.open(QIODevice::ReadOnly) || f.read(reinterpret_cast<char*>(&h), sizeof h) != 16)
            return {-1, -1};
        return {h.PhotoCount.get(), h.TrackCount.get()};
    }
    static void Shown(MainWindowProbe& form) {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(7 * 132 + 2 * 16 + 71, 600);
        QTRY_COMPARE(Widget<QWidget>(form, "photoStrip")->width(), 7 * 132);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        qputenv("TMPDIR", tmp_.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, tmp_.path() + "/config");
        QVERIFY(QDir(tmp_.path()).mkpath("program"));
        base::SetProgramFolderForTesting(tmp_.path() + "/program");
        const QColor colours[] = {QColor(200, 40, 40), QColor(40, 200, 40), QColor(40, 40, 200),
                                  QColor(220, 220, 30)};
        for (int i = 0; i < 4; ++i) {
            QImage image(160, 120, QImage::Format_RGB32);
            image.fill(colours[i]);
            // A corner mark, so a turn or a mirror changes the picture.
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 30; ++x)
                    image.setPixelColor(x, y, Qt::white);
            photos_ << tmp_.filePath(QString("photo%1.png").arg(i));
            QVERIFY(image.save(photos_.back()));
        }
    }

    void closeAsksAndHonoursEachAnswer() {
        std::string file;
        {
            MainWindowProbe form;
            form.show();
            QVERIFY(form.Import->AddPhoto(photos_[0]));
            file = form.Show.Slides()[0].WorkFile;
            QStringList questions;
            Answer answer = Answer::Cancel;
            form.Dialogs.AskSaveChanges = [&](const QString& q, const QString&) {
                questions << q;
                return answer;
            };
            QVERIFY(!form.close());
            QCOMPARE(questions, QStringList{"Сохранить изменения в слайдшоу?"});
            QVERIFY(form.isVisible());
            QCOMPARE(form.Show.Slides().size(), std::size_t(1));
            QVERIFY(std::filesystem::exists(file));

            // Save, but the file dialog is cancelled: the window stays.
            answer = Answer::Save;
            int names = 0;
            form.Dialogs.AskSaveName = [&](const QString&, bool avi) {
                ++names;
                return avi ? QString("wrong.avi") : QString();
            };
            QVERIFY(!form.close());
            QCOMPARE(names, 1);
            QVERIFY(std::filesystem::exists(file));

            answer = Answer::Discard;
            QVERIFY(form.close());
            QCOMPARE(questions.size(), 3);
        }
        QVERIFY(!std::filesystem::exists(file));

        // Save: the show is written, then the window closes.
        const QString saved = tmp_.filePath("closing.qvs");
        {
            MainWindowProbe form;
            form.show();
            QVERIFY(form.Import->AddPhoto(photos_[0]));
            QVERIFY(form.Import->AddPhoto(photos_[1]));
            form.Dialogs.AskSaveChanges = [](const QString&, const QString&) {
                return Answer::Save;
            };
            form.Dialogs.AskSaveName = [&](const QString&, bool) { return saved; };
            // The save runs as a job and close() returns at once, with no loop of its own; the
            // close goes on when the save has ended.
            QVERIFY(!form.close());
            QVERIFY(form.isVisible() && form.Jobs->Running());
            form.Files->newProject(); // refused while the save runs
            QCOMPARE(form.Show.Slides().size(), std::size_t(2));
            QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 60000);
            QVERIFY(!form.History.IsModified());
        }
        QCOMPARE(CountsIn(saved), std::make_pair(2, 0));

        // Saved, or never changed: no question.
        {
            MainWindowProbe form;
            form.show();
            int asked = 0;
            form.Dialogs.AskSaveChanges = [&](const QString&, const QString&) {
                return ++asked, Answer::Cancel;
            };
            QVERIFY(form.Import->AddPhoto(photos_[0]));
            form.Dialogs.AskSaveName = [&](const QString&, bool) { return tmp_.filePath("s.qvs"); };
            form.Files->saveAsProject();
            QVERIFY(window_waits::WaitForJobs(form));
            QVERIFY(!form.History.IsModified());
            QVERIFY(form.close());
            QCOMPARE(asked, 0);
        }
    }

    void newAndOpenAskBeforeLosingChanges() {
        MainWindowProbe form;
        form.show();
        int yesNo = 0;
        form.Dialogs.AskYesNo = [&](const QString&, const QString&) { return ++yesNo, true; };
        Answer answer = Answer::Cancel;
        int asked = 0;
        form.Dialogs.AskSaveChanges = [&](const QString&, const QString&) {
            return ++asked, answer;
        };
        int openDialogs = 0;
        form.Dialogs.AskOpenName = [&] { return ++openDialogs, QString(); };
        QVERIFY(form.Import->AddPhoto(photos_[0]));

        form.Files->newProject();
        QVERIFY(window_waits::WaitForJobs(form));
        form.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 2);
        QCOMPARE(yesNo, 0); // the save question stands for the new-show question
        QCOMPARE(openDialogs, 0);
        QCOMPARE(form.Show.Slides().size(), std::size_t(1));

        answer = Answer::Discard;
        form.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(openDialogs, 1); // went on to the file dialog
        form.Files->newProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY(form.Show.Slides().empty());
        QVERIFY(!form.History.IsModified());
        QVERIFY(!form.History.CanUndo()); // a new show starts without history

        // Save first, then open.
        QVERIFY(form.Import->AddPhoto(photos_[1]));
        answer = Answer::Save;
        const QString saved = tmp_.filePath("before-open.qvs");
        form.Dialogs.AskSaveName = [&](const QString&, bool) { return saved; };
        form.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(CountsIn(saved), std::make_pair(1, 0));
        QCOMPARE(openDialogs, 2);
        // Unchanged now: New asks its own question again.
        form.Files->newProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(yesNo, 1);
        QCOMPARE(asked, 5);

        // Opening a show from the recent list asks the same question.
        QVERIFY(form.Import->AddPhoto(photos_[2]));
        QVERIFY(form.Import->AddPhoto(photos_[3]));
        answer = Answer::Cancel;
        form.Files->OpenRecentShow(saved);
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 6);
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        answer = Answer::Discard;
        form.Files->OpenRecentShow(saved);
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(asked, 7);
        QCOMPARE(form.Show.Slides().size(), std::size_t(1));
    }

    void importUndoneAndRedoneByTheKeys() {
        MainWindowProbe form;
        Shown(form);
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.Dialogs.AskPhotoFiles = [&] {
            return QStringList{photos_[0], photos_[1], photos_[2]};
        };
        form.Import->addPhotos();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        const auto bytes = PictureBytes(form);
        const auto records = form.Show.Slides();
        std::vector<QImage> thumbs;
        for (std::size_t i = 0; i < 3; ++i)
            thumbs.push_back(Thumb(form, i));
        QVERIFY(form.Undo->UndoAction->isEnabled());

        QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier); // the whole import at once
        QVERIFY(form.Show.Slides().empty());
        QVERIFY(QDir(QString::fromStdString(form.Work().PicturesDir())).isEmpty(QDir::Files));
        QVERIFY(!form.History.IsModified());
        QVERIFY(form.Undo->RedoAction->isEnabled());

        QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        QCOMPARE(PictureBytes(form), bytes);
        for (std::size_t i = 0; i < 3; ++i) {
            QCOMPARE(form.Show.Slides()[i].WorkFile, records[i].WorkFile);
            QCOMPARE(Thumb(form, i), thumbs[i]);
            QVERIFY(ThumbCell(form, i)->isVisible());
            QCOMPARE(ThumbCell(form, i)->property("Index").toInt(), int(i));
        }
        // The top bar's buttons do the same.
        auto* undoButton = form.findChild<QToolButton*>("UndoButton");
        QVERIFY(undoButton);
        undoButton->click();
        QVERIFY(form.Show.Slides().empty());
    }

    // The two buttons sit after the effect buttons and clear the settings, help and about
    // buttons even at the smallest window.
    void undoButtonsFitTheTopBar() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(form.minimumSize());
        QTest::qWait(50);
        const auto place = [&](QWidget* w) { return QRect(w->mapTo(&form, QPoint()), w->size()); };
        auto* undo = form.findChild<QToolButton*>("UndoButton");
        auto* redo = form.findChild<QToolButton*>("RedoButton");
        QVERIFY(undo && redo);
        QVERIFY(undo->isVisible() && redo->isVisible());
        QVERIFY(place(undo).left() > place(Widget<QToolButton>(form, "timeButton")).right());
        QVERIFY(place(redo).left() > place(undo).right());
        for (QWidget* right :
             {Widget<QToolButton>(form, "settingsButton"), Widget<QToolButton>(form, "helpButton"),
              Widget<QToolButton>(form, "aboutButton")})
            QVERIFY(!place(redo).intersects(place(right)));
        if (qEnvironmentVariableIsSet("REELPANE_SCREENSHOTS"))
            form.grab().save(qEnvironmentVariable("REELPANE_SCREENSHOTS") + "/undo-minimum.png");
        QCOMPARE(form.Undo->UndoAction->toolTip(), QString("Отменить (Ctrl+Z)"));
        QCOMPARE(form.Undo->RedoAction->toolTip(), QString("Повторить (Ctrl+Shift+Z)"));
    }

    void deleteMoveAndSwapAreUndone() {
        MainWindowProbe form;
        Shown(form);
        form.Dialogs.AskYesNo = [](const QString&, const QString&) { return true; };
        for (int i = 0; i < 4; ++i)
            QVERIFY(form.Import->AddPhoto(photos_[i]));
        form.History.Clear();
        const auto bytes = PictureBytes(form);
        const QImage secondThumb = Thumb(form, 1);

        form.Storyboard->SelectSlide(1);
        form.Commands->deletePhoto();
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        QVERIFY(ShownSelected(form, 1));
        form.Undo->undo();
        QCOMPARE(form.Show.Slides().size(), std::size_t(4));
        QCOMPARE(PictureBytes(form), bytes);
        QCOMPARE(Thumb(form, 1), secondThumb);
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        QCOMPARE(ThumbCell(form, 2)->property("Index").toInt(), 2);

        form.Commands->movePhotoRight(); // 0 2 1 3
        QVERIFY(form.History.SwapSlides(1 - 1, 4 - 1, {form.Storyboard->SelectedSlide(), 1 - 1})
                    .ok()); // 3 2 1 0
        const std::vector<QByteArray> swapped = {bytes[3], bytes[2], bytes[1], bytes[0]};
        QCOMPARE(PictureBytes(form), swapped);
        QCOMPARE(form.Storyboard->SelectedSlide(), 0);
        form.Undo->undo();
        form.Undo->undo();
        QCOMPARE(PictureBytes(form), bytes);
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        QCOMPARE(ThumbCell(form, 3)->property("Index").toInt(), 3);
        form.Undo->redo();
        form.Undo->redo();
        QCOMPARE(PictureBytes(form), swapped);

        // A drag that inserts (and Ctrl+Right, which takes the same way) is one step too.
        QVERIFY(form.Commands->MovePhoto(0, 3)); // 2 1 0 3
        QCOMPARE(PictureBytes(form),
                 (std::vector<QByteArray>{bytes[2], bytes[1], bytes[0], bytes[3]}));
        QCOMPARE(form.Storyboard->SelectedSlide(), 3);
        form.Undo->undo();
        QCOMPARE(PictureBytes(form), swapped);
        QCOMPARE(ThumbCell(form, 0)->property("Index").toInt(), 0);
    }

    // The picture a caption is drawn on is kept by the history, not beside the working picture:
    // a caption applied on a later visit replaces the first, and undo gives back the bare bytes.
    void theCaptionsBarePictureIsTheHistorys() {
        MainWindowProbe form;
        Shown(form);
        QVERIFY(form.Import->AddPhoto(photos_[3]));
        form.History.Clear();
        const QByteArray bare = Bytes(form.Show.Slides()[0].WorkFile);
        const auto caption = [&](const QString& text) {
            QTimer::singleShot(0, &form, [&form, text] {
                auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                dialog->Form->captionEdit->setText(text);
                dialog->Form->applyTextButton->click();
                dialog->Form->captionSaveButton->click();
            });
            form.Commands->openEffects(1);
        };
        caption(QStringLiteral("first"));
        const QByteArray first = Bytes(form.Show.Slides()[0].WorkFile);
        caption(QStringLiteral("second"));
        const QByteArray second = Bytes(form.Show.Slides()[0].WorkFile);
        QVERIFY(first != bare && second != first);
        // Nothing beside the working picture and the photo's original.
        QCOMPARE(FilesIn(form.Work().PicturesDir()), 2);
        form.Undo->undo();
        form.Undo->undo();
        QCOMPARE(Bytes(form.Show.Slides()[0].WorkFile), bare);
        // The second caption drawn on the bare picture again: the same bytes as before, not the
        // first caption under it.
        form.Undo->redo();
        caption(QStringLiteral("second"));
        QCOMPARE(Bytes(form.Show.Slides()[0].WorkFile), second);
        form.History.Clear();
        QCOMPARE(FilesIn(form.History.KeepFolder()), 0);
    }

    void anEffectIsUndoneWithItsPictureAndThumbnail() {
        MainWindowProbe form;
        Shown(form);
        QVERIFY(form.Import->AddPhoto(photos_[3]));
        form.History.Clear();
        const QByteArray before = Bytes(form.Show.Slides()[0].WorkFile);
        const QImage thumbBefore = Thumb(form, 0);
        bool clicked = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->Form->turnRightButton->click();
            // The picture before the edit is kept once, by the history: the dialog's undo of
            // the turn restores from that copy and takes none of its own.
            QCOMPARE(FilesIn(form.Work().PicturesDir()), 2); // the working picture, the original
            QCOMPARE(FilesIn(form.History.KeepFolder()), 1);
            dialog->Form->turnSaveButton->click();
            clicked = true;
        });
        form.Commands->openEffects(2);
        QVERIFY(clicked);
        QCOMPARE(FilesIn(form.Work().PicturesDir()), 2);
        QCOMPARE(FilesIn(form.History.KeepFolder()), 1); // one effect edit, one kept picture
        const QByteArray after = Bytes(form.Show.Slides()[0].WorkFile);
        const QImage thumbAfter = Thumb(form, 0);
        QVERIFY(after != before);
        QVERIFY(thumbAfter != thumbBefore);
        QCOMPARE(form.Show.Slides()[0].Picture.TurnCount, 1);
        QVERIFY(form.History.IsModified());

        form.Undo->undo();
        QCOMPARE(Bytes(form.Show.Slides()[0].WorkFile), before);
        QCOMPARE(Thumb(form, 0), thumbBefore);
        QCOMPARE(form.Show.Slides()[0].Picture.TurnCount, 0);
        form.Undo->redo();
        QCOMPARE(Bytes(form.Show.Slides()[0].WorkFile), after);
        QCOMPARE(Thumb(form, 0), thumbAfter);

        // A turn cancelled in the dialog goes back to the history's copy: no step, no file left.
        const int steps = form.History.Stack().count();
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->Form->turnRightButton->click();
            dialog->Form->turnRightButton->click();
            dialog->Form->turnCancelButton->click();
        });
        form.Commands->openEffects(2);
        QCOMPARE(Bytes(form.Show.Slides()[0].WorkFile), after);
        QCOMPARE(form.History.Stack().count(), steps);
        QCOMPARE(FilesIn(form.Work().PicturesDir()), 2);
    }

    // A crop redraws the storyboard's thumbnail at once, not only when the show is reopened.
    void aCropRefreshesTheThumbnail() {
        MainWindowProbe form;
        Shown(form);
        QVERIFY(form.Import->AddPhoto(photos_[3]));
        form.History.Clear();
        const QImage thumbBefore = Thumb(form, 0);
        const QSize work = QImage(QString::fromStdString(form.Show.Slides()[0].WorkFile)).size();
        QVERIFY(!work.isEmpty());
        bool clicked = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            // Inside the white corner mark.
            dialog->Form->cropEndXEdit->setText(QString::number(work.width() / 8));
            dialog->Form->cropEndYEdit->setText(QString::number(work.height() / 8));
            dialog->Form->cropSaveButton->click();
            clicked = true;
        });
        form.Commands->openEffects(0);
        QVERIFY(clicked);
        const QImage thumbAfter = Thumb(form, 0);
        QVERIFY(thumbAfter != thumbBefore);
        QCOMPARE(thumbAfter.pixelColor(thumbAfter.width() / 2, thumbAfter.height() / 2),
                 QColor(Qt::white));
        form.Undo->undo();
        QCOMPARE(Thumb(form, 0), thumbBefore);
    }

    // The motion page hands its motion back; the window stores it as one undoable step.
    void aMotionFromTheEffectsDialogIsOneStep() {
        MainWindowProbe form;
        Shown(form);
        QVERIFY(form.Import->AddPhoto(photos_[3]));
        form.History.Clear();
        const QByteArray before = Bytes(form.Show.Slides()[0].WorkFile);
        bool clicked = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QComboBox* choice = dialog->Motion()->ChoiceBox();
            choice->setCurrentIndex(ui::MotionEditor::kAutomatic);
            Q_EMIT choice->activated(ui::MotionEditor::kAutomatic);
            dialog->Form->motionSaveButton->click();
            clicked = true;
        });
        form.Commands->openEffects(ui::EffectsDialog::kMotionPage);
        QVERIFY(clicked);
        QCOMPARE(form.Show.Slides()[0].Ext.Motion.Mode, imaging::MotionMode::Auto);
        QCOMPARE(form.History.Stack().count(), 1);
        QCOMPARE(Bytes(form.Show.Slides()[0].WorkFile), before);
        form.Undo->undo();
        QVERIFY(form.Show.Slides()[0].Ext.Motion.IsStill());
        form.Undo->redo();
        QCOMPARE(form.Show.Slides()[0].Ext.Motion.Mode, imaging::MotionMode::Auto);
    }

    void nothingIsUndoneWhileAJobRuns() {
        MainWindowProbe form;
        form.show();
        for (int i = 0; i < 2; ++i)
            QVERIFY(form.Import->AddPhoto(photos_[i]));
        QTimer::singleShot(0, &form, [&] {
            QVERIFY(form.Busy());
            QVERIFY(!form.Undo->UndoAction->isEnabled());
            form.Undo->undo();
            QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
            form.Commands->movePhotoLeft();
        });
        QVERIFY(window_waits::SaveAndWait(form, tmp_.filePath("busy.qvs")));
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QCOMPARE(form.History.Stack().count(), 2);
        QCOMPARE(CountsIn(tmp_.filePath("busy.qvs")), std::make_pair(2, 0));
        QVERIFY(form.Undo->UndoAction->isEnabled());
    }

    // An open that fails after the file passed its checks (the copy of a photo cannot be
    // written) and a truncated file both leave the open show, its cells and its history.
    void aFailedOpenKeepsTheOpenShow() {
        const QString file = tmp_.filePath("three.qvs");
        {
            MainWindowProbe other;
            for (int i = 0; i < 3; ++i)
                QVERIFY(other.Import->AddPhoto(photos_[i]));
            // Records only, so that a cut at the file's end falls in the media.
            other.Change([&](project::ShowContent& c) {
                c.Options = project::ShowOptions{};
                for (project::Slide& slide : c.Slides)
                    slide.Photo()->Original.reset();
            });
            QVERIFY(other.History.Apply({project::edit::SetPhotoSettings{project::PhotoSettings{}}},
                                        QStringLiteral("old")));
            QVERIFY(window_waits::SaveAndWait(other, file));
        }
        MainWindowProbe form;
        Shown(form);
        QStringList messages;
        form.Dialogs.ShowMessage = [&](const QString& text) { messages << text; };
        form.Dialogs.AskSaveChanges = [](const QString&, const QString&) {
            return Answer::Discard;
        };
        QVERIFY(form.Import->AddPhoto(photos_[3]));
        QVERIFY(form.Import->AddPhoto(photos_[0]));
        const auto bytes = PictureBytes(form);
        const QImage thumb = Thumb(form, 0);

        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        project::ProjectHeader header;
        QCOMPARE(f.read(reinterpret_cast<char*>(&header), sizeof header), qint64(sizeof header));
        const QByteArray whole =
            f.readAll().prepend(QByteArray(reinterpret_cast<const char*>(&header), sizeof header));
        const std::string blocker =
            form.Work().PicturesDir() + std::to_string(header.Prefix.get()) + ".bmp";
        QVERIFY(std::filesystem::create_directory(blocker));
        form.Dialogs.AskOpenName = [&] { return file; };
        form.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(form));
        std::filesystem::remove(blocker);

        const QString truncated = tmp_.filePath("truncated.qvs");
        {
            QFile t(truncated);
            QVERIFY(t.open(QIODevice::WriteOnly));
            t.write(whole.left(whole.size() - 10));
        }
        form.Dialogs.AskOpenName = [&] { return truncated; };
        form.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(form));

        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].startsWith("Не удалось загрузить файл слайдшоу!"));
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QCOMPARE(PictureBytes(form), bytes);
        QCOMPARE(Thumb(form, 0), thumb);
        QVERIFY(ThumbCell(form, 1)->isVisible());
        QCOMPARE(form.History.Stack().count(), 2);
        QCOMPARE( // the two working pictures and their originals
            QDir(QString::fromStdString(form.Work().PicturesDir())).entryList(QDir::Files).size(),
            4);

        // The same file whole: it replaces the show, with fresh cells and no history.
        form.Dialogs.AskOpenName = [&] { return file; };
        form.Files->openProject();
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(messages.size(), 2);
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        QVERIFY(ThumbCell(form, 2)->isVisible());
        QCOMPARE(ThumbCell(form, 2)->property("Index").toInt(), 2);
        QVERIFY(!form.History.CanUndo());
        QVERIFY(!form.History.IsModified());
        QCOMPARE(
            QDir(QString::fromStdString(form.Work().PicturesDir())).entryList(QDir::Files).size(),
            3);
    }
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
