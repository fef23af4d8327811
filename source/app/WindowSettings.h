// The program's remembered settings as the window uses them: read at the start (the language
// file, the show's resolution, the site address, the background of new photos), changed by the
// settings dialog, and written back at the close.
#pragma once

#include <QString>

#include <functional>
#include <utility>

class QWidget;

namespace project {
class ShowModel;
}

namespace ui {

class WindowSettings {
public:
    struct Host {
        QWidget* Parent = nullptr; // of the dialog
        project::ShowModel& Show;  // its resolution and the background of new photos
        QString& SiteURL;          // replaced by a stored address
        // Loads a language file and applies its texts (unreadable: the texts stay).
        std::function<void(const QString& path)> LoadLanguageFile;
        std::function<bool()> Busy; // no dialog while true
    };
    explicit WindowSettings(Host host) : host_(std::move(host)) {}

    // No accessible store: built-in texts, no language file, no resolution.
    void Read();
    void Write() const;
    void OpenDialog();

private:
    Host host_;
};

} // namespace ui
