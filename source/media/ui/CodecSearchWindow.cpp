#include "media/ui/CodecSearchWindow.h"

#include "base/Language.h"
#include "ui_CodecSearchWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

using base::TextKey;

namespace ui {

CodecSearchWindow::CodecSearchWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint),
      Form(std::make_unique<Ui::CodecSearchWindow>()) {
    Form->setupUi(this);
    Form->iconLabel->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32));
    ApplyLanguage();
}

CodecSearchWindow::~CodecSearchWindow() = default;

void CodecSearchWindow::ApplyLanguage() {
    QString text = base::AppLanguage().Text(
        TextKey::AviLookingForCodecs, "Идет поиск установленных кодеков.\r\nПожалуйста подождите.");
    Form->messageLabel->setText(text.replace("\r\n", "\n"));
}

void CodecSearchWindow::ShowNow() {
    ApplyLanguage();
    adjustSize();
    const QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (over)
        area = over->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    move(area.center() - rect().center());
    show();
    raise();
}

} // namespace ui
