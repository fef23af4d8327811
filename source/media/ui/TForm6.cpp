#include "media/ui/TForm6.h"

#include "project/Language.h"
#include "ui_TForm6.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace ui {

TForm6::TForm6(std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      Form(std::make_unique<Ui::TForm6>()), onCancel_(std::move(onCancel)) {
    Form->setupUi(this);
    setModal(false);
    connect(Form->BitBtn1, &QPushButton::clicked, this, [this] {
        if (onCancel_)
            onCancel_();
    });
}

TForm6::~TForm6() = default;

void TForm6::reject() {
    // Escape or closing the window asks to stop, like the button; the work hides the window.
    if (onCancel_)
        onCancel_();
}

void TForm6::ApplyLanguage() {
    Form->BitBtn1->setText(project::AppLanguage().Text(33, "Отмена"));
}

void TForm6::ShowCentered() {
    ApplyLanguage();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    show();
    raise();
}

void TForm6::SetPosition(int percent) {
    Form->ProgressBar1->setValue(percent);
}

int TForm6::Position() const {
    return Form->ProgressBar1->value();
}

void WindowProgress::Open() {
    window_.ShowCentered();
    window_.repaint();
}

void WindowProgress::SetPosition(int percent) {
    window_.SetPosition(percent);
}

void WindowProgress::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WindowProgress::Close() {
    window_.hide();
}

} // namespace ui
