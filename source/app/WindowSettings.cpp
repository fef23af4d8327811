#include "app/WindowSettings.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "project/Settings.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/ui/SettingsDialog.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace ui {

void WindowSettings::Read() {
    const auto stored = project::ReadSettings();
    if (!stored) {
        UsePhotoSettings(NewShowPhotos()); // nothing chosen: today's defaults
        return;
    }
    const QString name =
        stored->Language.isEmpty() ? QStringLiteral("english.lng") : stored->Language;
    loadLanguageFile_(base::LanguageFolder() + name);
    chosenResolution_ = base::ToCp1251(stored->Resolution);
    if (!stored->SiteURL.isEmpty())
        siteUrl_ = stored->SiteURL;
    bool known = false;
    const int background = project::ReadSetting(QStringLiteral("NewPhotoBackground")).toInt(&known);
    if (known)
        chosenBackground_ = background;
    UsePhotoSettings(NewShowPhotos());
}

project::PhotoSettings WindowSettings::NewShowPhotos() const {
    project::PhotoSettings photos;
    photos.Resolution = chosenResolution_.empty() ? kNewShowResolution : chosenResolution_;
    photos.BackColor = chosenBackground_.value_or(kNewShowBackground);
    return photos;
}

project::PhotoSettings WindowSettings::OpenedShowPhotos() const {
    project::PhotoSettings photos = NewShowPhotos();
    photos.Resolution = chosenResolution_;
    return photos;
}

void WindowSettings::UsePhotoSettings(const project::PhotoSettings& photos) {
    if (photos == show_.Photos())
        return;
    const auto done =
        history_.Apply({project::edit::SetPhotoSettings{photos}}, QStringLiteral("settings"));
    if (!done)
        host_.Tell(QString::fromLocal8Bit(done.error().c_str()));
}

void WindowSettings::Write() const {
    project::WriteSettings(QFile::decodeName(base::AppLanguage().LanguageFile.c_str()),
                           base::FromCp1251(chosenResolution_));
}

void WindowSettings::OpenDialog() {
    if (host_.IsBusy())
        return;
    project::PhotoSettings photos = show_.Photos();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize();
    // The dialog shows the show's photo size; it changes only when the user picks another.
    SettingsDialog dialog(photos.Resolution, screenSize, base::LanguageFolder(),
                          QFile::decodeName(base::AppLanguage().LanguageFile.c_str()),
                          host_.DialogParent);
    dialog.SetNewPhotoBackground(photos.BackColor);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.ResolutionChanged()) {
        photos.Resolution = dialog.Resolution();
        chosenResolution_ = photos.Resolution;
    }
    photos.BackColor = dialog.NewPhotoBackground();
    UsePhotoSettings(photos);
    chosenBackground_ = photos.BackColor;
    project::WriteSetting(QStringLiteral("NewPhotoBackground"), photos.BackColor);
    if (const QString path = dialog.LanguageFileToLoad(); !path.isEmpty())
        loadLanguageFile_(path);
}

} // namespace ui
