#include "app/WindowTexts.h"

#include "app/WindowMenus.h"
#include "base/Language.h"
#include "base/ui/LanguageTexts.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include <array>

using base::TextKey;

namespace ui {

using base::Tr;

void ApplyWindowTexts(Ui::MainWindow& form, const WindowMenus& menus,
                      const std::function<QString(int)>& linkAddress) {
    ApplyLanguageTexts({
        {TextKey::Open, form.OpenButton},
        HintText(TextKey::Open, form.OpenButton),
        {TextKey::Preview, form.PreviewButton},
        HintText(TextKey::Preview, form.PreviewButton),
        {TextKey::Save, form.SaveButton},
        HintText(TextKey::Save, form.SaveButton),
        {TextKey::Burn, form.DiscButton},
        HintText(TextKey::Burn, form.DiscButton),
        HintText(TextKey::AddPhotos, form.AddPhotosButton),
        HintText(TextKey::AddMusic, form.AddMusicButton),
        HintText(TextKey::Settings, form.SettingsButton),
        HintText(TextKey::Help, form.HelpButton),
        HintText(TextKey::Crop, form.CropButton),
        HintText(TextKey::Caption, form.CaptionButton),
        HintText(TextKey::Rotate, form.TurnButton),
        HintText(TextKey::Lighting, form.LightButton),
        HintText(TextKey::ColourEffects, form.ColorButton),
        HintText(TextKey::Duration, form.TimeButton),
        {TextKey::DeletePhoto, menus.Photo->findChild<QAction*>("DeletePhotoAction")},
        {TextKey::MovePhotoRight, menus.Photo->findChild<QAction*>("MovePhotoRightAction")},
        {TextKey::MovePhotoLeft, menus.Photo->findChild<QAction*>("MovePhotoLeftAction")},
        {TextKey::SwapWith, menus.Photo->findChild<QAction*>("SwapWith")},
        {TextKey::TrackSettings, menus.Track->findChild<QAction*>("TrackSettingsAction")},
        {TextKey::ShowMusic, menus.Track->findChild<QAction*>("ShowMusicAction")},
        {TextKey::DeleteTrack, menus.Track->findChild<QAction*>("DeleteTrackAction")},
        {TextKey::MoveTrackRight, menus.Track->findChild<QAction*>("MoveTrackRightAction")},
        {TextKey::MoveTrackLeft, menus.Track->findChild<QAction*>("MoveTrackLeftAction")},
        {TextKey::SaveShow, menus.Save->findChild<QAction*>("SaveShowAction")},
        {TextKey::SaveVideo, menus.Save->findChild<QAction*>("SaveVideoAction")},
        HintText(TextKey::About, form.AboutButton),
        HintText(TextKey::NewShow, form.NewButton),
    });
    // What each link icon opens, named before it is clicked.
    const std::array<QLabel*, 6> links = {form.LinkIcon1, form.LinkIcon2, form.LinkIcon3,
                                          form.LinkIcon4, form.LinkIcon5, form.LinkIcon6};
    const char* const what[6] = {"Сайт Reelpane",   "О слайд-шоу",         "О фотографии",
                                 "Бесплатные фото", "О формате видео AVI", "О формате дисков"};
    for (int i = 0; i < 6; ++i)
        links[static_cast<std::size_t>(i)]->setToolTip(
            Tr(base::KeyNumber(TextKey::LinkSite) + i, what[i]) + QStringLiteral("\n") +
            linkAddress(i + 6));
}

} // namespace ui
