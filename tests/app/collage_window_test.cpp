// Collages in the window: "Make a collage" turns two to four picked photos into one collage at the
// first one's place, as one step whose undo brings the photos back as they were; the effects
// dialog opened on a collage offers its own page, whose layout and order are one step too.
#include "MainWindowProbe.h"
#include "WindowTestFolder.h"
#include "imaging/ui/EffectsDialog.h"
#include "project/ShowHistory.h"
#include "project/ui/CollageEditor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using ui::MainWindowProbe;
using ui::StoryboardView;

namespace {

QByteArray Bytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class CollageWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QStringList photos_;

    // Four photos of different colours, the second one turned: a show to make collages of.
    void Open(MainWindowProbe& form) {
        form.resize(1200, 800); // five photos and more on a page
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const QString& photo : photos_)
            QVERIFY(form.Import->AddPhoto(photo));
        QVERIFY(form.Change([](project::ShowContent& show) {
            show.Slides[1].StillMs = 6500;
            show.Slides[1].BackColor = 0x203040;
        }));
    }
    static void Pick(MainWindowProbe& form, const std::vector<std::size_t>& picked) {
        for (std::size_t k = 0; k < picked.size(); ++k)
            QTest::mouseClick(
                form.Storyboard->PhotoCellWidget(picked[k], StoryboardView::PhotoPart::Thumb),
                Qt::LeftButton, k == 0 ? Qt::KeyboardModifiers{} : Qt::ControlModifier,
                QPoint(30, 30));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        window_test::UseTestFolder(tmp_);
        const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (int i = 0; i < 4; ++i) {
            QImage image(i == 1 ? QSize(240, 320) : QSize(320, 240), QImage::Format_RGB32);
            image.fill(colours[i]);
            photos_ << tmp_.filePath(QString("photo%1.png").arg(i));
            QVERIFY(image.save(photos_.back()));
        }
    }

    void threePickedPhotosBecomeOneCollageAndComeBackExactly() {
        MainWindowProbe form;
        Open(form);
        auto* make = form.findChild<QAction*>("MakeCollageAction");
        QVERIFY(make);
        QVERIFY(form.PhotoMenu->actions().contains(make));
        QVERIFY(form.findChild<QMenu*>("PhotoBarMenu")->actions().contains(make));
        Pick(form, {1});
        QVERIFY(!make->isEnabled()); // one photo is no collage
        Pick(form, {1, 2, 3});
        QVERIFY(make->isEnabled());

        const std::vector<project::Slide> before = form.Show.Slides();
        std::vector<QByteArray> bytes;
        for (const project::Slide& s : before)
            bytes.push_back(Bytes(s.WorkFile));
        const int steps = form.History.Stack().count();
        make->trigger();
        QCOMPARE(form.History.Stack().count(), steps + 1);
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        const project::Slide& collage = form.Show.Slides()[1];
        QVERIFY(collage.Collage());
        QCOMPARE(collage.Collage()->Photos.size(), std::size_t(3));
        QCOMPARE(collage.StillMs, std::int64_t(6500)); // the first picked photo's time
        QCOMPARE(collage.BackColor, 0x203040);
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        QVERIFY(form.Show.Slides()[0] == before[0]);
        // A collage and a photo, or a collage alone, are no photos to make one of.
        Pick(form, {0, 1});
        QVERIFY(!make->isEnabled());

        QVERIFY(form.History.Undo().ok());
        QCOMPARE(form.Show.Slides().size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            const project::Slide& s = form.Show.Slides()[i];
            QVERIFY2(s.Photo() && *s.Photo() == *before[i].Photo(), qPrintable(QString::number(i)));
            QCOMPARE(s.StillMs, before[i].StillMs);
            QCOMPARE(s.TransitionMs, before[i].TransitionMs);
            QCOMPARE(s.BackColor, before[i].BackColor);
            QVERIFY(s.Ext == before[i].Ext);
            QCOMPARE(s.WorkFile, before[i].WorkFile);
            QVERIFY(s == before[i]);
            QCOMPARE(Bytes(s.WorkFile), bytes[i]);
        }
        QVERIFY(form.History.Redo().ok());
        QVERIFY(form.Show.Slides()[1].Collage());
    }

    void theCollagePageChangesItsLayoutAndOrderAsOneStep() {
        MainWindowProbe form;
        Open(form);
        Pick(form, {0, 1, 2});
        form.findChild<QAction*>("MakeCollageAction")->trigger();
        QVERIFY(form.Show.Slides()[0].Collage());
        const project::CollageSettings made = *form.Show.Slides()[0].Collage();
        const QByteArray picture = Bytes(form.Show.Slides()[0].WorkFile);
        QCOMPARE(made.Layout, project::CollageLayout::Feature);

        bool driven = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            // Its caption, its time and its own page; no photo edits.
            QCOMPARE(dialog->OpenPage(), ui::EffectsDialog::kCollagePage);
            QVERIFY(dialog->PageOffered(1) && dialog->PageOffered(5));
            for (int page : {0, 2, 3, 4, ui::EffectsDialog::kMotionPage})
                QVERIFY(!dialog->PageOffered(page));
            auto* editor = qobject_cast<ui::CollageEditor*>(dialog->CollageEditor());
            QVERIFY(editor);
            QVERIFY(editor->Preview()->isVisibleTo(dialog));
            const QImage first = editor->PreviewPicture();
            QVERIFY(!first.isNull());
            editor->LayoutBox()->setCurrentIndex(static_cast<int>(project::CollageLayout::Stack));
            const QImage stacked = editor->PreviewPicture();
            QVERIFY(stacked != first);
            editor->PhotoList()->setCurrentRow(0);
            QVERIFY(!editor->EarlierButton()->isEnabled());
            editor->LaterButton()->click();
            QCOMPARE(editor->PhotoList()->currentRow(), 1);
            QVERIFY(editor->PreviewPicture() != stacked);
            dialog->findChild<QPushButton*>("collageSaveButton")->click();
            driven = true;
        });
        // A double click opens a collage on its own page, whatever page was used last.
        QTest::mouseDClick(form.Storyboard->PhotoCellWidget(0, StoryboardView::PhotoPart::Thumb),
                           Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(driven);
        const project::CollageSettings& edited = *form.Show.Slides()[0].Collage();
        QCOMPARE(edited.Layout, project::CollageLayout::Stack);
        QVERIFY(edited.Photos[0] == made.Photos[1]);
        QVERIFY(edited.Photos[1] == made.Photos[0]);
        QVERIFY(edited.Photos[2] == made.Photos[2]);
        QVERIFY(Bytes(form.Show.Slides()[0].WorkFile) != picture);

        QVERIFY(form.History.Undo().ok());
        QVERIFY(*form.Show.Slides()[0].Collage() == made);
        QCOMPARE(Bytes(form.Show.Slides()[0].WorkFile), picture);
    }
};

QTEST_MAIN(CollageWindowTest)
#include "collage_window_test.moc"
