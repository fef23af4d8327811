// Several slides picked on the storyboard: clicks with Shift and Ctrl and Ctrl+A pick them and the
// cells show it; the effects dialog gives its values to all of them, and moving and deleting takes
// them all, each as one step that one undo takes back.
#include "MainWindowProbe.h"
#include "WindowTestFolder.h"
#include "imaging/ui/EffectsDialog.h"
#include "imaging/ui/MotionEditor.h"
#include "project/ShowHistory.h"
#include "ui_EffectsDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using ui::MainWindowProbe;
using ui::StoryboardView;

class PickedSlidesTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;

    static QWidget* Thumb(MainWindowProbe& form, std::size_t i) {
        return form.Storyboard->PhotoCellWidget(i, StoryboardView::PhotoPart::Thumb);
    }
    static void Click(MainWindowProbe& form, std::size_t i, Qt::KeyboardModifiers keys = {}) {
        QWidget* thumb = Thumb(form, i);
        QVERIFY2(thumb && thumb->isVisible(), qPrintable(QString::number(i)));
        QTest::mouseClick(thumb, Qt::LeftButton, keys, QPoint(30, 30));
    }
    static std::vector<std::size_t> Picked(const MainWindowProbe& form) {
        return form.Storyboard->PickedSlides();
    }
    // The colour of a cell's top-left pixel: green for the current slide, the wide highlight for
    // another picked one, black for the rest.
    static QColor Corner(MainWindowProbe& form, std::size_t i) {
        auto* label = qobject_cast<QLabel*>(Thumb(form, i));
        return label ? label->pixmap().toImage().pixelColor(0, 0) : QColor();
    }
    void Open(MainWindowProbe& form, int photos) {
        form.resize(1200, 800); // five photos and more on a page
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        for (int i = 0; i < photos; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        form.History.MarkSaved();
        form.Storyboard->LayoutPhotoStrip(0);
        form.Storyboard->SelectSlide(0);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        photo_ = window_test::UseTestFolder(tmp_, QSize(320, 240), QColor(90, 140, 60));
        QVERIFY(!photo_.isEmpty());
    }

    void shiftClickPicksThirtyAndTheirMotionIsOneStep() {
        MainWindowProbe form;
        Open(form, 30);
        Click(form, 0);
        // The strip's last page, turned with its arrow: the pick stays.
        while (!Thumb(form, 29)->isVisible()) {
            const int page = form.Storyboard->SlidePage();
            form.Commands->nextStripPage();
            QVERIFY(form.Storyboard->SlidePage() > page);
        }
        Click(form, 29, Qt::ShiftModifier);
        QCOMPARE(Picked(form).size(), std::size_t(30));
        QCOMPARE(form.Storyboard->SelectedSlide(), 29);
        const QColor current = Corner(form, 29);
        const QColor other = Corner(form, 28);
        QVERIFY(current != other && other != QColor(Qt::black));

        // Automatic motion given to the picked photos from the motion page.
        const int steps = form.History.Stack().count();
        bool driven = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(dialog->Form->motionForSelectionCheck->isVisibleTo(dialog));
            QVERIFY(dialog->Form->motionForSelectionCheck->text().contains("30"));
            QComboBox* choice = dialog->Motion()->ChoiceBox();
            choice->setCurrentIndex(ui::MotionEditor::kAutomatic);
            Q_EMIT choice->activated(ui::MotionEditor::kAutomatic);
            dialog->Form->motionForSelectionCheck->setChecked(true);
            dialog->Form->motionSaveButton->click();
            driven = true;
        });
        form.Commands->openEffects(ui::EffectsDialog::kMotionPage);
        QVERIFY(driven);
        QCOMPARE(form.History.Stack().count(), steps + 1);
        for (const project::Slide& s : form.Show.Slides())
            QCOMPARE(s.Ext.Motion.Mode, imaging::MotionMode::Auto);
        QCOMPARE(Picked(form).size(), std::size_t(30));

        QVERIFY(form.History.Undo().ok());
        for (const project::Slide& s : form.Show.Slides())
            QCOMPARE(s.Ext.Motion.Mode, imaging::MotionMode::None);
        QVERIFY(!form.History.IsModified());
        QVERIFY(form.History.Redo().ok());
        QCOMPARE(form.Show.Slides()[14].Ext.Motion.Mode, imaging::MotionMode::Auto);
    }

    void ctrlClickTogglesCtrlAPicksAllAndPickedOnesMoveAndGoTogether() {
        MainWindowProbe form;
        Open(form, 5);
        Click(form, 1);
        Click(form, 3, Qt::ControlModifier);
        QCOMPARE(Picked(form), (std::vector<std::size_t>{1, 3}));
        Click(form, 1, Qt::ControlModifier); // dropped again
        QCOMPARE(Picked(form), (std::vector<std::size_t>{3}));
        QCOMPARE(form.Storyboard->SelectedSlide(), 3);
        Click(form, 4, Qt::ControlModifier);
        Click(form, 0, Qt::ShiftModifier); // the run from the last Ctrl+click
        QCOMPARE(Picked(form).size(), std::size_t(5));
        Click(form, 2); // a plain click on one of them: it alone
        QCOMPARE(Picked(form), (std::vector<std::size_t>{2}));
        QTest::keyClick(&form, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Picked(form).size(), std::size_t(5));
        QCOMPARE(form.Storyboard->SelectedSlide(), 2);

        // Ctrl+Right takes both picked photos one place on; they stay picked there.
        std::vector<std::string> files;
        for (const project::Slide& s : form.Show.Slides())
            files.push_back(s.WorkFile);
        Click(form, 1);
        Click(form, 3, Qt::ControlModifier);
        QTest::keyClick(&form, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(form.Show.Slides()[2].WorkFile, files[1]);
        QCOMPARE(form.Show.Slides()[4].WorkFile, files[3]);
        QCOMPARE(Picked(form), (std::vector<std::size_t>{2, 4}));
        QCOMPARE(form.Storyboard->SelectedSlide(), 4);

        // Delete takes both, after one question; one undo brings both back, and the pick is
        // still on slides of the show.
        int asked = 0;
        form.Dialogs.AskYesNo = [&](const QString& text, const QString&) {
            ++asked;
            return text.contains("2");
        };
        form.Commands->deletePhoto();
        QCOMPARE(asked, 1);
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        QVERIFY(form.Storyboard->SelectedSlide() < 3);
        for (const std::size_t i : Picked(form))
            QVERIFY(i < 3);
        QVERIFY(form.History.Undo().ok());
        QCOMPARE(form.Show.Slides().size(), std::size_t(5));
        QCOMPARE(form.Show.Slides()[2].WorkFile, files[1]);
        QCOMPARE(form.Show.Slides()[4].WorkFile, files[3]);
        QVERIFY(form.History.Undo().ok());
        for (std::size_t i = 0; i < files.size(); ++i)
            QCOMPARE(form.Show.Slides()[i].WorkFile, files[i]);
    }
};

QTEST_MAIN(PickedSlidesTest)
#include "picked_slides_test.moc"
