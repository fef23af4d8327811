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
    Form->Image1->setPixmap(DrawPicture(Form->Image1->width()));

    // The address: underlined, navy, shortened to the label's width with the whole in the hint.
    QFont font = Form->Label3->font();
    font.setUnderline(true);
    Form->Label3->setFont(font);
    QPalette palette = Form->Label3->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    Form->Label3->setPalette(palette);
    Form->Label3->setText(QFontMetrics(font).elidedText(DisplayAddress(siteURL_), Qt::ElideMiddle,
                                                        Form->Label3->width()));
    Form->Label3->setToolTip(siteURL_);
    Form->Label3->installEventFilter(this);

    ApplyTexts();
    connect(Form->BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::ApplyTexts() {
    ApplyLanguageTexts({{TextKey::AboutTitle, this}, {TextKey::AboutOk, Form->BitBtn2}});
}

void AboutDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ApplyTexts();
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Form->Label3 && event->type() == QEvent::MouseButtonRelease &&
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
