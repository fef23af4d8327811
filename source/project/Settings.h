// The per-user settings store: "Language", "Resolution" and "SiteURL" under the organisation
// "Tarnwick" and the application "Tarnwick Reelpane Freeware 1.9". A store that cannot be read
// and written is left alone: nothing is read from it and nothing written to it.
#pragma once

#include <QString>

#include <optional>

namespace project {

inline constexpr const char* kSettingsOrganization = "Tarnwick";
inline constexpr const char* kSettingsApplication = "Tarnwick Reelpane Freeware 1.9";

struct StoredSettings {
    QString Language;   // language file name, "" when none was loaded
    QString Resolution; // "WxH", "" when never chosen
    QString SiteURL;    // "" when the built-in address stays
};

// The three values, or nothing when the store cannot be accessed.
std::optional<StoredSettings> ReadSettings();

// Writes "Language" and "Resolution"; false when the store cannot be accessed (nothing written).
bool WriteSettings(const QString& language, const QString& resolution);

} // namespace project
