// The about dialog: the program's picture, name, version and site address; a click on the
// address opens it. The picture is the program window's own (app/ProgramPicture.h): the caller
// hands over its drawing, so the dialog needs nothing from the program above it.
#pragma once

#include <QDialog>
#include <QImage>

#include <functional>
#include <memory>

namespace Ui {
class AboutDialog;
}

namespace ui {

class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    // open receives the site address when the user clicks it; drawPicture draws the program's
    // picture at size x size pixels (empty: no picture).
    AboutDialog(const QString& siteURL, std::function<void(const QString&)> open,
                std::function<QImage(int size)> drawPicture, QWidget* parent = nullptr);
    ~AboutDialog() override;

    std::unique_ptr<Ui::AboutDialog> Form;

    // The address the label stands for (the label itself may show it shortened).
    QString SiteAddress() const { return siteURL_; }
    void openSite();

    // The address as the label shows it: "www.example.org/page" for
    // "https://www.example.org/page/".
    static QString DisplayAddress(const QString& address);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts();
    // The caller's picture at the given size, drawn rather than loaded.
    QPixmap DrawPicture(int size) const;

    QString siteURL_;
    std::function<void(const QString&)> open_;
    std::function<QImage(int size)> drawPicture_;
};

} // namespace ui
