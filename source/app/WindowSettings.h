// The program's remembered settings as the window uses them: read at the start (the language
// file, the show's resolution, the site address, the background of new photos), changed by the
// settings dialog, and written back at the close.
#pragma once

#include "app/ControllerHost.h"
#include "project/ShowContent.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

class QWidget;

namespace project {
class ShowModel;
class ShowHistory;
} // namespace project

namespace ui {

class WindowSettings {
public:
    // host: the dialog's parent; no dialog while the window is busy. show: its photo settings
    // (resolution, background of new photos), changed through history; siteUrl: replaced by a
    // stored address; loadLanguageFile: loads a language file and applies its texts (unreadable:
    // the texts stay).
    WindowSettings(ControllerHost host, const project::ShowModel& show,
                   project::ShowHistory& history, QString& siteUrl,
                   std::function<void(const QString& path)> loadLanguageFile)
        : host_(std::move(host)), show_(show), history_(history), siteUrl_(siteUrl),
          loadLanguageFile_(std::move(loadLanguageFile)) {}

    // No accessible store: built-in texts, no language file, no resolution. The photo settings
    // read go through the history as a step; the caller clears it at the start.
    void Read();
    // Writes the language file and the photo size the user chose (none when never chosen).
    void Write() const;
    void OpenDialog();

    static constexpr const char* kNewShowResolution = project::kNewShowResolution;
    static constexpr std::int32_t kNewShowBackground = project::kNewShowBackground;
    // A new show's photo settings: the user's chosen size and background, or the defaults.
    project::PhotoSettings NewShowPhotos() const;
    // The settings an opened show's photos come in with: the chosen size, or none, so that the
    // show keeps the size its file names (1280 x 1024 when it names none).
    project::PhotoSettings OpenedShowPhotos() const;

private:
    ControllerHost host_;
    void UsePhotoSettings(const project::PhotoSettings& photos);

    const project::ShowModel& show_;
    project::ShowHistory& history_;
    std::string chosenResolution_;                 // "WxH" (code page); "" when never chosen
    std::optional<std::int32_t> chosenBackground_; // the background of new photos, when chosen
    QString& siteUrl_;
    std::function<void(const QString& path)> loadLanguageFile_;
};

} // namespace ui
