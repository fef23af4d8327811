#include "media/ui/ProgressWindow.h"

#include "base/Language.h"
#include "media/ExportRate.h"
#include "ui_ProgressWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using base::TextKey;

namespace ui {

ProgressWindow::ProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      Form(std::make_unique<Ui::ProgressWindow>()) {
    Form->setupUi(this);
    setModal(false);
    detail_ = new QLabel(this);
    detail_->setObjectName("Detail");
    detail_->hide();
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, detail_);
    connect(Form->BitBtn1, &QPushButton::clicked, this, &ProgressWindow::RequestCancel);
}

void ProgressWindow::RequestCancel() {
    if (job_)
        job_->RequestCancel();
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::reject() {
    // Escape or closing the window asks to stop, like the button; the work hides the window.
    RequestCancel();
}

void ProgressWindow::ApplyLanguage() {
    Form->BitBtn1->setText(base::AppLanguage().Text(TextKey::Cancel, "Отмена"));
}

void ProgressWindow::ShowCentered() {
    ApplyLanguage();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.x() + (r.width() - width()) / 2, r.y() + (r.height() - height()) / 2);
    }
    show();
    raise();
}

void ProgressWindow::SetPosition(int percent) {
    Form->ProgressBar1->setRange(0, 100);
    Form->ProgressBar1->setFormat(QStringLiteral("%p%"));
    Form->ProgressBar1->setValue(percent);
}

void ProgressWindow::SetItem(int n, int total) {
    Form->ProgressBar1->setRange(0, qMax(1, total));
    Form->ProgressBar1->setFormat(
        base::AppLanguage().Text(TextKey::ImportingProgress, "Импорт: %v из %m"));
    Form->ProgressBar1->setValue(n);
}

QString ProgressWindow::Text() const {
    return Form->ProgressBar1->text();
}

void ProgressWindow::SetDetail(const QString& text) {
    detail_->setText(text);
    detail_->setVisible(!text.isEmpty());
}

QString ProgressWindow::Detail() const {
    return detail_->text();
}

int ProgressWindow::Position() const {
    return Form->ProgressBar1->value();
}

WindowProgress::~WindowProgress() {
    window_.Attach(nullptr);
}

void WindowProgress::Show() {
    start_ = std::chrono::steady_clock::now();
    window_.SetDetail(QString());
    window_.Attach(this);
    window_.ShowCentered();
    window_.SetPosition(0); // a bar that counted items before shows a share again
    window_.repaint();
}

void WindowProgress::SetPosition(int percent) {
    window_.SetPosition(percent);
}

void WindowProgress::SetItem(int n, int total) {
    window_.SetItem(n, total);
}

void WindowProgress::Pump() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WindowProgress::Frames(std::int64_t done, std::int64_t total) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    window_.SetDetail(QString::fromStdString(media::ExportRateText(done, total, seconds)));
}

void WindowProgress::Close() {
    window_.Attach(nullptr);
    window_.hide();
}

} // namespace ui
