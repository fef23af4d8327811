// The effects dialog offscreen on a real working file: the page-change question, crop drags,
// turns undone by Cancel, caption text removed by the close box, the preview box, light applied
// once, no file written while it is open, and its edits stored as the window stores them.
#include "Outcomes.h"
#include "app/SlidePicture.h"
#include "imaging/BmpFile.h"
#include "imaging/Colors.h"
#include "imaging/ui/EffectsDialog.h"
#include "imaging/ui/MotionEditor.h"
#include "imaging/ui/MotionPreviewBox.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ProjectOpen.h"
#include "project/ShowSession.h"
#include "project/Slide.h"
#include "project/SlideEdits.h"
#include "render/FrameRenderer.h"
#include "ui_EffectsDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using ui::EffectsDialog;

namespace {

struct Px {
    int b, g, r;
    bool operator==(const Px&) const = default;
};

Px At(const imaging::Bitmap& bmp, int x, int y) {
    const std::uint8_t* p = bmp.Row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

imaging::Bitmap Gradient(int w, int h) {
    imaging::Bitmap b = imaging::Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x * 255 / w);
            p[1] = static_cast<std::uint8_t>(y * 255 / h);
            p[2] = 90;
        }
    return b;
}

bool SameBitmap(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return false;
    for (int y = 0; y < a.Height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.Width) * 3) != 0)
            return false;
    return true;
}

} // namespace

class EffectsDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::string work;
    project::Slide slide;
    imaging::Bitmap thumb;
    int questions = 0;
    bool answer = true;

    void Prepare(const imaging::Bitmap& picture) {
        work = dir.filePath(QString("w%1.bmp").arg(++files)).toStdString();
        QVERIFY(imaging::SaveBmpFile(work, picture));
        slide = project::Slide::MakeDefault();
        slide.WorkFile = work;
        thumb = Gradient(90, 90);
        questions = 0;
        // The pictures without a caption, kept as the window's history keeps them.
        QVERIFY(QDir().mkpath(dir.filePath("kept")));
        captions.SetFolder(dir.filePath("kept").toStdString() + "/");
    }
    // The working pictures of the dialogs opened by the running test; each outlives its dialog.
    project::CaptionBases captions;
    std::vector<std::unique_ptr<ui::SlidePicture>> pictures;
    std::unique_ptr<EffectsDialog> Open(int page) {
        auto& picture = pictures.emplace_back(
            std::make_unique<ui::SlidePicture>(slide, project::PhotoSettings{"400x300"}, captions));
        live = picture.get();
        auto d = ui::OpenEffects(slide, *picture, "400x300", thumb, page);
        d->Ask = [this](const QString&, const QString&) {
            ++questions;
            return answer;
        };
        d->ShowError = [](const QString& m) { QFAIL(qPrintable("unexpected message: " + m)); };
        return d;
    }
    // The dialog open last, until its edits are stored.
    ui::SlidePicture* live = nullptr;
    // What the window does when the dialog closes: its edits stored on the slide and its file,
    // each through the core's one slide edit.
    void Store(const EffectsDialog& d) {
        QVERIFY(live != nullptr);
        for (const project::SlideEdit& e : ui::EditsOf(slide, *live, d))
            QVERIFY(project::EditSlide(slide, e, project::PhotoSettings{"400x300"}, nullptr,
                                       &captions));
        live = nullptr;
    }
    // The working picture: as the open dialog makes it, or as stored.
    imaging::Bitmap Work() const {
        if (live != nullptr)
            return live->Picture();
        auto b = imaging::LoadBmpFile(work);
        return b ? std::move(*b) : imaging::Bitmap();
    }
    // No file beside the working one: the dialog writes none of the show's files.
    bool NoBackups() const {
        const QFileInfo info(QString::fromStdString(work));
        return info.dir().entryList(QDir::Files).filter(info.fileName()) ==
               QStringList{info.fileName()};
    }
    int files = 0;

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
