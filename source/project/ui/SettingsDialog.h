// The settings dialog: interface language (built-in or a file of the language folder) and the
// resolution photos are fitted to. It hands back the resolution and the language file to load;
// the caller applies them.
#pragma once

#include <QColor>
#include <QDialog>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Ui {
class SettingsDialog;
}

namespace ui {

class SettingsDialog final : public QDialog {
    Q_OBJECT

public:
    // resolution is the show's value; currentFile is the loaded language file's name.
    SettingsDialog(const std::string& resolution, QSize screen, const QString& languageFolder,
                   const QString& currentFile, QWidget* parent = nullptr);

    // "Background of new photos": the colour imported photos get (0x00BBGGRR, or the system
    // button face as until now). Set before exec(); read after OK.
    void SetNewPhotoBackground(std::int32_t color);
    std::int32_t NewPhotoBackground() const { return background_; }
    // Asks for a colour when "Chosen colour..." is picked; tests replace it. Invalid = cancelled.
    std::function<QColor(const QColor& initial)> PickColor;
    ~SettingsDialog() override;

    // The resolution the show should have: an empty one became the screen size as the dialog
    // opened (kept even when cancelled); after OK, the chosen entry.
    const std::string& Resolution() const { return resolution_; }
    // After OK: the language file to load, "" when the current texts stay.
    QString LanguageFileToLoad() const { return languageToLoad_; }

    void chooseLanguageFile();
    void acceptChoices();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();
    // The background list's entries in the current language; the last names a chosen colour.
    void NameBackgrounds();

    std::unique_ptr<Ui::SettingsDialog> Form;
    std::string resolution_;
    QString languageFolder_;
    QString languageToLoad_;
    std::int32_t background_ = 0;
};

} // namespace ui
