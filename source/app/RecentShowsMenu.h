// The recent-shows menu of the open button: the shows last opened or saved, newest first, kept in
// the settings store as soon as they change. Picking one hands it to whoever opens shows.
#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMenu;
class QToolButton;
class QWidget;

namespace ui {

class RecentShowsMenu final : public QObject {
    Q_OBJECT

public:
    // Reads the stored list and builds the menu (owned by window), dropped down from button;
    // open is called with the show picked.
    RecentShowsMenu(QWidget* window, QToolButton* button, std::function<void(const QString&)> open);

    QMenu* Menu() const { return menu_; }
    const QStringList& Paths() const { return paths_; }

    // Puts path first (a show just opened or saved) and stores the list.
    void Remember(const QString& path);
    // Drops path (a show that is gone) and stores the list.
    void Forget(const QString& path);
    // Empties the list and the store's copy.
    void clear();
    // The menu's entries from the list, in the current language.
    void Rebuild();

private:
    void Store();

    QMenu* menu_ = nullptr;
    std::function<void(const QString&)> open_;
    QStringList paths_;
};

} // namespace ui
