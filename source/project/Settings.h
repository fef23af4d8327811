// The per-user settings store: "Language", "Resolution" and "SiteURL" under the organisation
// "Tarnwick" and the application "Tarnwick Reelpane Freeware 1.9". A store that cannot be read
// and written is left alone: nothing is read from it and nothing written to it.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace project {

inline constexpr const char* kSettingsOrganization = "Tarnwick";
inline constexpr const char* kSettingsApplication = "Tarnwick Reelpane Freeware 1.9";
// The site address the about box shows and the first link icon opens, unless "SiteURL" is set.
inline constexpr const char* kBuiltInSiteURL = REELPANE_SITE_URL;

struct StoredSettings {
    QString Language;   // language file name, "" when none was loaded
    QString Resolution; // "WxH", "" when never chosen
    QString SiteURL;    // "" when the built-in address stays
};

// The three values, or nothing when the store cannot be accessed.
std::optional<StoredSettings> ReadSettings();

// Writes "Language" and "Resolution"; false when the store cannot be accessed (nothing written).
bool WriteSettings(const QString& language, const QString& resolution);

// "RecentShows": the shows last opened or saved, newest first; empty when the store cannot be
// accessed or holds none.
QStringList ReadRecentShows();
// Writes "RecentShows" at once, so a list survives an abnormal end; false when the store cannot
// be accessed (nothing written).
bool WriteRecentShows(const QStringList& paths);

// One more value of the store by name ("LastFolder/Photos", "WindowGeometry",
// "NewPhotoBackground"): an invalid value when the store cannot be accessed or holds none.
QVariant ReadSetting(const QString& name);
// Writes one value at once; false when the store cannot be accessed (nothing written).
bool WriteSetting(const QString& name, const QVariant& value);

} // namespace project
