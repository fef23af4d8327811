#include "app/HelpWindow.h"

#include "base/Language.h"
#include "base/ProgramFolder.h"
#include "imaging/ui/EffectsDialog.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <cstring>
#include <utility>

using base::TextKey;

namespace ui {

HelpWindow::HelpWindow(std::function<void(const QString&)> openExternal, QWidget* parent)
    : QDialog(parent), openExternal_(std::move(openExternal)) {
    setObjectName("HelpWindow");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(base::Tr(TextKey::Help, "Справка"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("HelpBrowser");
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    // Anchors and the help's own files stay in the window; anything else goes to the desktop.
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() || url.isLocalFile())
            return;
        browser_->setSource(browser_->source()); // stays where it was
        if (openExternal_)
            openExternal_(url.toString());
    });
    resize(760, 620);
}

bool HelpWindow::ShowSection(const QString& file, const QString& section) {
    if (!QFileInfo::exists(file))
        return false;
    QUrl url = QUrl::fromLocalFile(file);
    if (!section.isEmpty())
        url.setFragment(section);
    browser_->setSource(url);
    if (!section.isEmpty())
        browser_->scrollToAnchor(section);
    return true;
}

QString HelpFile() {
    const QString folder = base::ProgramFolder() + QStringLiteral("help/");
    // The texts' language, told by a text every language file has: the Cancel button's.
    const bool russian =
        base::AppLanguage().Text(TextKey::Cancel, "Отмена") == QString::fromUtf8("Отмена");
    if (russian && QFileInfo::exists(folder + QStringLiteral("help-ru.html")))
        return folder + QStringLiteral("help-ru.html");
    return folder + QStringLiteral("help.html");
}

QString HelpSectionFor(const QWidget* window) {
    if (!window)
        return {};
    if (const auto* effects = qobject_cast<const EffectsDialog*>(window)) {
        if (effects->OpenPage() == 0)
            return QStringLiteral("crop");
        if (effects->OpenPage() == EffectsDialog::kMotionPage)
            return QStringLiteral("motion");
        return QStringLiteral("edit");
    }
    struct Section {
        const char* Class;
        const char* Anchor;
    };
    static constexpr Section kSections[] = {
        {"ui::TransitionDialog", "transitions"},
        {"ui::TitleDialog", "titles"},
        {"ui::ShowMusicDialog", "music-options"},
        {"ui::TrackDialog", "music"},
        {"ui::Mp4ExportDialog", "mp4"},
        {"ui::VideoExportDialog", "video"},
        {"ui::DiscDialog", "disc"},
        {"ui::SettingsDialog", "settings"},
    };
    const char* name = window->metaObject()->className();
    for (const Section& s : kSections)
        if (std::strcmp(name, s.Class) == 0)
            return QString::fromLatin1(s.Anchor);
    return {};
}

} // namespace ui
