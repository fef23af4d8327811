// The effects dialog offscreen on a real working file: the page-change question, crop drags,
// turns undone by Cancel, the preview box, light and colour applied once, the motion page, no
// file written while it is open, and its edits stored as the window stores them.
#include "EffectsDialogFixture.h"
#include "ui_EffectsDialog.h"

class EffectsDialogTest : public EffectsDialogFixture {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void cleanup() {
        live = nullptr;
        pictures.clear();
    }

    void openingOnCropAndWalkingThePagesAsksNothing() {
        Prepare(Gradient(400, 300));
        auto d = Open(0);
        for (int page : {1, 2, 3, 4, 5, 0, 3})
            d->Tabs->setCurrentIndex(page);
        QCOMPARE(questions, 0);
        QCOMPARE(d->OpenPage(), 3);
        QCOMPARE(d->Form->pages->currentIndex(), 3);
        d->reject();
        QVERIFY(SameBitmap(Work(), Gradient(400, 300)));
    }

    void reversedCropDragEqualsTheForwardOne() {
        Prepare(Gradient(400, 300));
        auto d = Open(0);
        // The 400 x 300 picture previews as 221 x 166 at (16, 0).
        d->dragCrop({40, 20}, {150, 120});
        const ui::EffectsCrop forward = d->Crop();
        d->dragCrop({150, 120}, {40, 20});
        const ui::EffectsCrop reverse = d->Crop();
        QCOMPARE(std::min(forward.X0, forward.X1), std::min(reverse.X0, reverse.X1));
        QCOMPARE(std::max(forward.Y0, forward.Y1), std::max(reverse.Y0, reverse.Y1));
        QCOMPARE(forward.X0, reverse.X1);
        QCOMPARE(forward.X0, (40 - 16) * 400 / 221);
        QCOMPARE(d->Form->cropStartXEdit->text().toInt(), reverse.X0);
        // Leaving the page with Yes crops to the rectangle and fits it again.
        answer = true;
        d->Tabs->setCurrentIndex(5);
        QCOMPARE(questions, 1);
        const imaging::Bitmap cropped = Work();
        const int w = std::abs(reverse.X1 - reverse.X0);
        const int h = std::abs(reverse.Y1 - reverse.Y0);
        QCOMPARE(cropped.Width, 400);
        QCOMPARE(cropped.Height, static_cast<int>(std::lround(400.0 * h / w)));
        d->reject();
        QVERIFY(NoBackups());
    }

