// The transition chooser offscreen: opening on a slide's transition, the length box following the
// list, the save rule for one slide and for all, the language texts, and the storyboard's
// transition cells that open it and carry the names as hints.
#include "MainWindowProbe.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "imaging/TransitionKinds.h"
#include "imaging/ui/TransitionDialog.h"
#include "imaging/ui/TransitionSample.h"
#include "project/TransitionChoice.h"
#include "ui_TransitionDialog.h"

#include <QApplication>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using ui::MainWindowProbe;
using ui::TransitionDialog;

namespace {

const QString kSource = QStringLiteral(REELPANE_TEST_SOURCE_DIR);

void ClickRow(TransitionDialog& dialog, int row) {
    QListWidget* list = dialog.Form->kindList;
    list->scrollToItem(list->item(row)); // the newer kinds lie below the first screenful
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// Runs `drive` on the chooser as soon as it is open modally, while the caller's click waits.
void WhenChooserOpens(const std::function<void(TransitionDialog&)>& drive, bool* seen) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, drive, seen] {
        auto* dialog = qobject_cast<TransitionDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        *seen = true;
        drive(*dialog);
    });
    poll->start(10);
}

std::vector<std::pair<int, int>> Transitions(const MainWindowProbe& form) {
    std::vector<std::pair<int, int>> out;
    for (const auto& s : form.Show.Slides())
        out.emplace_back(s.TransitionKind, s.TransitionMs / 1000);
    return out;
}

} // namespace

class TransitionDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;

    static QWidget* TransitionCell(MainWindowProbe& form, std::size_t index) {
        return form.Storyboard->PhotoCellWidget(index,
                                                ui::StoryboardView::PhotoPart::TransitionCell);
    }
    // Clicks slide index's transition cell and lets `drive` work the chooser it opens.
    static void ChooseOn(MainWindowProbe& form, std::size_t index,
                         const std::function<void(TransitionDialog&)>& drive) {
        bool seen = false;
        WhenChooserOpens(drive, &seen);
        QTest::mouseClick(TransitionCell(form, index), Qt::LeftButton);
        QVERIFY(seen);
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
    void cleanup() { base::AppLanguage() = base::Language(); }

    void opensOnTheSlidesTransition() {
        TransitionDialog dialog(4, 2);
        QCOMPARE(dialog.size(), QSize(445, 386));
        QCOMPARE(dialog.windowTitle(), QString("Эффекты перехода"));
        QCOMPARE(dialog.Form->kindList->count(), 27);
        QCOMPARE(dialog.Form->kindList->item(0)->text(), QString("Нет эффекта"));
        QCOMPARE(dialog.Form->kindList->item(13)->text(), QString("Наплыв слева снизу"));
        QCOMPARE(dialog.Form->kindList->item(14)->text(), QString("Наплыв"));
        QCOMPARE(dialog.Form->kindList->item(26)->text(), QString("Мягкая шторка вниз"));
        QCOMPARE(dialog.Form->kindList->currentRow(), 4);
        QCOMPARE(dialog.Form->secondsSpin->value(), 2);
        QCOMPARE(dialog.Form->secondsSpin->maximum(), 99);
        QCOMPARE(dialog.Form->secondsSpin->minimum(), 0);
        QVERIFY(!dialog.Form->applyToAllCheck->isChecked());

        // A kind no list item has (a damaged show file) opens on "no transition".
        TransitionDialog damaged(27, 5);
        QCOMPARE(damaged.Form->kindList->currentRow(), 0);
        TransitionDialog newer(imaging::kTransitionIris, 5);
        QCOMPARE(newer.Form->kindList->currentRow(), int(imaging::kTransitionIris));
        QCOMPARE(newer.Sample()->Kind(), int(imaging::kTransitionIris));
    }

    void lengthBoxFollowsTheListAndSaveHandsBackTheChoice() {
        TransitionDialog dialog(0, 0);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ClickRow(dialog, 0); // clicking the selected "no transition" disables the length
        QVERIFY(!dialog.Form->secondsSpin->isEnabled());
        ClickRow(dialog, 6);
        QVERIFY(dialog.Form->secondsSpin->isEnabled());
        dialog.Form->kindList->setFocus();
        QTest::keyClick(dialog.Form->kindList, Qt::Key_Home); // keys move the selection too
        QCOMPARE(dialog.Form->kindList->currentRow(), 0);
        QVERIFY(!dialog.Form->secondsSpin->isEnabled());
        ClickRow(dialog, 11);
        dialog.Form->secondsSpin->setValue(-5); // held at 0
        QCOMPARE(dialog.Form->secondsSpin->value(), 0);
        dialog.Form->applyToAllCheck->setChecked(true);
        dialog.Form->saveButton->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Choice().Kind, 11);
        QCOMPARE(dialog.Choice().Ms, std::int64_t{0});
        QVERIFY(dialog.Choice().ApplyToAll);

        TransitionDialog cancelled(3, 4);
        cancelled.Form->cancelButton->click();
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
    }

    void textsComeFromTheLanguageTable() {
        QVERIFY(base::LoadLanguageFile(base::AppLanguage(), kSource + "/language/english.lng"));
        TransitionDialog dialog(2, 3);
        QCOMPARE(dialog.windowTitle(), QString("Transition effects"));
        QCOMPARE(dialog.Form->secondsLabel->text(), QString("Transition length, sec"));
        QCOMPARE(dialog.Form->applyToAllCheck->text(), QString("Apply to all"));
        QCOMPARE(dialog.Form->saveButton->text(), QString("Save"));
        QCOMPARE(dialog.Form->cancelButton->text(), QString("Cancel"));
        QCOMPARE(dialog.Form->kindList->item(2)->text(), QString("Slide in from the right"));
        QCOMPARE(dialog.Form->kindList->item(14)->text(), QString("Cross-fade"));
        QCOMPARE(dialog.Form->kindList->item(22)->text(), QString("Iris from the centre"));
    }

    // The sample plays the selected kind on the two thumbnails: half way through a cross-fade
    // it is the mix of the two pictures, and push-left shows both side by side.
    void theSampleFollowsTheSelectionOnTheThumbnails() {
        TransitionDialog dialog(0, 2);
        imaging::Bitmap red = imaging::Bitmap::CreateSized(160, 120);
        red.Fill(0, 0, 200);
        imaging::Bitmap blue = imaging::Bitmap::CreateSized(160, 120);
        blue.Fill(200, 0, 0);
        dialog.SetSamplePictures(red, 0, blue, 0);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ClickRow(dialog, imaging::kTransitionCrossfade);
        ui::TransitionSample* sample = dialog.Sample();
        QCOMPARE(sample->Kind(), int(imaging::kTransitionCrossfade));
        QVERIFY(dialog.Form->secondsSpin->isEnabled());
        sample->stop();
        using S = ui::TransitionSample;
        sample->showLoopTime(S::kHoldSeconds + S::kTransitionSeconds / 2);
        const QImage mid = sample->CurrentFrame();
        QCOMPARE(mid.size(), sample->SquareRect().size()); // the pictures' own size
        const QColor c = mid.pixelColor(mid.width() / 2, mid.height() / 2);
        QVERIFY(std::abs(c.red() - 100) <= 1 && std::abs(c.blue() - 100) <= 1);
        sample->showLoopTime(0.0);
        const QImage held = sample->CurrentFrame();
        QCOMPARE(held.pixelColor(held.width() / 2, held.height() / 2), QColor(200, 0, 0));

        ClickRow(dialog, imaging::kTransitionPushLeft);
        sample->stop();
        sample->showLoopTime(S::kHoldSeconds + S::kTransitionSeconds / 2);
        const QImage pushed = sample->CurrentFrame();
        // Half way the outgoing picture's right half is on the left, the incoming's left half on
        // the right (the thumbnails lie on black bars at the sample's edges).
        QCOMPARE(pushed.pixelColor(pushed.width() / 4, pushed.height() / 2), QColor(200, 0, 0));
        QCOMPARE(pushed.pixelColor(3 * pushed.width() / 4, pushed.height() / 2), QColor(0, 0, 200));
        const QByteArray folder = qgetenv("REELPANE_SHOTS");
        if (!folder.isEmpty()) {
            ClickRow(dialog, imaging::kTransitionIris);
            QCOMPARE(sample->Kind(), int(imaging::kTransitionIris));
            sample->stop();
            sample->showLoopTime(S::kHoldSeconds + S::kTransitionSeconds * 0.45);
            QVERIFY(dialog.grab().save(QString::fromLocal8Bit(folder) + "/chooser-sample.png"));
        }
        ClickRow(dialog, imaging::kTransitionSoftUp);
        dialog.Form->saveButton->click();
        QCOMPARE(dialog.Choice().Kind, int(imaging::kTransitionSoftUp));
        QCOMPARE(dialog.Choice().Ms, std::int64_t{2000});
    }

    void transitionCellOpensTheChooserAndTheRuleIsApplied() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int i = 0; i < 3; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        const auto none = std::vector<std::pair<int, int>>(3, {0, 0});
        QCOMPARE(Transitions(form), none);

        // One slide, a moving kind with 0 seconds: 3 seconds, only that slide, which is selected.
        ChooseOn(form, 1, [](TransitionDialog& d) {
            QCOMPARE(d.Form->kindList->currentRow(), 0);
            ClickRow(d, 9);
            d.Form->secondsSpin->setValue(0);
            d.Form->saveButton->click();
        });
        QCOMPARE(form.Storyboard->SelectedSlide(), 1);
        QCOMPARE(Transitions(form), (std::vector<std::pair<int, int>>{{0, 0}, {9, 3}, {0, 0}}));
        QCOMPARE(TransitionCell(form, 1)->toolTip(), QString("Появление сверху"));

        // The chooser opens on the slide's own transition; cancelling changes nothing.
        ChooseOn(form, 1, [](TransitionDialog& d) {
            QCOMPARE(d.Form->kindList->currentRow(), 9);
            QCOMPARE(d.Form->secondsSpin->value(), 3);
            ClickRow(d, 2);
            d.Form->cancelButton->click();
        });
        QCOMPARE(Transitions(form), (std::vector<std::pair<int, int>>{{0, 0}, {9, 3}, {0, 0}}));

        // All slides, with a length.
        ChooseOn(form, 2, [](TransitionDialog& d) {
            ClickRow(d, 12);
            d.Form->secondsSpin->setValue(7);
            d.Form->applyToAllCheck->setChecked(true);
            d.Form->saveButton->click();
        });
        QCOMPARE(Transitions(form), (std::vector<std::pair<int, int>>(3, {12, 7})));
        QCOMPARE(TransitionCell(form, 0)->toolTip(), QString("Наплыв слева сверху"));

        // "No transition" for all: 0 seconds whatever the box says.
        ChooseOn(form, 0, [](TransitionDialog& d) {
            d.Form->secondsSpin->setValue(5);
            ClickRow(d, 0);
            d.Form->applyToAllCheck->setChecked(true);
            d.Form->saveButton->click();
        });
        QCOMPARE(Transitions(form), none);
        QCOMPARE(TransitionCell(form, 2)->toolTip(), QString("Нет эффекта"));

        // A newer kind: stored in the extension with its classic kind in the record, named in the
        // cell's hint, and selected again when the chooser opens; undone like the others.
        ChooseOn(form, 0, [](TransitionDialog& d) {
            ClickRow(d, imaging::kTransitionFadeWhite);
            d.Form->secondsSpin->setValue(2);
            d.Form->saveButton->click();
        });
        QCOMPARE(form.Show.Slides()[0].Ext.TransitionKind, int(imaging::kTransitionFadeWhite));
        QCOMPARE(Transitions(form), (std::vector<std::pair<int, int>>{{0, 2}, {0, 0}, {0, 0}}));
        QCOMPARE(TransitionCell(form, 0)->toolTip(), QString("Через белый"));
        ChooseOn(form, 0, [](TransitionDialog& d) {
            QCOMPARE(d.Form->kindList->currentRow(), int(imaging::kTransitionFadeWhite));
            d.Form->cancelButton->click();
        });
        QVERIFY(form.History.Undo().ok());
        QCOMPARE(form.Show.Slides()[0].Ext.TransitionKind, 0);
        QCOMPARE(TransitionCell(form, 0)->toolTip(), QString("Нет эффекта"));
    }

    void languageChangeRehintsEveryTransitionCell() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (int i = 0; i < 2; ++i)
            QVERIFY(form.Import->AddPhoto(photo_));
        form.Change([&](project::ShowContent& c) { c.Slides[0].TransitionKind = 6; });
        form.Change([&](project::ShowContent& c) { c.Slides[1].TransitionKind = 13; });
        form.LoadLanguageFile(kSource + "/language/english.lng");
        QCOMPARE(TransitionCell(form, 0)->toolTip(), QString("Reveal from the right"));
        QCOMPARE(TransitionCell(form, 1)->toolTip(), base::AppLanguage().Text(44, QString()));
        QVERIFY(!TransitionCell(form, 1)->toolTip().isEmpty());
    }
};

QTEST_MAIN(TransitionDialogTest)
#include "transition_dialog_test.moc"
