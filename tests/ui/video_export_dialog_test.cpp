// The video export dialog offscreen: which compressor lines it lists and proposes, what it hands
// back, the disabled OK without a compressor, and language texts applied when it shows; the
// wait window's text.
#include "WidgetLookup.h"
#include "base/Language.h"
#include "media/ui/CodecSearchWindow.h"
#include "media/ui/VideoExportDialog.h"
#include "media/video/CodecChoice.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using ui::VideoExportDialog;

class VideoExportDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onlyMsvcIsProposedWithStandardAndStaysSmallOnHigh() {
        VideoExportDialog dialog({"No Compression", "DX50 MPEG-4", "MSVC Video-1"});
        auto* codecs = Widget<QComboBox>(dialog, "codecCombo");
        auto* size = Widget<QComboBox>(dialog, "resolutionCombo");
        QCOMPARE(codecs->count(), 1);
        QCOMPARE(codecs->currentText(), QString("MSVC Video-1"));
        QCOMPARE(size->currentIndex(), media::kResolutionStandard);
        QVERIFY(Widget<QPushButton>(dialog, "okButton")->isEnabled());
        size->setCurrentIndex(media::kResolutionHigh); // the user asks for more
        QCOMPARE(dialog.Resolution(), media::kResolutionHigh);
        const auto code = media::CodecCodeOfLine(dialog.CodecLine());
        QCOMPARE(media::ExportFrameSize(code, dialog.Resolution(), 1080),
                 (media::FrameSize{400, 288}));
    }

    void lowerCaseCodesAreMatchedAndProposed() {
        VideoExportDialog dialog({"No Compression", "msvc Video-1", "xvid MPEG-4", "divx MPEG-4"});
        auto* codecs = Widget<QComboBox>(dialog, "codecCombo");
        QCOMPARE(codecs->count(), 3);
        QCOMPARE(codecs->currentText(), QString("divx MPEG-4"));
        QCOMPARE(dialog.Resolution(), media::kResolutionHigh);
        QCOMPARE(media::CodecCodeOfLine(dialog.CodecLine()), std::string("divx"));
        codecs->setCurrentIndex(0);
        QCOMPARE(dialog.CodecLine(), std::string("msvc Video-1"));
    }

    void withoutACompressorOkStaysDisabled() {
        VideoExportDialog dialog({"No Compression", "FMP4 MPEG-4"});
        QVERIFY(!dialog.HasCodec());
        QVERIFY(!Widget<QPushButton>(dialog, "okButton")->isEnabled());
        QCOMPARE(dialog.CodecLine(), std::string());
        QVERIFY(VideoExportDialog::MissingCodecText().contains("DivX/XviD"));
        // Cancel closes it.
        QTimer::singleShot(0, Widget<QPushButton>(dialog, "cancelButton"), &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    }

    void languageTextsApplyWhenShownAndTheChoiceStays() {
        auto& lang = base::AppLanguage();
        lang.LanguageTable.assign(base::kLanguageKeys, std::string());
        lang.LanguageTable[950 - 1] = "Save AVI";
        lang.LanguageTable[953 - 1] = "High";
        lang.LanguageTable[954 - 1] = "Standard";
        lang.LanguageTable[957 - 1] = "Looking for codecs.\r\nPlease wait.";
        VideoExportDialog dialog({"XVID MPEG-4"});
        Widget<QComboBox>(dialog, "resolutionCombo")->setCurrentIndex(media::kResolutionStandard);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("Save AVI"));
        QCOMPARE(Widget<QComboBox>(dialog, "resolutionCombo")->currentText(), QString("Standard"));
        QCOMPARE(dialog.Resolution(), media::kResolutionStandard);
        ui::CodecSearchWindow wait;
        wait.ShowNow();
        QCOMPARE(Widget<QLabel>(wait, "messageLabel")->text(),
                 QString("Looking for codecs.\nPlease wait."));
        lang.LanguageTable.clear();
    }
};

QTEST_MAIN(VideoExportDialogTest)
#include "video_export_dialog_test.moc"
