// The MP4 size and quality dialog offscreen: what it preselects and hands back for every row,
// and its texts from a language file, built in where the file lacks a key but empty where the
// file holds an empty text.
#include "WidgetLookup.h"
#include "base/Language.h"
#include "media/ui/Mp4ExportDialog.h"
#include "media/video/CodecChoice.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using ui::Mp4ExportDialog;

class Mp4ExportDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() {
        base::AppLanguage().LanguageTable.clear();
        base::AppLanguage().FileKeys.clear();
    }

    void sevenTwentyAndGoodArePreselectedAndEveryRowIsHandedBack() {
        Mp4ExportDialog dialog;
        auto* size = Widget<QComboBox>(dialog, "frameSizeCombo");
        auto* quality = Widget<QComboBox>(dialog, "qualityCombo");
        QCOMPARE(size->count(), 6);
        QCOMPARE(quality->count(), 2);
        QCOMPARE(dialog.Resolution(), media::kResolution720p);
        QCOMPARE(dialog.Quality(), media::kQualityGood);
        QCOMPARE(size->currentText(), QString("1280 x 720 (720p)"));
        const int rows[] = {media::kResolution720p,  media::kResolution1080p,
                            media::kResolution1440p, media::kResolution2160p,
                            media::kResolutionHigh,  media::kResolutionStandard};
        const media::FrameSize sizes[] = {{1280, 720},  {1920, 1080}, {2560, 1440},
                                          {3840, 2160}, {720, 528},   {400, 288}};
        for (int i = 0; i < 6; ++i) {
            size->setCurrentIndex(i);
            QCOMPARE(dialog.Resolution(), rows[i]);
            // The size the export makes of it (an MP4 file has no AVI compressor).
            QCOMPARE(media::ExportFrameSize("", dialog.Resolution(), 768), sizes[i]);
        }
        quality->setCurrentIndex(1);
        QCOMPARE(dialog.Quality(), media::kQualityBest);
        QCOMPARE(media::QualityCrf(dialog.Quality()), 17);
        QCOMPARE(media::QualityCrf(media::kQualityGood), 20);
    }

    // A preset selects its choices; changing one of them leaves the preset; the note appears
    // while the video is larger than the show's photos.
    void presetsSelectTheirChoicesAndTheNoteFollowsTheSize() {
        Mp4ExportDialog dialog;
        QCOMPARE(dialog.PresetBox->count(), 5);
        QCOMPARE(dialog.PresetBox->itemText(2), QString("4K"));
        QVERIFY(dialog.Preset() == nullptr);
        dialog.ApplyPreset(2); // "Phone (upright)"
        QCOMPARE(dialog.Resolution(), media::kResolution1080p);
        QCOMPARE(dialog.Shape(), media::VideoShape::Tall);
        QCOMPARE(dialog.Fps(), 30);
        QCOMPARE(dialog.PresetBox->currentText(), QString("Phone (upright)"));
        dialog.FpsBox->setCurrentIndex(4);
        QCOMPARE(dialog.Fps(), 60);
        QCOMPARE(dialog.PresetBox->currentIndex(), 0);
        dialog.SetPhotoSize(1920, 1080);
        QVERIFY(dialog.SofterNote().contains("1080 x 1920")); // upright: taller than the photos
        dialog.ShapeBox->setCurrentIndex(0);
        QVERIFY(dialog.SofterNote().isEmpty());
        Widget<QComboBox>(dialog, "frameSizeCombo")->setCurrentIndex(3); // 2160p
        QVERIFY(dialog.SofterNote().contains("3840 x 2160"));
        dialog.CodecBox->setCurrentIndex(1);
        QCOMPARE(dialog.Coding(), media::Mp4Coding::H265);
    }

    // Every preset, with the note on show (photos smaller than any preset's video): the dialog
    // grows so that no row is squeezed below its height, and the size reads the real frame.
    void everyPresetShowsEveryRowWholeAndItsRealFrameSize() {
        const QStringList sizes = {"1920 x 1080 (1080p)", "3840 x 2160 (2160p, 4K)",
                                   "1080 x 1920 (1080p)", "1080 x 1080 (1080p)"};
        for (std::size_t i = 0; i < media::Mp4Presets().size(); ++i) {
            Mp4ExportDialog dialog;
            dialog.OfferRefit(true);
            dialog.SetPhotoSize(1000, 750);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.ApplyPreset(i);
            QApplication::processEvents();
            QCOMPARE(Widget<QComboBox>(dialog, "frameSizeCombo")->currentText(),
                     sizes[static_cast<int>(i)]);
            QVERIFY(!dialog.SofterNote().isEmpty());
            const QRect inside = dialog.rect();
            for (QWidget* w : dialog.findChildren<QWidget*>()) {
                if (!w->isVisible() || w->isWindow())
                    continue;
                const QString name = w->objectName() + " in " + dialog.PresetBox->currentText();
                const int least = w->hasHeightForWidth() ? w->heightForWidth(w->width())
                                                         : w->minimumSizeHint().height();
                QVERIFY2(w->height() >= least, qPrintable(name));
                QVERIFY2(inside.contains(QRect(w->mapTo(&dialog, QPoint()), w->size())),
                         qPrintable(name));
            }
        }
    }

    // The note says how large the video and the photos are, without a console's options, and
    // its button closes the dialog asking for the photos drawn again at the size the video needs.
    void theNotesButtonAsksForThePhotosAtTheSizeTheVideoNeeds() {
        Mp4ExportDialog dialog;
        dialog.OfferRefit(true);
        dialog.SetPhotoSize(1920, 1080);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.ApplyPreset(2); // Phone: 1080 x 1920, taller than the photos
        const QString note = dialog.SofterNote();
        QVERIFY(note.contains("1080 x 1920") && note.contains("1920 x 1080"));
        QVERIFY(!note.contains("--"));
        auto* button = Widget<QPushButton>(dialog, "RefitPhotosButton");
        QVERIFY(button->isVisible());
        QVERIFY(button->text().contains("1920 x 1920"));
        button->click();
        QCOMPARE(dialog.result(), Mp4ExportDialog::kRefitPhotos);
        QVERIFY(dialog.isHidden());
        QCOMPARE(dialog.NeededPhotoSize(), QSize(1920, 1920));
        // A caller that cannot draw the photos again gets no button.
        Mp4ExportDialog alone;
        alone.SetPhotoSize(640, 480);
        alone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&alone));
        QVERIFY(!alone.SofterNote().isEmpty());
        QVERIFY(!Widget<QPushButton>(alone, "RefitPhotosButton")->isVisible());
    }

    void givenChoicesArePreselectedAndUnknownOnesFallBack() {
        Mp4ExportDialog chosen(media::kResolutionStandard, media::kQualityBest);
        QCOMPARE(chosen.Resolution(), media::kResolutionStandard);
        QCOMPARE(chosen.Quality(), media::kQualityBest);
        Mp4ExportDialog odd(42, -3);
        QCOMPARE(odd.Resolution(), media::kResolution720p);
        QCOMPARE(odd.Quality(), media::kQualityGood);
        // OK and Cancel close it with their results.
        QTimer::singleShot(0, Widget<QPushButton>(chosen, "okButton"), &QPushButton::click);
        QCOMPARE(chosen.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, Widget<QPushButton>(odd, "cancelButton"), &QPushButton::click);
        QCOMPARE(odd.exec(), int(QDialog::Rejected));
    }

    void builtInRussianTextsWithoutALanguageFile() {
        Mp4ExportDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString::fromUtf8("Запись MP4"));
        QCOMPARE(Widget<QGroupBox>(dialog, "qualityBox")->title(), QString::fromUtf8("Качество"));
        QCOMPARE(Widget<QComboBox>(dialog, "qualityCombo")->itemText(1),
                 QString::fromUtf8("Наилучшее"));
        QCOMPARE(Widget<QPushButton>(dialog, "cancelButton")->text(), QString::fromUtf8("Отмена"));
    }

    void aFileLackingTheKeysKeepsBuiltInTextsButAnEmptyTextStaysEmpty() {
        QTemporaryDir dir;
        QFile file(dir.filePath("partial.lng"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        // An older file (no MP4 keys at all) but for the caption and an empty quality title.
        file.write("950=Save AVI\r\n968=Save MP4\r\n974=\r\n976=Finest\r\n");
        file.close();
        QVERIFY(base::LoadLanguageFile(base::AppLanguage(), file.fileName()));

        Mp4ExportDialog dialog(media::kResolution1080p, media::kQualityBest);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Save MP4"));
        QCOMPARE(Widget<QGroupBox>(dialog, "qualityBox")->title(), QString());
        QCOMPARE(Widget<QComboBox>(dialog, "qualityCombo")->currentText(), QString("Finest"));
        QCOMPARE(Widget<QGroupBox>(dialog, "frameSizeBox")->title(),
                 QString::fromUtf8("Размер кадра"));
        QCOMPARE(Widget<QComboBox>(dialog, "frameSizeCombo")->itemText(5),
                 QString::fromUtf8("Стандартное"));
        QCOMPARE(Widget<QPushButton>(dialog, "cancelButton")->text(), QString::fromUtf8("Отмена"));
        // The texts applied on showing leave the choices as they were.
        QCOMPARE(dialog.Resolution(), media::kResolution1080p);
        QCOMPARE(dialog.Quality(), media::kQualityBest);
    }

    void shippedFilesTranslateEveryText() {
        const QString folder = QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/language/";
        QVERIFY(base::LoadLanguageFile(base::AppLanguage(), folder + "english.lng"));
        Mp4ExportDialog english;
        QCOMPARE(english.windowTitle(), QString("Save as MP4"));
        QCOMPARE(Widget<QComboBox>(english, "frameSizeCombo")->itemText(4), QString("High"));
        QCOMPARE(Widget<QComboBox>(english, "qualityCombo")->itemText(0), QString("Good"));
        QCOMPARE(Widget<QPushButton>(english, "cancelButton")->text(), QString("Cancel"));
        QVERIFY(base::LoadLanguageFile(base::AppLanguage(), folder + "russian.lng"));
        Mp4ExportDialog russian;
        QCOMPARE(Widget<QComboBox>(russian, "qualityCombo")->itemText(0),
                 QString::fromUtf8("Хорошее"));
        QCOMPARE(Widget<QGroupBox>(russian, "frameSizeBox")->title(),
                 QString::fromUtf8("Размер кадра"));
    }
};

QTEST_MAIN(Mp4ExportDialogTest)
#include "mp4_export_dialog_test.moc"
