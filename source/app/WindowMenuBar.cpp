#include "app/WindowMenuBar.h"

#include "app/WindowMenus.h"
#include "base/Language.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <utility>
#include <vector>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {

constexpr const char* kSeparator = nullptr;

// A command of the toolbar as an action of the window, with its key when it has one.
QAction* AddCommand(QMainWindow& window, const char* name, std::function<void()> run,
                    const QKeySequence& keys = {}) {
    auto* action = new QAction(&window);
    action->setObjectName(name);
    if (!keys.isEmpty()) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setAutoRepeat(false);
    }
    window.addAction(action);
    QObject::connect(action, &QAction::triggered, &window, std::move(run));
    return action;
}

// A menu of the bar holding the window's actions and submenus named by entries, in order.
QMenu* AddMenu(QMainWindow& window, const char* name, const std::vector<const char*>& entries) {
    QMenu* menu = window.menuBar()->addMenu(QString());
    menu->setObjectName(name);
    for (const char* entry : entries) {
        if (entry == kSeparator)
            menu->addSeparator();
        else if (auto* action = window.findChild<QAction*>(entry))
            menu->addAction(action);
        else if (auto* submenu = window.findChild<QMenu*>(entry))
            menu->addMenu(submenu);
        else // every name is a part the window made before: a missing one is a fault of the list
            qFatal("the menu bar lists %s, which the window does not have", entry);
    }
    return menu;
}

// The texts of the actions that only the menu bar names.
struct EntryText {
    const char* Action;
    TextKey Text;
    const char* Builtin;
};
const EntryText kEntryTexts[] = {
    {"NewShortcut", TextKey::NewShow, "Новое слайдшоу"},
    {"OpenShortcut", TextKey::Open, "Открыть"},
    {"SaveShortcut", TextKey::Save, "Сохранить"},
    {"SettingsAction", TextKey::Settings, "Настройки"},
    {"QuitAction", TextKey::MenuQuit, "Выход"},
    {"PreviousPhotoShortcut", TextKey::MenuPreviousPhoto, "Предыдущее фото"},
    {"NextPhotoShortcut", TextKey::MenuNextPhoto, "Следующее фото"},
    {"FirstPhotoShortcut", TextKey::MenuFirstPhoto, "Первое фото"},
    {"LastPhotoShortcut", TextKey::MenuLastPhoto, "Последнее фото"},
    {"SelectAllShortcut", TextKey::SelectAllSlides, "Выбрать все"},
    {"AddPhotosAction", TextKey::AddPhotos, "Добавить фото"},
    {"MoveRightShortcut", TextKey::MovePhotoRight, "Сдвинуть вправо"},
    {"MoveLeftShortcut", TextKey::MovePhotoLeft, "Сдвинуть влево"},
    {"AddMusicAction", TextKey::AddMusic, "Добавить музыку"},
    {"PreviewShortcut", TextKey::Preview, "Просмотр"},
    {"BurnAction", TextKey::MenuBurn, "Записать на диск…"},
    {"RefitPhotosAction", TextKey::RefitFromOriginals, "Перерисовать по оригиналам…"},
    {"HelpAction", TextKey::Help, "Справка"},
    {"AboutAction", TextKey::About, "О программе"},
};

} // namespace

WindowMenuBar CreateWindowMenuBar(QMainWindow& window, MenuBarCommands commands) {
    AddCommand(window, "AddPhotosAction", std::move(commands.AddPhotos));
    AddCommand(window, "AddMusicAction", std::move(commands.AddMusic));
    AddCommand(window, "BurnAction", std::move(commands.Burn));
    AddCommand(window, "RefitPhotosAction", std::move(commands.RefitPhotos));
    AddCommand(window, "SettingsAction", std::move(commands.Settings));
    AddCommand(window, "HelpAction", std::move(commands.Help), QKeySequence(Qt::Key_F1));
    AddCommand(window, "AboutAction", std::move(commands.About));
    AddCommand(window, "QuitAction", std::move(commands.Quit), QKeySequence(Qt::CTRL | Qt::Key_Q));

    std::vector<const char*> photo = {"AddPhotosAction", "AddTitleAction", "MakeCollageAction",
                                      kSeparator};
    for (const PhotoEditEntry& e : kPhotoEditEntries)
        photo.push_back(e.Name);
    photo.insert(photo.end(), {kSeparator, "DeletePhotoAction", "MoveRightShortcut",
                               "MoveLeftShortcut", "SwapWith", kSeparator, "RefitPhotosAction"});

    WindowMenuBar bar;
    bar.File = AddMenu(window, "FileMenu",
                       {"NewShortcut", "OpenShortcut", "RecentMenu", kSeparator, "SaveShortcut",
                        "SaveShowAction", "SaveVideoAction", kSeparator, "SettingsAction",
                        kSeparator, "QuitAction"});
    bar.Edit = AddMenu(window, "EditMenu",
                       {"UndoAction", "RedoAction", kSeparator, "PreviousPhotoShortcut",
                        "NextPhotoShortcut", "FirstPhotoShortcut", "LastPhotoShortcut",
                        "SelectAllShortcut"});
    bar.Photo = AddMenu(window, "PhotoBarMenu", photo);
    bar.Music =
        AddMenu(window, "MusicMenu",
                {"AddMusicAction", kSeparator, "TrackSettingsAction", "ShowMusicAction", kSeparator,
                 "DeleteTrackAction", "MoveTrackRightAction", "MoveTrackLeftAction"});
    bar.Show = AddMenu(window, "ShowMenu",
                       {"PreviewShortcut", kSeparator, "SaveVideoAction", "BurnAction"});
    bar.Help = AddMenu(window, "HelpMenu", {"HelpAction", "AboutAction"});
    return bar;
}

void ApplyMenuBarTexts(QMainWindow& window, const WindowMenuBar& bar) {
    bar.File->setTitle(Tr(TextKey::MenuFile, "&Файл"));
    bar.Edit->setTitle(Tr(TextKey::MenuEdit, "П&равка"));
    bar.Photo->setTitle(Tr(TextKey::MenuPhoto, "Ф&ото"));
    bar.Music->setTitle(Tr(TextKey::MenuMusic, "&Музыка"));
    bar.Show->setTitle(Tr(TextKey::MenuShow, "&Показ"));
    bar.Help->setTitle(Tr(TextKey::MenuHelp, "&Справка"));
    if (auto* recent = window.findChild<QMenu*>("RecentMenu"))
        recent->setTitle(Tr(TextKey::MenuRecentShows, "Недавние показы"));
    for (const EntryText& e : kEntryTexts)
        if (auto* action = window.findChild<QAction*>(e.Action))
            action->setText(Tr(e.Text, e.Builtin));
}

} // namespace ui
