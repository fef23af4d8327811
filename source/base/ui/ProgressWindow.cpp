#include "base/ui/ProgressWindow.h"

#include "base/Language.h"
#include "ui_ProgressWindow.h"

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
    connect(Form->cancelButton, &QPushButton::clicked, this, &ProgressWindow::RequestCancel);
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
    Form->cancelButton->setText(base::AppLanguage().Text(TextKey::Cancel, "Отмена"));
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
    Form->progressBar->setRange(0, 100);
    Form->progressBar->setFormat(QStringLiteral("%p%"));
    Form->progressBar->setValue(percent);
}

void ProgressWindow::SetItem(int n, int total) {
    Form->progressBar->setRange(0, qMax(1, total));
    Form->progressBar->setFormat(
        base::AppLanguage().Text(TextKey::ImportingProgress, "Импорт: %v из %m"));
    Form->progressBar->setValue(n);
}

QString ProgressWindow::Text() const {
    return Form->progressBar->text();
}

void ProgressWindow::SetDetail(const QString& text) {
    detail_->setText(text);
    detail_->setVisible(!text.isEmpty());
}

QString ProgressWindow::Detail() const {
    return detail_->text();
}

int ProgressWindow::Position() const {
    return Form->progressBar->value();
}

namespace {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

WindowProgress::WindowProgress(ProgressWindow& window) : window_(&window), startNs_(NowNs()) {}

WindowProgress::~WindowProgress() {
    // Destroyed on the window's thread once the job is over: Cancel no longer reaches it.
    if (window_)
        window_->Detach(this);
}

void WindowProgress::Post(std::function<void(ProgressWindow&)> what) {
    ProgressWindow* window = window_.data();
    if (!window)
        return;
    QMetaObject::invokeMethod(
        window, [window, what = std::move(what)] { what(*window); }, Qt::QueuedConnection);
}

void WindowProgress::Show() {
    startNs_.store(NowNs());
    lastPercent_.store(0);
    Post([](ProgressWindow& w) {
        w.SetDetail(QString());
        w.ShowCentered();
        w.SetPosition(0); // a bar that counted items before shows a share again
    });
}

void WindowProgress::SetPosition(int percent) {
    if (lastPercent_.exchange(percent) == percent)
        return;
    Post([percent](ProgressWindow& w) { w.SetPosition(percent); });
}

void WindowProgress::SetItem(int n, int total) {
    lastPercent_.store(-1);
    Post([n, total](ProgressWindow& w) { w.SetItem(n, total); });
}

void WindowProgress::SetDetail(const QString& text) {
    Post([text](ProgressWindow& w) { w.SetDetail(text); });
}

double WindowProgress::ElapsedSeconds() const {
    return static_cast<double>(NowNs() - startNs_.load()) / 1e9;
}

void WindowProgress::Pump() {
    if (AfterBlock)
        AfterBlock();
}

void WindowProgress::Close() {
    lastPercent_.store(-1);
    Post([](ProgressWindow& w) { w.hide(); });
}

} // namespace ui
