// The window's edits equal the console tool's: for each page of the effects dialog, driven as a
// user drives it in the real window, the saved show holds the slide the console tool's same edit
// makes (its values and its steps, field by field) and `frame` draws both alike. A moving caption
// is seen in the window and edited again like a still one.
#include "MainWindowProbe.h"
#include "Outcomes.h"
#include "WidgetLookup.h"
#include "WindowTestFolder.h"
#include "WindowWaits.h"
#include "base/Job.h"
#include "base/ProgramFolder.h"
#include "imaging/ui/EffectsDialog.h"
#include "imaging/ui/MotionEditor.h"
#include "project/Import.h"
#include "project/ProjectOpen.h"
#include "project/ShowSession.h"
#include "ui_EffectsDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <functional>

using ui::MainWindowProbe;

namespace {

// A dialog page driven as a user drives it (noting the crop it marked), and the console tool's
// options for the same edit, which may name what the window chose (the caption's size).
struct Case {
    const char* Name;
    int Page;
    std::function<void(ui::EffectsDialog&, ui::EffectsCrop& marked)> Drive;
    std::function<QStringList(const ui::EffectsCrop& marked, const project::Slide& window)> Options;
};

int Cli(const QStringList& args, QString* err = nullptr) {
    QProcess p;
    p.start(QStringLiteral(REELPANE_TEST_BINARY_DIR) + "/reelpane-cli", args);
    if (!p.waitForFinished(120000))
        return -1;
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The largest difference of one colour level between two frames of the same size (-1: sizes).
int LargestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int k = 0; k < x.width() * 3; ++k)
            worst = std::max(worst,
                             std::abs(int(x.constScanLine(row)[k]) - int(y.constScanLine(row)[k])));
    return worst;
}

} // namespace

class WindowEditsTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp_;
    QString photo_;
    int shows_ = 0;

    // The slide of a saved show, its working files named nowhere (they differ by session).
    project::Slide SavedSlide(const QString& file) {
        project::ShowSession session;
        [&] { QVERIFY(session.Open()); }();
        base::NoProgress quiet;
        project::OpenImport importer;
        importer.AddPhoto = [](project::ShowContent& into, const project::WorkFiles& files,
                               const project::PhotoSettings& photos,
                               const std::string& p) -> project::ImportStatus {
            return project::StatusOf(project::AddPhoto(into, files, photos, p));
        };
        const auto outcome = outcomes::OutcomeOf(
            project::OpenProjectOver(session, file.toStdString(), quiet, importer));
        [&] { QCOMPARE(outcome, project::LoadOutcome::Loaded); }();
        if (session.Show().Slides().size() != 1)
            return {};
        project::Slide s = session.Show().Slides()[0];
        s.WorkFile.clear();
        if (s.Original())
            s.Original()->File.clear();
        return s;
    }

    QImage Frame(const QString& show) {
        const QString png = show + ".png";
        QString err;
        [&] { QCOMPARE(Cli({"frame", show, png, "--at", "1", "--size", "480x270"}, &err), 0); }();
        return QImage(png);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp_.isValid());
        window_test::UseTestFolder(tmp_);
        // A landscape photo with detail everywhere and a mark in one corner, so that every turn,
        // crop and filter shows.
        QImage image(1200, 800, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y,
                               qRgb((x * 7 + y * 3) % 256, (x / 4 + y / 2) % 256,
                                    ((x / 16 + y / 16) % 2) * 120 + 60));
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 200; ++x)
                image.setPixel(x, y, qRgb(250, 250, 250));
        photo_ = tmp_.filePath("photo.jpg");
        QVERIFY(image.save(photo_, "JPG", 95));
    }

    void eachPageEqualsTheConsoleToolsEdit() {
        const std::vector<Case> cases = {
            {"mouse crop", 0,
             [](ui::EffectsDialog& d, ui::EffectsCrop& marked) {
                 const QSize box = d.PreviewBox();
                 d.dragCrop(QPoint(box.width() / 4, box.height() / 5),
                            QPoint(box.width() * 3 / 4, box.height() * 4 / 5));
                 marked = d.Crop();
                 d.Form->cropSaveButton->click();
             },
             [](const ui::EffectsCrop& c, const project::Slide&) {
                 return QStringList{"--crop",
                                    QString("%1,%2,%3,%4").arg(c.X0).arg(c.Y0).arg(c.X1).arg(c.Y1)};
             }},
            {"rotate right", 2,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.Form->turnRightButton->click();
                 d.Form->turnSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide&) {
                 return QStringList{"--turn", "right"};
             }},
            {"rotate left", 2,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.Form->turnLeftButton->click();
                 d.Form->turnSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide&) {
                 return QStringList{"--turn", "left"};
             }},
            {"mirror", 2,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.Form->mirrorButton->click();
                 d.Form->turnSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide&) {
                 return QStringList{"--turn", "mirror"};
             }},
            {"light", 3,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.Form->brightnessSlider->setValue(30);
                 d.Form->contrastSlider->setValue(-10);
                 d.Form->lightSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide&) {
                 return QStringList{"--brightness", "30", "--contrast", "-10"};
             }},
            {"colour", 4,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.Form->sepiaRadio->click();
                 d.Form->colourSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide&) {
                 return QStringList{"--effect", "sepia"};
             }},
            {"still caption", 1,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.Form->captionEdit->setText(QStringLiteral("Старый порт"));
                 d.Form->applyTextButton->click();
                 d.Form->captionSaveButton->click();
             },
             // The dialog sizes a caption nobody chose a font for to the picture: the same size.
             [](const ui::EffectsCrop&, const project::Slide& window) {
                 return QStringList{"--caption", QStringLiteral("Старый порт"), "--size",
                                    QString::number(window.Caption.Size)};
             }},
            {"moving caption", 1,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.Form->captionEdit->setText(QStringLiteral("Harbour"));
                 d.Form->captionMotionBox->setCurrentIndex(1); // fade
                 d.Form->alignCentreRadio->click();
                 d.Form->alignBottomRadio->click();
                 d.Form->applyTextButton->click();
                 d.Form->captionSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide& window) {
                 return QStringList{"--caption",        "Harbour",
                                    "--size",           QString::number(window.Caption.Size),
                                    "--align",          "center,bottom",
                                    "--caption-motion", "fade"};
             }},
            {"background", 4,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 d.PickColor = [](const QColor&) { return QColor(0x20, 0x40, 0x60); };
                 d.Form->backColourButton->click();
                 d.Form->colourSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide&) {
                 return QStringList{"--background", "204060"};
             }},
            {"motion", ui::EffectsDialog::kMotionPage,
             [](ui::EffectsDialog& d, ui::EffectsCrop&) {
                 // From "none" to "automatic", as a user chooses it with the keyboard.
                 QTest::keyClick(d.Motion()->ChoiceBox(), Qt::Key_Down);
                 d.Form->motionSaveButton->click();
             },
             [](const ui::EffectsCrop&, const project::Slide&) {
                 return QStringList{"--motion", "auto"};
             }},
        };
        for (const Case& c : cases) {
            const QString tag = QString::fromUtf8(c.Name);
            const QString before = tmp_.filePath(QString("before%1.qvs").arg(++shows_));
            const QString viaWindow = tmp_.filePath(QString("window%1.qvs").arg(shows_));
            const QString viaConsole = tmp_.filePath(QString("console%1.qvs").arg(shows_));
            ui::EffectsCrop marked;
            project::Slide made;
            {
                MainWindowProbe form;
                form.show();
                QVERIFY(QTest::qWaitForWindowExposed(&form));
                QVERIFY(form.Import->AddPhoto(photo_));
                QVERIFY(window_waits::WaitForJobs(form));
                QVERIFY(window_waits::SaveAndWait(form, before));
                bool driven = false;
                QTimer::singleShot(0, &form, [&] {
                    auto* dialog =
                        qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
                    QVERIFY(dialog);
                    c.Drive(*dialog, marked);
                    driven = true;
                });
                form.Commands->openEffects(c.Page);
                QVERIFY2(driven, qPrintable(tag));
                made = form.Show.Slides()[0];
                QVERIFY(window_waits::SaveAndWait(form, viaWindow));
            }
            QVERIFY(QFile::copy(before, viaConsole));
            QString err;
            const QStringList options = c.Options(marked, made);
            QVERIFY2(Cli(QStringList{"edit", viaConsole, "--slide", "1"} + options, &err) == 0,
                     qPrintable(tag + ": " + err));

            const project::Slide window = SavedSlide(viaWindow);
            const project::Slide console = SavedSlide(viaConsole);
            QVERIFY2(window.Original() && console.Original(), qPrintable(tag));
            QVERIFY2(window.Original()->Steps == console.Original()->Steps, qPrintable(tag));
            QVERIFY2(window.Caption == console.Caption, qPrintable(tag));
            QVERIFY2(window.Picture == console.Picture, qPrintable(tag));
            QVERIFY2(window.BackColor == console.BackColor, qPrintable(tag));
            QVERIFY2(window.Ext == console.Ext, qPrintable(tag));
            QVERIFY2(window == console, qPrintable(tag));
            const QImage a = Frame(viaWindow);
            const QImage b = Frame(viaConsole);
            const int worst = LargestDifference(a, b);
            QVERIFY2(worst >= 0 && worst <= 1, qPrintable(tag + ": " + QString::number(worst)));
        }
    }

    // A moving caption is edited like a still one: saved, the caption page opens again with its
    // text, position and motion; the window's preview and the thumbnail show it, as the video
    // does once it is in, though the working picture does not hold it.
    void aMovingCaptionIsSeenAndEditedAgain() {
        MainWindowProbe form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.Import->AddPhoto(photo_));
        QVERIFY(window_waits::WaitForJobs(form));
        const auto preview = [&form] {
            return Widget<QLabel>(form, "previewImage")->pixmap().toImage();
        };
        const QImage bareView = preview();
        const QImage bareThumb = form.Storyboard->CleanThumbnail(0).toImage();
        const QByteArray bareFile = [&] {
            QFile f(QString::fromStdString(form.Show.Slides()[0].WorkFile));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        const auto drive = [&](const std::function<void(ui::EffectsDialog&)>& step) {
            QTimer::singleShot(0, &form, [&] {
                auto* dialog = qobject_cast<ui::EffectsDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                step(*dialog);
            });
            form.Commands->openEffects(1);
        };
        drive([](ui::EffectsDialog& d) {
            d.Form->captionEdit->setText(QStringLiteral("Harbour"));
            d.Form->captionMotionBox->setCurrentIndex(2); // rise
            d.Form->alignRightRadio->click();
            d.Form->alignBottomRadio->click();
            d.Form->captionSaveButton->click();
        });
        QCOMPARE(form.Show.Slides()[0].Caption.Motion, imaging::TextMotion::Rise);
        QCOMPARE(form.Show.Slides()[0].Caption.HAlign, 3);
        QVERIFY(preview() != bareView);
        QVERIFY(form.Storyboard->CleanThumbnail(0).toImage() != bareThumb);
        QFile work(QString::fromStdString(form.Show.Slides()[0].WorkFile));
        QVERIFY(work.open(QIODevice::ReadOnly));
        QCOMPARE(work.readAll(), bareFile);

        QString text;
        int motion = -1;
        bool right = false, bottom = false;
        drive([&](ui::EffectsDialog& d) {
            text = d.Form->captionEdit->text();
            motion = d.Form->captionMotionBox->currentIndex();
            right = d.Form->alignRightRadio->isChecked();
            bottom = d.Form->alignBottomRadio->isChecked();
            d.Form->captionEdit->setText(QStringLiteral("Harbour at dusk"));
            d.Form->captionSaveButton->click();
        });
        QCOMPARE(text, QStringLiteral("Harbour"));
        QCOMPARE(motion, 2);
        QVERIFY(right && bottom);
        QCOMPARE(QString::fromStdString(form.Show.Slides()[0].Caption.Text),
                 QStringLiteral("Harbour at dusk"));
        QCOMPARE(form.Show.Slides()[0].Caption.Motion, imaging::TextMotion::Rise);
    }
};

QTEST_MAIN(WindowEditsTest)
#include "window_edits_test.moc"
