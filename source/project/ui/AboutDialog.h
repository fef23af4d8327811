// The about dialog: the program's picture, name, version and site address; a click on the
// address opens it.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class AboutDialog;
}

namespace ui {

class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    // open receives the site address when the user clicks it.
    AboutDialog(const QString& siteURL, std::function<void(const QString&)> open,
                QWidget* parent = nullptr);
    ~AboutDialog() override;

    std::unique_ptr<Ui::AboutDialog> Form;

    // The address the label stands for (the label itself may show it shortened).
    QString SiteAddress() const { return siteURL_; }
    void openSite();

    // The address as the label shows it: "www.example.org/page" for
    // "https://www.example.org/page/".
    static QString DisplayAddress(const QString& address);

    // The program's picture at the given size, drawn rather than loaded.
    static QPixmap DrawPicture(int size);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts();

    QString siteURL_;
    std::function<void(const QString&)> open_;
};

} // namespace ui
