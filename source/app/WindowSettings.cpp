#include "app/WindowSettings.h"

#include "base/CodePage.h"
#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "project/Settings.h"
#include "project/ShowModel.h"
#include "project/ui/SettingsDialog.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>

namespace ui {

void WindowSettings::Read() {
    const auto stored = project::ReadSettings();
    if (!stored)
        return;
    const QString name =
        stored->Language.isEmpty() ? QStringLiteral("english.lng") : stored->Language;
    loadLanguageFile_(base::LanguageFolder() + name);
    if (!stored->Resolution.isEmpty())
        show_.Resolution = base::ToCp1251(stored->Resolution);
    if (!stored->SiteURL.isEmpty())
        siteUrl_ = stored->SiteURL;
    bool known = false;
    const int background = project::ReadSetting(QStringLiteral("NewPhotoBackground")).toInt(&known);
    if (known)
        show_.NewPhotoBackColor = background;
}

void WindowSettings::Write() const {
    project::WriteSettings(QFile::decodeName(base::AppLanguage().LanguageFile.c_str()),
                           base::FromCp1251(show_.Resolution));
}

void WindowSettings::OpenDialog() {
    if (host_.IsBusy())
        return;
    project::ShowModel& show = show_;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1280, 1024);
    SettingsDialog dialog(show.Resolution, screenSize, base::LanguageFolder(),
                          QFile::decodeName(base::AppLanguage().LanguageFile.c_str()),
                          host_.DialogParent);
    dialog.SetNewPhotoBackground(show.NewPhotoBackColor);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    // A first run takes the screen size even when the dialog is cancelled.
    show.Resolution = dialog.Resolution();
    if (!accepted)
        return;
    show.NewPhotoBackColor = dialog.NewPhotoBackground();
    project::WriteSetting(QStringLiteral("NewPhotoBackground"), show.NewPhotoBackColor);
    if (const QString path = dialog.LanguageFileToLoad(); !path.isEmpty())
        loadLanguageFile_(path);
}

} // namespace ui
