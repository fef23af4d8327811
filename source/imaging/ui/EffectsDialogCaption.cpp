// The effects dialog's caption page: drawing the caption on the picture, taking it off again,
// and choosing its font and colour.
#include "imaging/ui/EffectsDialog.h"

#include "imaging/ui/ColorValues.h"
#include "ui_EffectsDialog.h"

#include <QFont>
#include <QString>

#include <QRadioButton>

#include <algorithm>
#include <array>

namespace ui {

void EffectsDialog::ApplyText() {
    if (const auto taken = picture_.TakeBackup(EffectsBackup::Caption); !taken) {
        ShowError(QString::fromLocal8Bit(taken.error().c_str()));
        return;
    }
    if (caption_.Text.empty())
        return;
    // The caption is drawn on the picture as it was before the first one, so it replaces it.
    if (const auto prepared = picture_.PrepareCaption(); !prepared) {
        ShowError(QString::fromLocal8Bit(prepared.error().c_str()));
        return;
    }
    // Unless the user chose a font, the caption is at least 1/20 of the picture's height
    // (points are 96/72 pixels), so it can be read on any photo; white with its shadow.
    if (!fontChosen_ && caption_.Size == imaging::CaptionSettings{}.Size && !workImage_.IsEmpty())
        caption_.Size = std::max(caption_.Size, (workImage_.Height * 3 + 79) / 80);
    if (Apply([this] { return picture_.DrawCaption(caption_); }))
        picture_.RememberCaption();
}

void EffectsDialog::UndoText() {
    // The picture without any caption when its copy from before the first one stands for it;
    // otherwise as it was when the page opened.
    const auto bare = picture_.Uncaption();
    if (!bare) {
        ShowError(QString::fromLocal8Bit(bare.error().c_str()));
    } else if (!*bare) {
        if (const auto restored = picture_.RestoreBackup(EffectsBackup::Caption); !restored)
            ShowError(QString::fromLocal8Bit(restored.error().c_str()));
    }
    picture_.DropBackup(EffectsBackup::Caption);
    LoadWorkImage();
    const imaging::CaptionSettings defaults;
    caption_ = defaults;
    opening_.Caption = defaults;
    updating_ = true;
    Form->captionEdit->clear();
    Form->captionMotionBox->setCurrentIndex(0);
    updating_ = false;
    Form->alignLeftRadio->setChecked(true);
    Form->alignTopRadio->setChecked(true);
}

void EffectsDialog::ShowCaptionValues() {
    updating_ = true;
    Form->captionEdit->setText(QString::fromStdString(caption_.Text));
    Form->captionMotionBox->setCurrentIndex(static_cast<int>(caption_.Motion));
    updating_ = false;
    const std::array<QRadioButton*, 3> across = {Form->alignLeftRadio, Form->alignCentreRadio,
                                                 Form->alignRightRadio};
    const std::array<QRadioButton*, 3> down = {Form->alignTopRadio, Form->alignMiddleRadio,
                                               Form->alignBottomRadio};
    across[static_cast<std::size_t>(std::clamp(caption_.HAlign, 1, 3) - 1)]->setChecked(true);
    down[static_cast<std::size_t>(std::clamp(caption_.VAlign, 1, 3) - 1)]->setChecked(true);
    // The font and colour are the caption's own, not the default size for a new one.
    fontChosen_ = !caption_.Text.empty();
    opening_.Caption = caption_;
}

void EffectsDialog::ChooseFont() {
    QFont initial(QString::fromStdString(caption_.Font));
    initial.setPointSize(std::max(1, caption_.Size));
    initial.setBold(caption_.Style & 1);
    initial.setItalic(caption_.Style & 2);
    initial.setUnderline(caption_.Style & 4);
    initial.setStrikeOut(caption_.Style & 8);
    QFont font = initial;
    if (!PickFont(font))
        return;
    fontChosen_ = true;
    const QColor color = PickColor(ToQColor(caption_.Color));
    caption_.Font = font.family().left(imaging::kMaxFontCharacters).toStdString();
    caption_.Size = font.pointSize() > 0 ? font.pointSize() : caption_.Size;
    caption_.Style =
        static_cast<std::uint8_t>((font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) |
                                  (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0));
    if (color.isValid())
        caption_.Color = FromQColor(color);
}

} // namespace ui
