#include "app/RecentShowsMenu.h"

#include "base/Language.h"
#include "project/RecentShows.h"
#include "project/Settings.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QToolButton>

using base::TextKey;

namespace ui {

RecentShowsMenu::RecentShowsMenu(QWidget* window, QToolButton* button,
                                 std::function<void(const QString&)> open)
    : QObject(window), menu_(new QMenu(window)), open_(std::move(open)) {
    menu_->setObjectName("RecentMenu");
    // The stored list passes through the same rules as a new entry: clean, unique, limited.
    const QStringList stored = project::ReadRecentShows();
    for (auto it = stored.crbegin(); it != stored.crend(); ++it)
        paths_ = project::AddRecentShow(paths_, *it);
    // The open button drops the menu down from its arrow; a click on the button still opens.
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setMenu(menu_);
    // Texts follow the language in use when the menu opens.
    connect(menu_, &QMenu::aboutToShow, this, &RecentShowsMenu::Rebuild);
    Rebuild();
}

void RecentShowsMenu::Remember(const QString& path) {
    paths_ = project::AddRecentShow(paths_, path);
    Store();
}

void RecentShowsMenu::Forget(const QString& path) {
    paths_ = project::RemoveRecentShow(paths_, path);
    Store();
}

void RecentShowsMenu::clear() {
    paths_.clear();
    Store();
}

void RecentShowsMenu::Store() {
    // A store that cannot be written keeps the list for this run only.
    (void)project::WriteRecentShows(paths_);
    Rebuild();
}

void RecentShowsMenu::Rebuild() {
    const base::Language& texts = base::AppLanguage();
    menu_->clear();
    if (paths_.isEmpty()) {
        QAction* none =
            menu_->addAction(texts.Text(TextKey::NoRecentShows, "Нет недавних слайдшоу"));
        none->setObjectName("RecentNone");
        none->setEnabled(false);
        return;
    }
    for (int i = 0; i < paths_.size(); ++i) {
        const QString path = paths_[i];
        QAction* entry = menu_->addAction(project::RecentShowEntryText(i, path));
        entry->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
        entry->setToolTip(QDir::toNativeSeparators(path));
        entry->setStatusTip(QDir::toNativeSeparators(path));
        // Queued: the menu is torn down and rebuilt while the show opens.
        connect(
            entry, &QAction::triggered, this, [this, path] { open_(path); }, Qt::QueuedConnection);
    }
    menu_->setToolTipsVisible(true);
    menu_->addSeparator();
    QAction* clearList = menu_->addAction(texts.Text(TextKey::ClearRecentShows, "Очистить список"));
    clearList->setObjectName("RecentClear");
    connect(clearList, &QAction::triggered, this, &RecentShowsMenu::clear, Qt::QueuedConnection);
}

} // namespace ui
