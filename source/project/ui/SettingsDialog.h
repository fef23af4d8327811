// The settings dialog: interface language (built-in or a file of the language folder) and the
// resolution photos are fitted to. It changes the resolution itself and hands back the language
// file the caller should load.
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
    // resolution is the show's value: an empty one becomes the screen size as the dialog opens,
    // and OK stores the chosen entry in it. currentFile is the loaded language file's name.
    SettingsDialog(std::string& resolution, QSize screen, const QString& languageFolder,
                   const QString& currentFile, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // After OK: the language file to load, "" when the current texts stay.
    QString LanguageFileToLoad() const { return languageToLoad_; }

    std::unique_ptr<Ui::SettingsDialog> Form;

    void chooseLanguageFile();
    void acceptChoices();

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyTexts();

    std::string& resolution_;
    QString languageFolder_;
    QString languageToLoad_;
};

} // namespace ui