    // The four corner fields follow the mouse while it drags over the preview, not only once it
    // is released; a move without the button held changes nothing.
    void cropFieldsFollowTheDrag() {
        Prepare(Gradient(400, 300));
        auto d = Open(0);
        QWidget* preview = d->Form->previewImage;
        const auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
            const Qt::MouseButton button =
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, QPointF(at), QPointF(preview->mapToGlobal(at)), button, held,
                              Qt::NoModifier);
            QApplication::sendEvent(preview, &event);
        };
        const auto fields = [&] {
            return QList<int>(
                {d->Form->cropStartXEdit->text().toInt(), d->Form->cropStartYEdit->text().toInt(),
                 d->Form->cropEndXEdit->text().toInt(), d->Form->cropEndYEdit->text().toInt()});
        };
        // The 400 x 300 picture previews as 221 x 166 at (16, 0).
        const auto corners = [](QPoint a, QPoint b) {
            return QList<int>({(a.x() - 16) * 400 / 221, a.y() * 300 / 166,
                               (b.x() - 16) * 400 / 221, b.y() * 300 / 166});
        };
        const QList<int> whole = fields();
        QCOMPARE(whole, QList<int>({0, 0, 400, 300}));
        send(QEvent::MouseButtonPress, {40, 20}, Qt::LeftButton);
        for (const QPoint at : {QPoint(90, 60), QPoint(150, 120), QPoint(30, 10)}) {
            send(QEvent::MouseMove, at, Qt::LeftButton);
            QCOMPARE(fields(), corners({40, 20}, at));
            const ui::EffectsCrop crop = d->Crop();
            QCOMPARE(fields(), QList<int>({crop.X0, crop.Y0, crop.X1, crop.Y1}));
        }
        send(QEvent::MouseButtonRelease, {120, 100}, Qt::NoButton);
        QCOMPARE(fields(), corners({40, 20}, {120, 100}));
        send(QEvent::MouseMove, {60, 60}, Qt::NoButton);
        QCOMPARE(fields(), corners({40, 20}, {120, 100}));
        d->reject();
    }

    void aClickWithoutDragIsRefusedAndKeepsThePicture() {
        Prepare(Gradient(400, 300));
        auto d = Open(0);
        QString message;
        d->ShowError = [&message](const QString& m) { message = m; };
        d->dragCrop({60, 60}, {60, 60});
        d->Form->cropSaveButton->click();
        QVERIFY(!message.isEmpty());
        QVERIFY(SameBitmap(Work(), Gradient(400, 300)));
        d->reject();
    }

    // Every field the dialog takes comes back into the record unchanged when nothing is edited,
    // and the pending light and colour come back neutral whichever way it closes.
    void theRecordComesBackWithItsOwnFields() {
        Prepare(Gradient(40, 30));
        slide.StillMs = 7000;
        slide.Caption.Text = "Abc";
        slide.Caption.Font = "Serif";
        slide.Caption.Size = 31;
        slide.Caption.Color = 0x112233;
        slide.Caption.Style = 5;
        slide.Caption.HAlign = 3;
        slide.Caption.VAlign = 2;
        slide.BackColor = 0x445566;
        slide.Picture.TurnCount = 2;
        slide.Picture.Brightness = 0;
        slide.Picture.Contrast = 0;
        slide.Picture.Gamma10 = 10.0;
        slide.Picture.ColorEffect = 0;
        const project::Slide before = slide;
        auto d = Open(5);
        d->Form->durationCancelButton->click();
        // Nothing edited, nothing comes back to store.
        QVERIFY(ui::EditsOf(before, *live, *d).empty());

        slide.Picture.Brightness = 40;
        slide.Picture.ColorEffect = 2;
        auto pending = Open(5);
        pending->Form->durationCancelButton->click();
        QCOMPARE(pending->Adjustments().Brightness, 0);
        QCOMPARE(pending->Adjustments().ColorEffect, 0);
        QCOMPARE(pending->Adjustments().Gamma10, 10.0);
    }

    void turnsUndoneByCancel() {
        Prepare(Gradient(40, 30));
        auto d = Open(2);
        d->Form->turnRightButton->click();
        d->Form->turnRightButton->click();
        QCOMPARE(Work().Width, 40);
        QVERIFY(!SameBitmap(Work(), Gradient(40, 30)));
        QVERIFY(live->HasBackup(ui::EffectsBackup::Turn));
        d->Form->turnCancelButton->click();
        QVERIFY(SameBitmap(Work(), Gradient(40, 30)));
        QVERIFY(SameBitmap(d->Thumbnail(), thumb));
        QCOMPARE(d->Adjustments().TurnCount, 0);
        QVERIFY(NoBackups());
    }

    void turnsKeptBySaveAndByYes() {
        Prepare(Gradient(40, 30));
        auto d = Open(2);
        d->Form->turnRightButton->click();
        d->Form->turnSaveButton->click();
        QCOMPARE(Work().Width, 30);
        QCOMPARE(d->Adjustments().TurnCount, 1);
        QCOMPARE(d->Thumbnail().Width, 90);
        QVERIFY(NoBackups());

        Prepare(Gradient(40, 30));
        d = Open(2);
        d->Form->mirrorButton->click();
        answer = false;
        d->Tabs->setCurrentIndex(5);
        QCOMPARE(questions, 1);
        QVERIFY(SameBitmap(Work(), Gradient(40, 30)));
        d->Tabs->setCurrentIndex(2);
        d->Form->mirrorButton->click();
        answer = true;
        d->Tabs->setCurrentIndex(5);
        d->reject();
        QCOMPARE(At(Work(), 0, 0), At(Gradient(40, 30), 39, 0));
        QCOMPARE(d->Adjustments().TurnCount, 1);
    }

    void acceptedLightSurvivesALaterCancelOnTheTurnPage() {
        Prepare(Gradient(40, 30));
        auto d = Open(2);
        answer = true;
        d->Form->turnRightButton->click();
        d->Tabs->setCurrentIndex(3);
        d->Form->brightnessSlider->setValue(50);
        d->Tabs->setCurrentIndex(2);
        QCOMPARE(questions, 2);
        d->Form->turnCancelButton->click();
        imaging::Bitmap expected = Gradient(40, 30);
        project::TurnPicture(expected, project::TurnKind::Right, 0);
        project::LightPicture(expected, {50, 0, 10.0});
        QVERIFY(SameBitmap(Work(), expected));
        QVERIFY(NoBackups());
    }

    void lightAppliedByYesIsNotAppliedAgainBySave() {
        Prepare(Gradient(40, 30));
        auto d = Open(3);
        d->Form->brightnessSlider->setValue(40);
        answer = true;
        d->Tabs->setCurrentIndex(4);
        QCOMPARE(d->Form->brightnessSlider->value(), 0);
        d->Tabs->setCurrentIndex(3);
        d->Form->lightSaveButton->click();
        imaging::Bitmap expected = Gradient(40, 30);
        project::LightPicture(expected, {40, 0, 10.0});
        QVERIFY(SameBitmap(Work(), expected));
        // The thumbnail took the same light.
        imaging::Bitmap thumbExpected = thumb;
        project::LightPicture(thumbExpected, {40, 0, 10.0});
        QVERIFY(SameBitmap(d->Thumbnail(), thumbExpected));
        QCOMPARE(d->Adjustments().Brightness, 0);
    }

    void colourNoRestoresTheFieldsAndNegativeIsSavedOnce() {
        Prepare(Gradient(40, 30));
        auto d = Open(4);
        d->Form->negativeRadio->click();
        QCOMPARE(d->Adjustments().ColorEffect, 3);
        answer = false;
        d->Tabs->setCurrentIndex(0);
        QCOMPARE(d->Adjustments().ColorEffect, 0);
        d->Tabs->setCurrentIndex(4);
        d->Form->negativeRadio->click();
        d->Form->colourSaveButton->click();
        QCOMPARE(At(Work(), 3, 4), (Px{255 - At(Gradient(40, 30), 3, 4).b,
                                       255 - At(Gradient(40, 30), 3, 4).g, 255 - 90}));
    }

    void originalSizeRestoresTheWholePictureAndLeavingAsksNothing() {
        Prepare(Gradient(300, 200));
        auto d = Open(0);
        d->Form->cropStartXEdit->setText("10");
        d->Form->cropStartYEdit->setText("20");
        d->Form->cropEndXEdit->setText("110");
        d->Form->cropEndYEdit->setText("x"); // not a number: the value stays
        QCOMPARE(d->Crop().X0, 10);
        QCOMPARE(d->Crop().Y1, 200);
        d->Form->originalSizeButton->click();
        QCOMPARE(d->Crop().X0, 0);
        QCOMPARE(d->Crop().Y0, 0);
        QCOMPARE(d->Crop().X1, 300);
        QCOMPARE(d->Form->cropEndXEdit->text(), QString("300"));
        d->Tabs->setCurrentIndex(1);
        QCOMPARE(questions, 0);
        d->reject();
        QVERIFY(SameBitmap(Work(), Gradient(300, 200)));
    }

    void yesOnTheColourPageAppliesTheEffectToPhotoAndThumbnail() {
        Prepare(Gradient(40, 30));
        auto d = Open(4);
        d->Form->negativeRadio->click();
        answer = true;
        d->Tabs->setCurrentIndex(5);
        QCOMPARE(questions, 1);
        const Px before = At(Gradient(40, 30), 7, 9);
        const Px negative{255 - before.b, 255 - before.g, 255 - before.r};
        QCOMPARE(At(Work(), 7, 9), negative);
        const Px thumbBefore = At(Gradient(90, 90), 50, 60);
        QCOMPARE(At(d->Thumbnail(), 50, 60),
                 (Px{255 - thumbBefore.b, 255 - thumbBefore.g, 255 - thumbBefore.r}));
        // Going back and leaving again asks nothing: the effect is the new opening value.
        d->Tabs->setCurrentIndex(4);
        d->Tabs->setCurrentIndex(0);
        QCOMPARE(questions, 1);
        d->reject();
        QCOMPARE(At(Work(), 7, 9), negative);
    }

    void theSwatchShowsTheColourReallyUsed() {
        Prepare(Gradient(200, 100));
        auto d = Open(4);
        const QString style = d->Form->backColourSwatch->styleSheet();
        const auto used = imaging::ResolveColor(project::kButtonFaceColor);
        const QColor grey(static_cast<int>(used & 0xFF), static_cast<int>((used >> 8) & 0xFF),
                          static_cast<int>((used >> 16) & 0xFF));
        QVERIFY2(style.contains(grey.name()), qPrintable(style));
        QCOMPARE(d->PreviewPicture().pixelColor(0, 0), grey);
        d->reject();
    }

    // At its smallest every tab shows whole; made larger, the preview takes the growth and its
    // picture is fitted again, while the pages keep their size.
    void theDialogGrowsWithItsPreview() {
        Prepare(Gradient(2000, 1500));
        auto d = Open(0);
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        d->resize(d->minimumSize());
        QApplication::processEvents();
        for (int i = 0; i < d->Tabs->count(); ++i)
            QVERIFY(d->Tabs->rect().contains(d->Tabs->tabRect(i)));
        const QSize page = d->Form->pages->size();
        const QSize small = d->PreviewBox();
        d->resize(d->minimumSize() + QSize(300, 200));
        QApplication::processEvents();
        QCOMPARE(d->Form->pages->size(), page);
        QVERIFY(d->PreviewBox().width() >= small.width() + 250);
        QVERIFY(d->PreviewBox().height() >= small.height() + 150);
        QCOMPARE(d->PreviewPicture().size(), d->PreviewBox());
        // A drag across the whole of the larger preview's picture crops nothing away.
        const QSize box = d->PreviewBox();
        const double scale = std::min(box.width() / 2000.0, box.height() / 1500.0);
        const int w = static_cast<int>(2000 * scale), h = static_cast<int>(1500 * scale);
        const QPoint corner((box.width() - w) / 2, (box.height() - h) / 2);
        d->dragCrop(corner, corner + QPoint(w, h));
        QVERIFY2(std::abs(d->Crop().X1 - d->Crop().X0 - 2000) <= 10,
                 qPrintable(d->Form->cropEndXEdit->text()));
        QVERIFY(std::abs(d->Crop().Y1 - d->Crop().Y0 - 1500) <= 10);
        d->reject();
    }

    void backgroundColourFromItsDialogFillsThePreviewBox() {
        Prepare(Gradient(200, 100));
        auto d = Open(4);
        d->PickColor = [](const QColor&) { return QColor(0x10, 0x20, 0x30); };
        d->Form->backColourButton->click();
        QCOMPARE(d->BackColor(), 0x302010);
        QCOMPARE(d->PreviewPicture().pixelColor(0, 0), QColor(0x10, 0x20, 0x30));
        d->PickColor = [](const QColor&) { return QColor(); }; // cancelled
        d->Form->backColourButton->click();
        QCOMPARE(d->BackColor(), 0x302010);
        d->Form->colourSaveButton->click();
        QCOMPARE(d->BackColor(), 0x302010);
    }

    void smallPhotoPreviewedUnscaledAndCentredOnTheBackground() {
        Prepare(Gradient(200, 100));
        slide.BackColor = 0x00204080; // R 0x80, G 0x40, B 0x20
        auto d = Open(5);
        const QImage box = d->PreviewPicture();
        QCOMPARE(box.size(), QSize(254, 166));
        QCOMPARE(box.pixelColor(0, 0), QColor(0x80, 0x40, 0x20));
        QCOMPARE(box.pixelColor(26, 32), QColor(0x80, 0x40, 0x20));
        const imaging::Bitmap g = Gradient(200, 100);
        // (254 - 200) / 2 = 27, (166 - 100) / 2 = 33: the photo's own pixels, one to one.
        for (QPoint p : {QPoint(0, 0), QPoint(199, 99), QPoint(123, 45)}) {
            const QColor c = box.pixelColor(27 + p.x(), 33 + p.y());
            const Px want = At(g, p.x(), p.y());
            QCOMPARE((Px{c.blue(), c.green(), c.red()}), want);
        }
        QCOMPARE(box.pixelColor(27 + 200, 33 + 100), QColor(0x80, 0x40, 0x20));
        // Duration for all.
        d->Form->secondsSpin->setValue(25);
        d->Form->secondsForAllCheck->setChecked(true);
        d->Form->durationSaveButton->click();
        QCOMPARE(d->StillMs(), 25000);
        QVERIFY(d->SecondsForAll());
    }

    // A still given to the millisecond (a cut on the beat) is shown in tenths; Save without a new
    // value hands it back exactly, a new value is taken as shown.
    void anUntouchedDurationKeepsItsMilliseconds() {
        Prepare(Gradient(400, 300));
        slide.StillMs = 63433;
        for (const double chosen : {0.0, 63.4, 7.5}) {
            auto d = Open(5);
            QCOMPARE(d->Form->secondsSpin->value(), 63.4);
            if (chosen > 0)
                d->Form->secondsSpin->setValue(chosen);
            d->Form->durationSaveButton->click();
            QCOMPARE(d->StillMs(), chosen == 7.5 ? std::int64_t{7500} : std::int64_t{63433});
        }
    }

    // The motion page edits the slide's motion on its picture and hands it back on Save; the
    // working file stays as it was.
    void motionPageHandsBackTheDraggedMotionOnSave() {
        Prepare(Gradient(400, 300));
        auto d = Open(EffectsDialog::kMotionPage);
        d->SetSlideIndex(2);
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        QCOMPARE(d->Tabs->count(), 7);
        QCOMPARE(d->Tabs->tabText(EffectsDialog::kMotionPage), QString("Движение"));
        QCOMPARE(d->Form->pages->currentIndex(), EffectsDialog::kMotionPage);
        ui::MotionEditor* editor = d->Motion();
        QCOMPARE(editor->ChoiceBox()->currentIndex(), int(ui::MotionEditor::kNone));
        QCOMPARE(d->EditedMotion(), imaging::Motion{});

        // Linear motion, then a frame's corner dragged.
        editor->ChoiceBox()->setCurrentIndex(ui::MotionEditor::kLinear);
        Q_EMIT editor->ChoiceBox()->activated(ui::MotionEditor::kLinear);
        ui::MotionPreviewBox* box = editor->Preview();
        const imaging::Motion chosen = editor->EditedMotion();
        const QPoint from = box->FrameRect(chosen.End).topLeft().toPoint();
        // The frames are edited on the dialog's large preview, in place of its picture.
        QCOMPARE(box->parentWidget(), d->Form->previewFrame);
        QVERIFY(box->isVisible() && !d->Form->previewImage->isVisible());
        // The dialog grew for it (as far as the small test screen lets it).
        QVERIFY(box->width() > EffectsDialog::kPreviewWidth + 100);
        QVERIFY(box->height() > EffectsDialog::kPreviewHeight + 100);
        // New frames lie on the picture; a corner pulled inwards zooms in.
        QVERIFY(!box->ShowsBackground(chosen.End));
        QTest::mousePress(box, Qt::LeftButton, {}, from);
        QTest::mouseMove(box, from + QPoint(40, 30));
        QTest::mouseRelease(box, Qt::LeftButton, {}, from + QPoint(40, 30));
        const imaging::Motion edited = editor->EditedMotion();
        QCOMPARE(edited.Mode, imaging::MotionMode::Manual);
        QVERIFY(edited != chosen);
        QCOMPARE(d->EditedMotion(), imaging::Motion{}); // not yet saved
        d->Form->motionSaveButton->click();
        QCOMPARE(d->result(), int(QDialog::Accepted));
        QCOMPARE(d->EditedMotion(), edited);
        QCOMPARE(questions, 0);
        // On another page the dialog's preview shows the picture.
        auto crop = Open(0);
        crop->show();
        QVERIFY(QTest::qWaitForWindowExposed(crop.get()));
        QVERIFY(!crop->Motion()->Preview()->isVisible() && crop->Form->previewImage->isVisible());
        QVERIFY(SameBitmap(Work(), Gradient(400, 300)));
    }

    // Leaving the page asks like every page: No puts the slide's motion back, Yes keeps the edit
    // even when the dialog is then cancelled; Cancel on the page itself keeps the slide's own.
    void motionPageAnswersTheQuestionAndCancelKeepsTheSlidesMotion() {
        Prepare(Gradient(400, 300));
        slide.Ext.Motion.Mode = imaging::MotionMode::Auto;
        auto d = Open(EffectsDialog::kMotionPage);
        ui::MotionEditor* editor = d->Motion();
        QCOMPARE(editor->ChoiceBox()->currentIndex(), int(ui::MotionEditor::kAutomatic));
        const auto choose = [editor](int choice) {
            editor->ChoiceBox()->setCurrentIndex(choice);
            Q_EMIT editor->ChoiceBox()->activated(choice);
        };
        choose(ui::MotionEditor::kNone);
        answer = false;
        d->Tabs->setCurrentIndex(5);
        QCOMPARE(questions, 1);
        QCOMPARE(editor->EditedMotion(), slide.Ext.Motion);
        d->Tabs->setCurrentIndex(EffectsDialog::kMotionPage); // nothing changed: no question
        QCOMPARE(questions, 1);
        choose(ui::MotionEditor::kEase);
        const imaging::Motion eased = editor->EditedMotion();
        QCOMPARE(eased.Easing, imaging::MotionEasing::Ease);
        answer = true;
        d->Tabs->setCurrentIndex(4);
        QCOMPARE(questions, 2);
        d->Form->colourCancelButton->click();
        QCOMPARE(d->EditedMotion(), eased);

        auto cancelled = Open(EffectsDialog::kMotionPage);
        cancelled->Motion()->ChoiceBox()->setCurrentIndex(ui::MotionEditor::kNone);
        Q_EMIT cancelled->Motion()->ChoiceBox()->activated(ui::MotionEditor::kNone);
        cancelled->Form->motionCancelButton->click();
        QCOMPARE(cancelled->EditedMotion(), slide.Ext.Motion);
    }

    // The motion page under Xvfb for a look; kept only when REELPANE_SHOTS names a folder.
    void motionPageShot() {
        const QByteArray folder = qgetenv("REELPANE_SHOTS");
        if (folder.isEmpty())
            QSKIP("REELPANE_SHOTS not set");
        Prepare(Gradient(400, 300));
        slide.Ext.Motion.Mode = imaging::MotionMode::Manual;
        slide.Ext.Motion.Start = {0.5, 0.5, 1.0};
        slide.Ext.Motion.End = {0.3, 0.4, 1.6};
        slide.Ext.Motion.Easing = imaging::MotionEasing::Ease;
        auto d = Open(EffectsDialog::kMotionPage);
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d.get()));
        QVERIFY(d->grab().save(QString::fromLocal8Bit(folder) + "/effects-motion-page.png"));
        d->reject();
    }
};

QTEST_MAIN(EffectsDialogTest)
#include "effects_dialog_test.moc"
