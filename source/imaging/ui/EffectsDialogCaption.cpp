// The effects dialog's caption page: drawing the caption on the picture, taking it off again,
// and choosing its font and colour.
#include "imaging/ui/EffectsDialog.h"

#include "base/CodePage.h"
#include "imaging/ui/CaptionBase.h"
#include "imaging/ui/ColorValues.h"
#include "ui_EffectsDialog.h"

#include <QFont>
#include <QString>

#include <algorithm>

namespace ui {

void EffectsDialog::ApplyText() {
    if (const auto taken = picture_.TakeBackup(EffectsBackup::Caption); !taken) {
        ShowError(QString::fromLocal8Bit(taken.error().c_str()));
        return;
    }
    if (S().CaptionText.empty())
        return;
    // The caption is drawn on the picture as it was before the first one, so it replaces it.
    CaptionBase base(WorkFile());
    if (const auto prepared = base.Prepare(); !prepared) {
        ShowError(QString::fromLocal8Bit(prepared.error().c_str()));
        return;
    }
    // Unless the user chose a font, the caption is at least 1/20 of the picture's height
    // (points are 96/72 pixels), so it can be read on any photo; white with its shadow.
    if (!fontChosen_ && S().CaptionSize == EffectsCaption{}.Size && !workImage_.IsEmpty())
        S().CaptionSize = std::max(S().CaptionSize, (workImage_.Height * 3 + 79) / 80);
    if (Apply([this] { return picture_.DrawCaption(S().Caption()); }))
        base.Remember();
}

void EffectsDialog::UndoText() {
    const std::string work = WorkFile();
    // The picture without any caption when its copy from before the first one stands for it;
    // otherwise as it was when the page opened.
    const auto bare = CaptionBase(work).Restore();
    if (!bare) {
        ShowError(QString::fromLocal8Bit(bare.error().c_str()));
    } else if (!*bare) {
        if (const auto restored = picture_.RestoreBackup(EffectsBackup::Caption); !restored)
            ShowError(QString::fromLocal8Bit(restored.error().c_str()));
    }
    picture_.DropBackup(EffectsBackup::Caption);
    LoadWorkImage();
    const EffectsCaption defaults;
    S().SetCaption(defaults);
    opening_.Caption = defaults;
    updating_ = true;
    Form->captionEdit->clear();
    updating_ = false;
    Form->alignLeftRadio->setChecked(true);
    Form->alignTopRadio->setChecked(true);
}

void EffectsDialog::ChooseFont() {
    QFont initial(base::FromCp1251(S().CaptionFont));
    initial.setPointSize(std::max(1, S().CaptionSize));
    initial.setBold(S().CaptionStyle & 1);
    initial.setItalic(S().CaptionStyle & 2);
    initial.setUnderline(S().CaptionStyle & 4);
    initial.setStrikeOut(S().CaptionStyle & 8);
    QFont font = initial;
    if (!PickFont(font))
        return;
    fontChosen_ = true;
    const QColor color = PickColor(ToQColor(S().CaptionColor));
    S().CaptionFont = base::ToCp1251(font.family()).substr(0, 255);
    S().CaptionSize = font.pointSize() > 0 ? font.pointSize() : S().CaptionSize;
    S().CaptionStyle =
        static_cast<std::uint8_t>((font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) |
                                  (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0));
    if (color.isValid())
        S().CaptionColor = FromQColor(color);
}

} // namespace ui
