// The settings dialog: interface language (built-in or a file of the language folder) and the
// resolution photos are fitted to. It hands back the resolution and the language file to load;
// the caller applies them.
#pragma once

#include <QDialog>
#include <QSize>

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

    std::unique_ptr<Ui::SettingsDialog> Form;
    std::string resolution_;
    QString languageFolder_;
    QString languageToLoad_;
};

} // namespace ui
