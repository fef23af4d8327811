// The effects dialog's caption page offscreen on a real working file: a caption applied, replaced,
// moving, in any script, taken off by the close box or by No, and its font and colour dialogs.

#include "EffectsDialogFixture.h"
#include "ui_EffectsDialog.h"

class EffectsCaptionTest : public EffectsDialogFixture {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir.isValid()); }
    void cleanup() {
        live = nullptr;
        pictures.clear();
    }

    void captionAppliedThenCloseBoxRemovesIt() {
        Prepare(Gradient(300, 200));
        auto d = Open(1);
        d->Form->captionEdit->setText(QStringLiteral("Привет"));
        d->Form->applyTextButton->click();
        QVERIFY(!SameBitmap(Work(), Gradient(300, 200)));
        QVERIFY(live->HasBackup(ui::EffectsBackup::Caption));
        d->show();
        QVERIFY(d->close()); // the window's close box
        QVERIFY(SameBitmap(Work(), Gradient(300, 200)));
        QVERIFY(NoBackups());

        // Saved, the text stays; the copy is dropped anyway.
        Prepare(Gradient(300, 200));
        d = Open(1);
        d->Form->captionEdit->setText(QStringLiteral("Привет"));
        d->Form->applyTextButton->click();
        d->Form->captionSaveButton->click();
        QVERIFY(!SameBitmap(Work(), Gradient(300, 200)));
        QVERIFY(NoBackups());
        QCOMPARE(QString::fromStdString(d->Caption().Text), QStringLiteral("Привет"));
    }

    // A moving caption is not drawn into the photo: applied, the picture stays as it was, the
    // caption keeps its motion, and the preview plays it over the photo.
    void aMovingCaptionLeavesThePhotoAndPlaysInThePreview() {
        Prepare(Gradient(300, 200));
        auto d = Open(1);
        d->show();
        d->Form->captionEdit->setText(QStringLiteral("Moving"));
        d->Form->captionMotionBox->setCurrentIndex(2); // rise
        d->Form->applyTextButton->click();
        QVERIFY(SameBitmap(Work(), Gradient(300, 200)));
        QTest::qWait(120);
        const QImage early = d->PreviewPicture();
        QTest::qWait(700);
        const QImage later = d->PreviewPicture();
        QVERIFY(early != later);
        d->Form->captionSaveButton->click();
        QCOMPARE(d->Caption().Motion, imaging::TextMotion::Rise);
        QVERIFY(SameBitmap(Work(), Gradient(300, 200)));
    }

    // A caption in any script from the window to the video: typed in the dialog and applied, it
    // is stored as typed; the saved file's record holds the code-page text an older reader shows;
    // the reopened show holds the exact text; and the renderer's frame is the picture with that
    // very text drawn on it, which differs from the frame without it.
    void aCaptionInAnyScriptSurvivesSaveReopenAndExport() {
        const QString text = QStringLiteral("Café Zürich Привет 東京 Ελλάδα");
        QVERIFY(QDir().mkpath(dir.filePath("session")) && QDir().mkpath(dir.filePath("reopened")));
        project::ShowSession session;
        QVERIFY(session.Open(dir.filePath("session").toStdString()));
        const project::ShowModel& show = session.Show();
        project::PhotoSettings photos;
        photos.Resolution = "400x300";
        const std::string photo = dir.filePath("photo.bmp").toStdString();
        QVERIFY(imaging::SaveBmpFile(photo, Gradient(400, 300)));
        project::ShowContent made;
        QVERIFY(project::Added(project::AddPhoto(made, session.Files(), photos, photo)));
        session.Replace(std::move(made), photos);
        const std::string bare = dir.filePath("bare.bmp").toStdString();
        QVERIFY(QFile::copy(QString::fromStdString(show.Slides()[0].WorkFile),
                            QString::fromStdString(bare)));

        slide = show.Slides()[0];
        auto d = Open(1);
        d->Form->captionEdit->setText(text);
        d->Form->applyTextButton->click();
        d->Form->captionSaveButton->click();
        auto change = session.History().BeginChange(0);
        QVERIFY(change);
        for (const project::SlideEdit& e : ui::EditsOf(show.Slides()[0], *live, *d))
            QVERIFY(project::ApplySlideEdit(change->Draft, 0, e, photos, nullptr,
                                            &session.History().Captions()));
        QVERIFY(outcomes::OutcomeOf(session.History().Commit(std::move(*change), "caption")) ==
                project::ShowHistory::CommitOutcome::Committed);
        live = nullptr;
        QCOMPARE(QString::fromStdString(show.Slides()[0].Caption.Text), text);

        const std::string file = dir.filePath("any script.qvs").toStdString();
        base::NoProgress quiet;
        QCOMPARE(outcomes::OutcomeOf(project::SaveProject(show, file, quiet)),
                 project::SaveOutcome::Saved);
        QFile saved(QString::fromStdString(file));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QCOMPARE(bytes.mid(16 + 2063 + 1, static_cast<std::uint8_t>(bytes.at(16 + 2063))),
                 QByteArray("Caf? Z?rich \xcf\xf0\xe8\xe2\xe5\xf2 ?? ??????"));

        project::ShowSession reopened;
        QVERIFY(reopened.Open(dir.filePath("reopened").toStdString()));
        project::OpenImport importer;
        importer.AddPhoto = [&photos](project::ShowContent& into, const project::WorkFiles& files,
                                      const project::PhotoSettings&,
                                      const std::string& p) -> project::ImportStatus {
            return project::StatusOf(project::AddPhoto(into, files, photos, p));
        };
        QCOMPARE(outcomes::OutcomeOf(project::OpenProjectOver(reopened, file, quiet, importer)),
                 project::LoadOutcome::Loaded);
        const project::ShowModel& again = reopened.Show();
        QCOMPARE(again.Slides().size(), std::size_t(1));
        const imaging::CaptionSettings caption = again.Slides()[0].Caption;
        QCOMPARE(QString::fromStdString(caption.Text), text);

        // The frame expected: the bare picture with the QString drawn in the caption's look.
        auto loaded = imaging::LoadBmpFile(bare);
        QVERIFY(loaded);
        imaging::Bitmap expected = std::move(*loaded);
        imaging::CaptionLook look = project::LookOf(caption);
        look.Text = text;
        imaging::DrawCaption(expected, look);
        const std::string expectedFile = dir.filePath("expected.bmp").toStdString();
        QVERIFY(imaging::SaveBmpFile(expectedFile, expected));
        const auto frameOf = [&](const std::string& work) {
            std::vector<project::Slide> one{again.Slides()[0]};
            one[0].WorkFile = work;
            render::RenderOptions options;
            options.ScratchPath = dir.filePath("scratch.bmp").toStdString();
            render::FrameRenderer renderer(one, options);
            imaging::Bitmap frame = imaging::Bitmap::CreateSized(400, 300);
            renderer.Render(frame, 0);
            return frame.CopyToImage();
        };
        const QImage exported = frameOf(again.Slides()[0].WorkFile);
        QCOMPARE(exported, frameOf(expectedFile));
        QVERIFY(exported != frameOf(bare));
    }

    // A caption applied again, in the same visit or a later one, replaces the earlier one: the
    // picture is the one a single caption gives. "Remove text" later takes it off entirely.
    void aCaptionAppliedAgainReplacesTheEarlierOne() {
        const auto caption = [this](const QString& text) {
            auto d = Open(1);
            d->Form->captionEdit->setText(text);
            d->Form->applyTextButton->click();
            d->Form->captionSaveButton->click();
            Store(*d);
        };
        Prepare(Gradient(300, 200));
        caption(QStringLiteral("Bbbb"));
        const imaging::Bitmap once = Work();
        QVERIFY(!SameBitmap(once, Gradient(300, 200)));

        Prepare(Gradient(300, 200));
        caption(QStringLiteral("Wide first caption"));
        caption(QStringLiteral("Bbbb"));
        QVERIFY(SameBitmap(Work(), once));
        {
            auto d = Open(1);
            d->Form->captionEdit->setText(QStringLiteral("Again"));
            d->Form->applyTextButton->click();
            d->Form->captionEdit->setText(QStringLiteral("Bbbb"));
            d->Form->applyTextButton->click();
            QVERIFY(SameBitmap(Work(), once));
            d->Form->undoTextButton->click();
            QVERIFY(SameBitmap(Work(), Gradient(300, 200)));
            d->reject();
        }
        // After another change to the picture the copy no longer stands for it: the next caption
        // is drawn on the picture as it now is.
        imaging::Bitmap plain = imaging::Bitmap::CreateSized(300, 200);
        plain.Fill(10, 120, 30);
        Prepare(plain);
        caption(QStringLiteral("Bbbb"));
        const imaging::Bitmap onPlain = Work();
        Prepare(Gradient(300, 200));
        caption(QStringLiteral("Bbbb"));
        QVERIFY(imaging::SaveBmpFile(work, plain));
        caption(QStringLiteral("Bbbb"));
        QVERIFY(SameBitmap(Work(), onPlain));
    }

    // The first caption stands at least 1/20 of the picture high, white; a chosen font's size
    // is the user's.
    void theDefaultCaptionIsReadable() {
        Prepare(Gradient(1000, 800));
        auto d = Open(1);
        d->Form->captionEdit->setText(QStringLiteral("Sea"));
        d->Form->applyTextButton->click();
        QCOMPARE(d->Caption().Size, 30); // 40 pixels of 800
        QCOMPARE(d->Caption().Color, 0xFFFFFF);
        d->reject();

        Prepare(Gradient(300, 200));
        d = Open(1);
        d->Form->captionEdit->setText(QStringLiteral("Sea"));
        d->Form->applyTextButton->click();
        QCOMPARE(d->Caption().Size, 24); // already larger than 10 pixels
        d->reject();

        Prepare(Gradient(1000, 800));
        d = Open(1);
        d->PickFont = [](QFont& font) {
            font.setPointSize(12);
            return true;
        };
        d->PickColor = [](const QColor&) { return QColor(); };
        d->Form->fontButton->click();
        d->Form->captionEdit->setText(QStringLiteral("Sea"));
        d->Form->applyTextButton->click();
        QCOMPARE(d->Caption().Size, 12);
        d->reject();
    }

    void captionNoUndoesTheText() {
        Prepare(Gradient(300, 200));
        auto d = Open(1);
        d->Form->captionEdit->setText(QStringLiteral("abc"));
        d->Form->applyTextButton->click();
        answer = false;
        d->Tabs->setCurrentIndex(2);
        QCOMPARE(questions, 1);
        QVERIFY(SameBitmap(Work(), Gradient(300, 200)));
        QCOMPARE(d->Form->captionEdit->text(), QString());
        QCOMPARE(d->Caption().Text.size(), std::size_t(0));
        d->reject();
    }

    void yesOnTheTextPageKeepsTheAppliedTextAndResetsTheFields() {
        Prepare(Gradient(300, 200));
        auto d = Open(1);
        d->Form->captionEdit->setText(QStringLiteral("abc"));
        d->Form->applyTextButton->click();
        answer = true;
        d->Tabs->setCurrentIndex(2);
        QCOMPARE(questions, 1);
        QCOMPARE(d->Caption().Text.size(), std::size_t(0));
        d->reject(); // Cancel on another page: the text drawn on the picture stays
        QVERIFY(!SameBitmap(Work(), Gradient(300, 200)));
        QVERIFY(NoBackups());
    }

    void fontAndColourDialogsSetTheCaptionAndCancelKeepsIt() {
        Prepare(Gradient(300, 200));
        auto d = Open(1);
        int colourAsks = 0;
        d->PickFont = [](QFont& font) {
            font = QFont("Liberation Serif");
            font.setPointSize(30);
            font.setBold(true);
            font.setItalic(true);
            return true;
        };
        d->PickColor = [&colourAsks](const QColor&) {
            ++colourAsks;
            return QColor(1, 2, 3);
        };
        d->Form->fontButton->click();
        QCOMPARE(colourAsks, 1);
        QCOMPARE(QString::fromStdString(d->Caption().Font), QString("Liberation Serif"));
        QCOMPARE(d->Caption().Size, 30);
        QCOMPARE(static_cast<int>(d->Caption().Style), 3);
        QCOMPARE(d->Caption().Color, 0x030201);

        // Cancelling the font dialog changes nothing and does not ask for a colour.
        d->PickFont = [](QFont& font) {
            font = QFont("Liberation Mono");
            return false;
        };
        d->Form->fontButton->click();
        QCOMPARE(colourAsks, 1);
        QCOMPARE(d->Caption().Size, 30);
        d->reject();
    }

    // The swatch of a new photo's background (the system's button face) shows the grey the
    // preview and the video use, not the stored number read as a colour.
};

QTEST_MAIN(EffectsCaptionTest)
#include "effects_caption_test.moc"
