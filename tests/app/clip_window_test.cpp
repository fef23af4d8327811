// Video clips in the window: a folder dropped on it brings its clip in beside its photo, the
// clip's thumbnail carries its film mark and trimmed length, the effects dialog offers a clip
// only its caption and its Clip page, whose Save stores the trim and sound as one undo step, and
// a phone's moving photo can be swapped for its clip.
#include "MainWindowProbe.h"
#include "WindowTestFolder.h"
#include "WindowWaits.h"
#include "app/SlideMarks.h"
#include "base/Language.h"
#include "imaging/ui/EffectsDialog.h"
#include "media/music/ShowFitting.h"
#include "media/ui/ClipEditor.h"
#include "media/ui/ClipFilmstrip.h"
#include "project/ClipSlides.h"
#include "project/Duration.h"
#include "project/ShowHistory.h"
#include "render/ShowTimeline.h"
#include "ui_EffectsDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using ui::MainWindowProbe;

namespace clip_window_test {

// A 3-second clip with a tone, 320 x 180; false when ffmpeg failed.
bool MakeClip(const QString& path) {
    const QString command =
        "ffmpeg -v error -y -f lavfi -i testsrc2=size=320x180:rate=25 -f lavfi -i "
        "sine=frequency=440 -t 3 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest '" +
        path + "'";
    return std::system(command.toLocal8Bit().constData()) == 0;
}

// The top right corner of a slide's thumbnail, where its marks are drawn.
QImage MarkCorner(MainWindowProbe& form, std::size_t index) {
    const QImage thumb = static_cast<QLabel*>(form.Storyboard->PhotoCellWidget(
                                                  index, ui::StoryboardView::PhotoPart::Thumb))
                             ->pixmap()
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    return thumb.copy(thumb.width() - 50, 0, 50, 22);
}

} // namespace clip_window_test

class ClipWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString folder_;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        const QString photo =
            window_test::UseTestFolder(tmp_, QSize(320, 240), QColor(40, 120, 200));
        QVERIFY(!photo.isEmpty());
        // A folder as a camera leaves it: a photo and a clip.
        folder_ = tmp_.filePath("camera");
        QVERIFY(QDir().mkpath(folder_));
        QVERIFY(QFile::copy(photo, folder_ + "/a-photo.png"));
        QVERIFY(clip_window_test::MakeClip(folder_ + "/b-clip.mp4"));
    }

    // The lengths the thumbnail shows, and the mark drawn from the clip's trim: trimmed, the
    // corner shows another length; a slide without its clip shows no mark.
    void aDroppedFolderBringsTheClipWithItsMarkAndLength() {
        QCOMPARE(ui::ClipLengthText(3000), QString("0:03"));
        QCOMPARE(ui::ClipLengthText(3460), QString("0:03.5"));
        QCOMPARE(ui::ClipLengthText(754400), QString("12:34"));
        QCOMPARE(ui::ClipLengthText(3723000), QString("1:02:03"));

        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Import->AcceptDroppedPaths({folder_});
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QVERIFY(!form.Show.Slides()[0].Clip());
        QVERIFY(form.Show.Slides()[1].Clip());
        const project::ClipSettings clip = *form.Show.Slides()[1].Clip();
        QCOMPARE(clip.Name, std::string("b-clip.mp4"));
        QVERIFY(std::abs(clip.LengthMs - 3000) < 100);

        const QImage whole = clip_window_test::MarkCorner(form, 1);
        const auto setSlide = [&](const project::Slide& slide) {
            QVERIFY(form.History.Apply({project::edit::SetSlide{1, slide}}, "test"));
        };
        project::ClipSettings trimmed = clip;
        trimmed.OutMs = 1500;
        setSlide(*project::SetClip(form.Show.Slides(), 1, trimmed));
        const QImage shorter = clip_window_test::MarkCorner(form, 1);
        QVERIFY(shorter != whole);
        project::Slide photo = form.Show.Slides()[1];
        photo.Body = project::PhotoBody{};
        setSlide(photo);
        const QImage plain = clip_window_test::MarkCorner(form, 1);
        QVERIFY(plain != shorter && plain != whole);
        QVERIFY(form.History.Undo().ok());
        QCOMPARE(clip_window_test::MarkCorner(form, 1), shorter);
    }

    // A clip named on the command line (a file manager's "Open with") comes into the new show.
    void aClipHandedOverAtStartComesIn() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.OpenStartupShow(folder_ + "/b-clip.mp4");
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(1));
        QVERIFY(form.Show.Slides()[0].Clip());
    }

    // Asked for the crop page, a clip opens on its Clip page with only the caption beside it;
    // Cancel keeps nothing. A double click opens the Clip page too; its filmstrip fills and its
    // preview plays, and Save stores the trim, the sound and the still the trim gives as one
    // step that one undo takes back.
    void theClipPageStoresTheTrimAsOneStep() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Import->AddPhoto(folder_ + "/a-photo.png"));
        QVERIFY(form.Import->AddPhoto(folder_ + "/b-clip.mp4"));
        const project::Slide before = form.Show.Slides()[1];
        QVERIFY(before.Clip());
        form.Storyboard->SelectSlide(1);

        bool checked = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->OpenPage(), ui::EffectsDialog::kClipPage);
            for (int page = 0; page <= ui::EffectsDialog::kClipPage; ++page)
                QCOMPARE(dialog->Tabs->isTabEnabled(page),
                         page == 1 || page == ui::EffectsDialog::kClipPage);
            auto* editor = qobject_cast<ui::ClipEditor*>(dialog->ClipEditor());
            QVERIFY(editor);
            editor->SetStart(800);
            dialog->Form->clipCancelButton->click();
            checked = true;
        });
        form.Commands->openEffects(0);
        QVERIFY(checked);
        QCOMPARE(form.Show.Slides()[1], before);
        QCOMPARE(form.Storyboard->EffectsPage(), 0); // still the page a photo opens on

        checked = false;
        QTimer::singleShot(0, &form, [&] {
            auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->OpenPage(), ui::EffectsDialog::kClipPage);
            auto* editor = qobject_cast<ui::ClipEditor*>(dialog->ClipEditor());
            QVERIFY(editor);
            QTRY_COMPARE(editor->Filmstrip()->PicturesShown(), ui::ClipFilmstrip::kPictures);
            QTRY_VERIFY(editor->PreviewMs() >= 0);
            QVERIFY(!editor->Preview()->pixmap().isNull());
            editor->findChild<QSlider*>("clipStartSlider")->setValue(500);
            editor->findChild<QSlider*>("clipEndSlider")->setValue(2000);
            editor->findChild<QComboBox*>("clipSoundBox")->setCurrentIndex(1);
            editor->findChild<QSpinBox*>("clipVolumeSpin")->setValue(150);
            // The preview plays within the trim.
            QTRY_VERIFY(editor->PreviewMs() >= 500 && editor->PreviewMs() < 2000);
            dialog->Form->clipSaveButton->click();
            checked = true;
        });
        QTest::mouseDClick(
            form.Storyboard->PhotoCellWidget(1, ui::StoryboardView::PhotoPart::Thumb),
            Qt::LeftButton);
        QVERIFY(checked);
        const project::Slide& after = form.Show.Slides()[1];
        QCOMPARE(after.Clip()->InMs, std::int64_t(500));
        QCOMPARE(after.Clip()->OutMs, std::int64_t(2000));
        QVERIFY(after.Clip()->Mute);
        QCOMPARE(after.Clip()->Volume, 150);
        QCOMPARE(after.StillMs, project::ClipStillMs(form.Show.Slides(), 1));
        QVERIFY(after.StillMs != before.StillMs);
        QVERIFY(form.History.Undo().ok());
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QCOMPARE(form.Show.Slides()[1], before);

        // The photo's caption page used last is a page a clip has too: a double click on the
        // clip still opens its Clip page, and on the photo the caption page it used last.
        const auto pageOpenedBy = [&](std::size_t cell) {
            int page = -1;
            QTimer::singleShot(0, &form, [&] {
                auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                page = dialog->OpenPage();
                dialog->close();
            });
            QTest::mouseDClick(
                form.Storyboard->PhotoCellWidget(cell, ui::StoryboardView::PhotoPart::Thumb),
                Qt::LeftButton);
            return page;
        };
        form.Storyboard->SelectSlide(0);
        form.Storyboard->SetEffectsPage(1);
        QCOMPARE(pageOpenedBy(1), ui::EffectsDialog::kClipPage);
        QCOMPARE(pageOpenedBy(0), 1);
        QCOMPARE(form.Show.Slides()[1], before);
    }

    // Fitted to its music, a show of photos and a clip keeps the clip at its trim and ends with
    // the music, and the notice counts the clip left alone. A trim afterwards changes how long the
    // show lasts: the notice says it no longer ends with the music (naming both lengths), and
    // Undo puts it back; an edit that keeps the show's length says nothing.
    void aTrimAfterAFitSaysTheShowNoLongerEndsWithTheMusic() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Import->AddPhoto(folder_ + "/a-photo.png"));
        QVERIFY(form.Import->AddPhoto(folder_ + "/b-clip.mp4"));
        QVERIFY(form.Import->AddPhoto(folder_ + "/a-photo.png"));
        const QString track = tmp_.filePath("twelve.wav");
        QCOMPARE(QProcess::execute(
                     "sox", {"-n", "-r", "8000", "-c", "1", track, "synth", "12", "sine", "330"}),
                 0);
        QVERIFY(project::Added(form.Import->AddTrack(track)));
        const project::ClipSettings clip = *form.Show.Slides()[1].Clip();
        auto* strip = form.findChild<QLabel*>("NoticeStrip");
        QVERIFY(strip);

        QTimer::singleShot(0, &form, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            dialog->findChild<QPushButton*>("FitPhotosButton")->click();
        });
        form.openShowMusic();
        QVERIFY(window_waits::WaitForJobs(form));
        QVERIFY(media::EndsWithTheMusic(form.Show.Content()));
        QCOMPARE(form.Show.Slides()[1].StillMs, project::ClipStillMs(form.Show.Slides(), 1));
        QVERIFY(form.Show.Slides()[0].StillMs > 3000); // the photos share the other 9 s
        const QString fitted = strip->text();
        QVERIFY(fitted.contains(base::Tr(base::TextKey::MusicClipsKeptReport,
                                         "Клипы оставлены как есть, от начала до конца: %1.")
                                    .arg(1)));
        QVERIFY(fitted.contains(QStringLiteral("0:12"))); // ending with the music at 12 s
        QTest::mouseClick(strip, Qt::LeftButton);

        project::ClipSettings trimmed = clip;
        trimmed.OutMs = clip.InMs + 1500;
        QVERIFY(form.History.Apply(
            {project::edit::SetSlide{1, *project::SetClip(form.Show.Slides(), 1, trimmed)}},
            "trim"));
        const std::int64_t nowMs = render::ShowTimeline::Of(form.Show.Content()).LengthMs();
        QVERIFY(std::abs(nowMs - 12000) > 1000);
        QVERIFY(strip->isVisible());
        QVERIFY(strip->text().contains(QString::fromStdString(project::FormatDurationMs(nowMs))));
        QVERIFY(strip->text().contains(QStringLiteral("0:12")));
        QTest::mouseClick(strip, Qt::LeftButton);
        QVERIFY(form.History.Undo().ok());
        QVERIFY(media::EndsWithTheMusic(form.Show.Content()));
        QVERIFY(!strip->isVisible());

        project::Slide coloured = form.Show.Slides()[0];
        coloured.BackColor = 0x00FF00;
        QVERIFY(form.History.Apply({project::edit::SetSlide{0, coloured}}, "background"));
        QVERIFY(!strip->isVisible());
    }

    // A phone's moving photo comes in as its photo; its menu then offers its clip, which takes
    // the photo's place (and its transition) as one step. A photo without a clip is not offered
    // one.
    void aMovingPhotoCanUseItsClip() {
        const QString phone = tmp_.filePath("phone");
        QVERIFY(QDir().mkpath(phone));
        QVERIFY(QFile::copy(folder_ + "/a-photo.png", phone + "/IMG_0001.png"));
        QVERIFY(clip_window_test::MakeClip(phone + "/IMG_0001.MOV"));
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Import->AddPhoto(folder_ + "/a-photo.png"));
        form.Import->AcceptDroppedPaths({phone});
        QVERIFY(window_waits::WaitForJobs(form));
        QCOMPARE(form.Show.Slides().size(), std::size_t(2));
        QVERIFY(!form.Show.Slides()[1].Clip());
        form.Change([](project::ShowContent& c) {
            c.Slides[1].TransitionKind = 1;
            c.Slides[1].TransitionMs = 700;
        });
        const project::Slide photo = form.Show.Slides()[1];

        auto* useClip = form.findChild<QAction*>("UseItsClipAction");
        QVERIFY(useClip);
        const auto offered = [&](int index) {
            form.Storyboard->SelectSlide(index);
            Q_EMIT form.PhotoMenu->aboutToShow();
            return form.PhotoMenu->actions().contains(useClip);
        };
        QVERIFY(!offered(0));
        QVERIFY(offered(1));
        const QList<QAction*> entries = form.PhotoMenu->actions();
        QCOMPARE(entries.indexOf(useClip),
                 entries.indexOf(form.findChild<QAction*>("AddTitleAction")) + 1);
        useClip->trigger();
        const project::Slide& clip = form.Show.Slides()[1];
        QVERIFY(clip.Clip());
        QCOMPARE(clip.Clip()->Name, std::string("IMG_0001.MOV"));
        QCOMPARE(clip.TransitionMs, std::int64_t(700));
        QCOMPARE(clip.StillMs, project::ClipStillMs(form.Show.Slides(), 1));
        QVERIFY(!offered(1));
        QVERIFY(form.History.Undo().ok());
        QCOMPARE(form.Show.Slides()[1], photo);
        QVERIFY(offered(1));
    }
};

QTEST_MAIN(ClipWindowTest)
#include "clip_window_test.moc"
