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
    // resolution is the show's photo size ("WxH"; one that does not parse is shown as the
    // 1280x1024 it means); screen: the screen's size, offered too; currentFile is the loaded
    // language file's name.
    SettingsDialog(const std::string& resolution, QSize screen, const QString& languageFolder,
                   const QString& currentFile, QWidget* parent = nullptr);

    // "Background of new photos": the colour imported photos get (0x00BBGGRR, or the system
    // button face as until now). Set before exec(); read after OK.
    void SetNewPhotoBackground(std::int32_t color);
    std::int32_t NewPhotoBackground() const { return background_; }
    // Asks for a colour when "Chosen colour..." is picked; tests replace it. Invalid = cancelled.
    std::function<QColor(const QColor& initial)> PickColor;
    ~SettingsDialog() override;

    // The photo size the show should have: the show's as given, unless another entry was chosen
    // and OK pressed.
    const std::string& Resolution() const { return resolution_; }
    // After OK: whether the user chose another photo size than the show's.
    bool ResolutionChanged() const { return resolution_ != givenResolution_; }
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
    std::string givenResolution_;
    int shownResolution_ = 0; // the entry of the show's size
    QString languageFolder_;
    QString languageToLoad_;
    std::int32_t background_ = 0;
};

} // namespace ui
