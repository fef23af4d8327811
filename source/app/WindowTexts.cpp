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

namespace {

// An action the menu lists but another widget owns (one the window's keys and menus share).
QAction* ListedAction(QMenu* menu, const char* name) {
    for (QAction* action : menu->actions())
        if (action->objectName() == QLatin1String(name))
            return action;
    return nullptr;
}

} // namespace

void ApplyWindowTexts(Ui::MainWindow& form, const WindowMenus& menus,
                      const std::function<QString(int)>& linkAddress) {
    ApplyLanguageTexts({
        {TextKey::Open, form.openButton},
        HintText(TextKey::Open, form.openButton),
        {TextKey::Preview, form.previewButton},
        HintText(TextKey::Preview, form.previewButton),
        {TextKey::Save, form.saveButton},
        HintText(TextKey::Save, form.saveButton),
        {TextKey::Burn, form.discButton},
        HintText(TextKey::Burn, form.discButton),
        HintText(TextKey::AddPhotos, form.addPhotosButton),
        HintText(TextKey::AddMusic, form.addMusicButton),
        HintText(TextKey::Settings, form.settingsButton),
        HintText(TextKey::Help, form.helpButton),
        HintText(TextKey::Crop, form.cropButton),
        HintText(TextKey::Caption, form.captionButton),
        HintText(TextKey::Rotate, form.turnButton),
        HintText(TextKey::Lighting, form.lightButton),
        HintText(TextKey::ColourEffects, form.colorButton),
        HintText(TextKey::Duration, form.timeButton),
        {TextKey::DeletePhoto, menus.Photo->findChild<QAction*>("DeletePhotoAction")},
        {TextKey::MovePhotoRight, menus.Photo->findChild<QAction*>("MovePhotoRightAction")},
        {TextKey::MovePhotoLeft, menus.Photo->findChild<QAction*>("MovePhotoLeftAction")},
        {TextKey::SwapWith, menus.Photo->findChild<QAction*>("SwapWith")},
        {TextKey::AddTitle, ListedAction(menus.Photo, "AddTitleAction")},
        {TextKey::MakeCollage, ListedAction(menus.Photo, "MakeCollageAction")},
        {TextKey::TrackSettings, menus.Track->findChild<QAction*>("TrackSettingsAction")},
        {TextKey::ShowMusic, menus.Track->findChild<QAction*>("ShowMusicAction")},
        {TextKey::DeleteTrack, menus.Track->findChild<QAction*>("DeleteTrackAction")},
        {TextKey::MoveTrackRight, menus.Track->findChild<QAction*>("MoveTrackRightAction")},
        {TextKey::MoveTrackLeft, menus.Track->findChild<QAction*>("MoveTrackLeftAction")},
        {TextKey::SaveShow, menus.Save->findChild<QAction*>("SaveShowAction")},
        {TextKey::SaveVideo, menus.Save->findChild<QAction*>("SaveVideoAction")},
        HintText(TextKey::About, form.aboutButton),
        HintText(TextKey::NewShow, form.newButton),
    });
    // The photo's edits in its menu.
    for (const PhotoEditEntry& e : kPhotoEditEntries)
        ApplyLanguageTexts({{e.Text, menus.Photo->findChild<QAction*>(e.Name)}});
    // What each link icon opens, named before it is clicked.
    const std::array<QLabel*, 6> links = {form.siteLink,        form.slideShowsLink,
                                          form.photographyLink, form.freePhotosLink,
                                          form.videoFormatLink, form.discFormatLink};
    const char* const what[6] = {"Сайт Reelpane",   "О слайд-шоу",         "О фотографии",
                                 "Бесплатные фото", "О формате видео AVI", "О формате дисков"};
    for (int i = 0; i < 6; ++i)
        links[static_cast<std::size_t>(i)]->setToolTip(
            Tr(base::KeyNumber(TextKey::LinkSite) + i, what[i]) + QStringLiteral("\n") +
            linkAddress(i + 6));
}

} // namespace ui
