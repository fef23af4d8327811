// The program's remembered settings as the window uses them: read at the start (the language
// file, the show's resolution, the site address, the background of new photos), changed by the
// settings dialog, and written back at the close.
#pragma once

#include "app/ControllerHost.h"
#include "project/ShowContent.h"

#include <QString>

#include <functional>
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
    void Write() const;
    void OpenDialog();

private:
    ControllerHost host_;
    void UsePhotoSettings(const project::PhotoSettings& photos);

    const project::ShowModel& show_;
    project::ShowHistory& history_;
    QString& siteUrl_;
    std::function<void(const QString& path)> loadLanguageFile_;
};

} // namespace ui
