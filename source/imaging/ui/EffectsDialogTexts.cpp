// The effects dialog's texts from the language table, and its offers to give a page's values to
// every slide picked on the storyboard.
#include "imaging/ui/EffectsDialog.h"

#include "base/Language.h"
#include "base/ui/LanguageTexts.h"
#include "imaging/ui/MotionEditor.h"
#include "ui_EffectsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTabBar>

using base::TextKey;

namespace ui {

void EffectsDialog::ApplyTexts() {
    const auto tab = [this](int index) {
        return [this, index](const QString& t) { Tabs->setTabText(index, t); };
    };
    const auto motionItem = [this](int index) {
        return [this, index](const QString& t) { Form->captionMotionBox->setItemText(index, t); };
    };
    ApplyLanguageTexts({
        {TextKey::CaptionMotionLabel, Form->captionMotionLabel},
        {TextKey::TextMotionNone, motionItem(0)},
        {TextKey::TextMotionFade, motionItem(1)},
        {TextKey::TextMotionRise, motionItem(2)},
        {TextKey::TextMotionTypewriter, motionItem(3)},
        {TextKey::TextMotionZoom, motionItem(4)},
        {TextKey::EffectsTitle, this},
        {TextKey::EffectsCropPage, tab(0)},
        {TextKey::EffectsStartX, Form->cropStartXLabel},
        {TextKey::EffectsStartY, Form->cropStartYLabel},
        {TextKey::EffectsEndX, Form->cropEndXLabel},
        {TextKey::EffectsEndY, Form->cropEndYLabel},
        {TextKey::EffectsOriginalSize, Form->originalSizeButton},
        {TextKey::CropDragHint, cropHint_},
        {TextKey::EffectsCropSave, Form->cropSaveButton},
        {TextKey::EffectsCropCancel, Form->cropCancelButton},
        {TextKey::EffectsCaptionPage, tab(1)},
        {TextKey::EffectsCaptionText, Form->captionLabel},
        {TextKey::EffectsApplyText, Form->applyTextButton},
        {TextKey::EffectsRemoveText, Form->undoTextButton},
        {TextKey::EffectsChooseFont, Form->fontButton},
        {TextKey::EffectsAlignLeft, Form->alignLeftRadio},
        {TextKey::EffectsAlignCentre, Form->alignCentreRadio},
        {TextKey::EffectsAlignRight, Form->alignRightRadio},
        {TextKey::EffectsAlignTop, Form->alignTopRadio},
        {TextKey::EffectsAlignMiddle, Form->alignMiddleRadio},
        {TextKey::EffectsAlignBottom, Form->alignBottomRadio},
        {TextKey::EffectsCaptionSave, Form->captionSaveButton},
        {TextKey::EffectsCaptionCancel, Form->captionCancelButton},
        {TextKey::EffectsTurnPage, tab(2)},
        {TextKey::EffectsRotateRight, Form->turnRightButton},
        {TextKey::EffectsRotateLeft, Form->turnLeftButton},
        {TextKey::EffectsFlip, Form->mirrorButton},
        {TextKey::EffectsTurnSave, Form->turnSaveButton},
        {TextKey::EffectsTurnCancel, Form->turnCancelButton},
        {TextKey::EffectsLightPage, tab(3)},
        {TextKey::EffectsBrightness, Form->brightnessLabel},
        {TextKey::EffectsContrast, Form->contrastLabel},
        {TextKey::EffectsGamma, Form->gammaLabel},
        {TextKey::EffectsLightSave, Form->lightSaveButton},
        {TextKey::EffectsLightCancel, Form->lightCancelButton},
        {TextKey::EffectsColorPage, tab(4)},
        {TextKey::EffectsColorNone, Form->noColourEffectRadio},
        {TextKey::EffectsBlackAndWhite, Form->blackAndWhiteRadio},
        {TextKey::EffectsSepia, Form->sepiaRadio},
        {TextKey::EffectsNegative, Form->negativeRadio},
        {TextKey::EffectsBackgroundColour, Form->backColourButton},
        {TextKey::EffectsColorSave, Form->colourSaveButton},
        {TextKey::EffectsColorCancel, Form->colourCancelButton},
        {TextKey::EffectsDurationPage, tab(5)},
        {TextKey::EffectsSeconds, Form->secondsLabel},
        {TextKey::EffectsDurationForAll, Form->secondsForAllCheck},
        {TextKey::EffectsDurationSave, Form->durationSaveButton},
        {TextKey::EffectsDurationCancel, Form->durationCancelButton},
        {MotionEditor::kTitleKey, tab(kMotionPage)},
        {TextKey::EffectsDurationSave, Form->motionSaveButton},
        {TextKey::EffectsDurationCancel, Form->motionCancelButton},
        {TextKey::ClipPage, tab(kClipPage)},
        {TextKey::EffectsDurationSave, Form->clipSaveButton},
        {TextKey::EffectsDurationCancel, Form->clipCancelButton},
        {TextKey::CollagePage, tab(kCollagePage)},
        {TextKey::EffectsDurationSave, Form->collageSaveButton},
        {TextKey::EffectsDurationCancel, Form->collageCancelButton},
        {TextKey::EffectsDurationForAll, Form->motionForAllCheck},
    });
    ApplySelectionTexts();
}

void EffectsDialog::OfferSelection(int count) {
    selectionCount_ = count;
    for (QCheckBox* check : {Form->secondsForSelectionCheck, Form->motionForSelectionCheck,
                             Form->lightForSelectionCheck, Form->colourForSelectionCheck})
        check->setVisible(count > 1);
    ApplySelectionTexts();
}

void EffectsDialog::ApplySelectionTexts() {
    // The number of slides it reaches, so that the user sees what the box does.
    const QString text =
        base::AppLanguage()
            .Text(TextKey::ApplyToSelection, QString::fromUtf8("Применить к выбранным фото"))
            .append(QStringLiteral(" (%1)").arg(selectionCount_));
    for (QCheckBox* check : {Form->secondsForSelectionCheck, Form->motionForSelectionCheck,
                             Form->lightForSelectionCheck, Form->colourForSelectionCheck})
        check->setText(text);
}

} // namespace ui
