#include "project/ui/AboutDialog.h"

#include "base/ui/LanguageTexts.h"
#include "ui_AboutDialog.h"

#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

using base::TextKey;

namespace ui {

AboutDialog::AboutDialog(const QString& siteURL, std::function<void(const QString&)> open,
                         std::function<QImage(int size)> drawPicture, QWidget* parent)
    : QDialog(parent), Form(std::make_unique<Ui::AboutDialog>()), siteURL_(siteURL),
      open_(std::move(open)), drawPicture_(std::move(drawPicture)) {
    Form->setupUi(this);
    setFixedSize(size());
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    Form->pictureLabel->setPixmap(DrawPicture(Form->pictureLabel->width()));

    // The address: underlined, navy, shortened to the label's width with the whole in the hint.
    QFont font = Form->siteLink->font();
    font.setUnderline(true);
    Form->siteLink->setFont(font);
    QPalette palette = Form->siteLink->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Form->siteLink->setPalette(palette);
    Form->siteLink->setText(QFontMetrics(font).elidedText(DisplayAddress(siteURL_), Qt::ElideMiddle,
                                                          Form->siteLink->width()));
    Form->siteLink->setToolTip(siteURL_);
    Form->siteLink->installEventFilter(this);

    ApplyTexts();
    connect(Form->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::ApplyTexts() {
    ApplyLanguageTexts({{TextKey::AboutTitle, this}, {TextKey::AboutOk, Form->okButton}});
}

void AboutDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyTexts();
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Form->siteLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        openSite();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::openSite() {
    // The opener tells the user itself when no program takes the address.
    if (open_ && !siteURL_.isEmpty())
        open_(siteURL_);
}

QString AboutDialog::DisplayAddress(const QString& address) {
    // As addresses are written on a page: without the web scheme and the closing "/". A local
    // file shows as its path.
    const QUrl url(address);
    if (url.isLocalFile())
        return QDir::toNativeSeparators(url.toLocalFile());
    QString shown = address;
    for (const QString& scheme : {QStringLiteral("https://"), QStringLiteral("http://")})
        if (shown.startsWith(scheme, Qt::CaseInsensitive)) {
            shown.remove(0, scheme.size());
            break;
        }
    if (shown.endsWith('/'))
        shown.chop(1);
    return shown;
}

QPixmap AboutDialog::DrawPicture(int size) const {
    return drawPicture_ ? QPixmap::fromImage(drawPicture_(size)) : QPixmap();
}

} // namespace ui
