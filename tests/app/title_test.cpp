// Title slides in the window: "Add title" (Ctrl+T, the photo's menu and the menu bar) puts one
// before the selected photo through the title editor, as one undoable step; a title slide opens
// the editor where a photo opens its effects, and its edit redraws the card; the editor's
// preview plays the chosen motion.
#include "MainWindowProbe.h"
#include "WidgetLookup.h"
#include "WindowTestFolder.h"
#include "base/ProgramFolder.h"
#include "imaging/BmpFile.h"
#include "imaging/ui/TitleDialog.h"
#include "project/ShowHistory.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using ui::MainWindowProbe;

class TitleTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;

    // The light of the picture's middle third: where a title's text lies.
    static double MiddleLight(const QImage& image) {
        double sum = 0;
        for (int y = image.height() / 3; y < 2 * image.height() / 3; ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += qGray(image.pixel(x, y));
        return sum;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        photo_ = window_test::UseTestFolder(tmp_, QSize(320, 240), QColor(40, 120, 200));
        QVERIFY(!photo_.isEmpty());
    }

    // A title's length given to the millisecond (a cut on the beat) is shown in tenths and handed
    // back exactly until the user changes it.
    void anUntouchedLengthKeepsItsMilliseconds() {
        ui::TitleDialog dialog(imaging::TitleSettings{}, 63.433, nullptr, QSize(1920, 1080));
        QCOMPARE(dialog.SecondsBox->value(), 63.4);
        QCOMPARE(dialog.Seconds(), 63.433);
        dialog.SecondsBox->setValue(5.5);
        QCOMPARE(dialog.Seconds(), 5.5);
    }

    void theEditorsPreviewPlaysTheMotionAndRefusesAnEmptyTitle() {
        imaging::TitleSettings title;
        title.Title = "Summer";
        title.Motion = imaging::TextMotion::Fade;
        ui::TitleDialog dialog(title, 4.0, nullptr, QSize(1920, 1080));
        // Black backdrop: the text's light is nothing at the start, all of it mid-way.
        QCOMPARE(MiddleLight(dialog.PreviewAt(0.0)), 0.0);
        QVERIFY(MiddleLight(dialog.PreviewAt(0.5)) > 1000.0);
        QVERIFY(MiddleLight(dialog.PreviewAt(0.1)) < MiddleLight(dialog.PreviewAt(0.5)));
        dialog.MotionBox->setCurrentIndex(0); // none: all of it at once
        QCOMPARE(MiddleLight(dialog.PreviewAt(0.0)), MiddleLight(dialog.PreviewAt(0.5)));
        QCOMPARE(dialog.Title().Motion, imaging::TextMotion::None);
        dialog.TitleEdit->setPlainText("  ");
        QVERIFY(!dialog.OkButton->isEnabled());
        dialog.TitleEdit->setPlainText("Line one\nLine two");
        dialog.SubtitleEdit->setText("Sub");
        dialog.BackdropBox->setCurrentIndex(1);
        QVERIFY(dialog.OkButton->isEnabled());
        QVERIFY(dialog.Color2Button->isEnabled());
        QCOMPARE(dialog.Title().Title, std::string("Line one\nLine two"));
        QCOMPARE(dialog.Title().Subtitle, std::string("Sub"));
        QCOMPARE(dialog.Title().Backdrop, imaging::TitleBackdrop::Gradient);
    }

    void addTitleInsertsBeforeTheSelectionAndTheEditorEditsIt() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QVERIFY(form.Import->AddPhoto(photo_));
        QVERIFY(form.Import->AddPhoto(photo_));
        form.Storyboard->SelectSlide(1);

        int runs = 0;
        form.Titles->RunDialog = [&](ui::TitleDialog& dialog) {
            ++runs;
            dialog.TitleEdit->setPlainText(runs == 1 ? "Chapter two" : "Chapter 2");
            dialog.SecondsBox->setValue(runs == 1 ? 3.0 : 5.5);
            return true;
        };
        // Ctrl+T acts in the whole window; the photo's menu lists the same action.
        QTest::keyClick(&form, Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(runs, 1);
        QCOMPARE(form.Show.Slides().size(), std::size_t(3));
        const project::Slide title = form.Show.Slides()[1];
        QVERIFY(title.Title() != nullptr);
        QCOMPARE(title.Title()->Title, std::string("Chapter two"));
        QCOMPARE(title.StillMs, std::int64_t(3000));
        QVERIFY(!form.Show.Slides()[0].Title() && !form.Show.Slides()[2].Title());
        // The same action in the photo's pop-up menu and in the menu bar's Photo menu.
        auto* addTitle = form.findChild<QAction*>("AddTitleAction");
        for (const char* name : {"PhotoMenu", "PhotoBarMenu"}) {
            auto* menu = form.findChild<QMenu*>(name);
            QVERIFY2(menu && menu->actions().contains(addTitle), name);
        }
        const auto before = imaging::LoadBmpFile(title.WorkFile);
        QVERIFY(before);

        // The photo's commands open the title editor on a title slide; its edit redraws the card.
        form.Storyboard->SelectSlide(1);
        form.Commands->openEffects(0);
        QCOMPARE(runs, 2);
        QCOMPARE(form.Show.Slides()[1].Title()->Title, std::string("Chapter 2"));
        QCOMPARE(form.Show.Slides()[1].StillMs, std::int64_t(5500));
        const auto after = imaging::LoadBmpFile(form.Show.Slides()[1].WorkFile);
        QVERIFY(after);
        QVERIFY(after->CopyToImage() != before->CopyToImage());

        // One step each: the edit undone puts back the text and the card, then the title goes.
        QVERIFY(form.History.Undo().ok());
        QCOMPARE(form.Show.Slides()[1].Title()->Title, std::string("Chapter two"));
        QCOMPARE(imaging::LoadBmpFile(form.Show.Slides()[1].WorkFile)->CopyToImage(),
                 before->CopyToImage());
        QVERIFY(form.History.Undo().ok());
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QVERIFY(!form.Show.Slides()[0].Title() && !form.Show.Slides()[1].Title());
    }
};

QTEST_MAIN(TitleTest)
#include "title_test.moc"
