#include "app/WindowMenus.h"

#include "app/ShowFileController.h"
#include "app/StoryboardCommands.h"
#include "app/VideoExportController.h"
#include "base/Language.h"
#include "base/ui/LanguageTexts.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>

#include <utility>

using base::TextKey;

namespace ui {

using base::Tr;

namespace {

// An entry of a menu, named for tests and the language table, that runs `slot` on `receiver`.
template <typename Receiver, typename Slot>
QAction* AddEntry(QMenu* menu, const char* text, const char* name, Receiver* receiver, Slot slot) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, receiver, std::move(slot));
    return action;
}

} // namespace

WindowMenus CreateWindowMenus(QWidget* parent, StoryboardCommands& commands,
                              ShowFileController& files, VideoExportController& exporter,
                              std::function<void()> openShowMusic) {
    StoryboardCommands* Commands = &commands;
    WindowMenus menus;
    QMenu* PhotoMenu = menus.Photo = new QMenu(parent);
    PhotoMenu->setObjectName("PhotoMenu");
    AddEntry(PhotoMenu, "Удалить", "DeletePhotoAction", Commands, &StoryboardCommands::deletePhoto);
    AddEntry(PhotoMenu, "Сдвинуть вправо", "MovePhotoRightAction", Commands,
             &StoryboardCommands::movePhotoRight);
    AddEntry(PhotoMenu, "Сдвинуть влево", "MovePhotoLeftAction", Commands,
             &StoryboardCommands::movePhotoLeft);
    AddEntry(PhotoMenu, "Поменять местами с…", "SwapWith", Commands,
             &StoryboardCommands::swapPhotoWith);
    Commands->AskSwapPartner = [parent](int current, int count) {
        bool ok = false;
        const int chosen = QInputDialog::getInt(
            parent, Tr(TextKey::SwapWith, "Поменять местами с…"),
            Tr(TextKey::PhotoNumber, "Номер фото:"), current, 1, count, 1, &ok);
        return ok ? chosen : 0;
    };

    QMenu* TrackMenu = menus.Track = new QMenu(parent);
    TrackMenu->setObjectName("TrackMenu");
    AddEntry(TrackMenu, "Настроить...", "TrackSettingsAction", Commands,
             &StoryboardCommands::openTrackSettings);
    AddEntry(TrackMenu, "Музыка показа...", "ShowMusicAction", parent, std::move(openShowMusic));
    TrackMenu->addSeparator();
    AddEntry(TrackMenu, "Удалить", "DeleteTrackAction", Commands, &StoryboardCommands::deleteTrack);
    AddEntry(TrackMenu, "Сдвинуть вправо", "MoveTrackRightAction", Commands,
             &StoryboardCommands::moveTrackRight);
    AddEntry(TrackMenu, "Сдвинуть влево", "MoveTrackLeftAction", Commands,
             &StoryboardCommands::moveTrackLeft);

    QMenu* SaveMenu = menus.Save = new QMenu(parent);
    SaveMenu->setObjectName("SaveMenu");
    AddEntry(SaveMenu, "Сохранить как QVS...", "SaveShowAction", &files,
             &ShowFileController::saveAsProject);
    // One entry for both video kinds: the file dialog offers AVI and MP4 together.
    AddEntry(SaveMenu, "Сохранить как видео…", "SaveVideoAction", &exporter,
             &VideoExportController::saveAsVideo);
    return menus;
}

} // namespace ui
