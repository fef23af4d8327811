#include "app/WindowMenus.h"

#include "app/ShowFileController.h"
#include "app/StoryboardCommands.h"
#include "app/VideoExportController.h"
#include "base/ui/LanguageTexts.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>

#include <utility>

using base::TextKey;

namespace ui {

using base::Tr;

WindowMenus CreateWindowMenus(QWidget* parent, StoryboardCommands& commands,
                              ShowFileController& files, VideoExportController& exporter,
                              std::function<void()> openShowMusic) {
    StoryboardCommands* Commands = &commands;
    WindowMenus menus;
    QMenu* PhotoMenu = menus.Photo = new QMenu(parent);
    PhotoMenu->setObjectName("PhotoMenu");
    auto* deletePhoto = PhotoMenu->addAction("Удалить");
    deletePhoto->setObjectName("DeletePhotoAction");
    auto* movePhotoRight = PhotoMenu->addAction("Сдвинуть вправо");
    movePhotoRight->setObjectName("MovePhotoRightAction");
    auto* movePhotoLeft = PhotoMenu->addAction("Сдвинуть влево");
    movePhotoLeft->setObjectName("MovePhotoLeftAction");
    QObject::connect(deletePhoto, &QAction::triggered, Commands, &StoryboardCommands::deletePhoto);
    QObject::connect(movePhotoRight, &QAction::triggered, Commands,
                     &StoryboardCommands::movePhotoRight);
    QObject::connect(movePhotoLeft, &QAction::triggered, Commands,
                     &StoryboardCommands::movePhotoLeft);
    auto* swap = PhotoMenu->addAction(QString::fromUtf8("Поменять местами с…"));
    swap->setObjectName("SwapWith");
    QObject::connect(swap, &QAction::triggered, Commands, &StoryboardCommands::swapPhotoWith);
    Commands->AskSwapPartner = [parent](int current, int count) {
        bool ok = false;
        const int chosen = QInputDialog::getInt(
            parent, Tr(TextKey::SwapWith, "Поменять местами с…"),
            Tr(TextKey::PhotoNumber, "Номер фото:"), current, 1, count, 1, &ok);
        return ok ? chosen : 0;
    };

    QMenu* TrackMenu = menus.Track = new QMenu(parent);
    TrackMenu->setObjectName("TrackMenu");
    auto* trackSettings = TrackMenu->addAction("Настроить...");
    trackSettings->setObjectName("TrackSettingsAction");
    auto* showMusic = TrackMenu->addAction("Музыка показа...");
    showMusic->setObjectName("ShowMusicAction");
    QObject::connect(showMusic, &QAction::triggered, parent, std::move(openShowMusic));
    TrackMenu->addSeparator();
    auto* deleteTrack = TrackMenu->addAction("Удалить");
    deleteTrack->setObjectName("DeleteTrackAction");
    auto* moveTrackRight = TrackMenu->addAction("Сдвинуть вправо");
    moveTrackRight->setObjectName("MoveTrackRightAction");
    auto* moveTrackLeft = TrackMenu->addAction("Сдвинуть влево");
    moveTrackLeft->setObjectName("MoveTrackLeftAction");
    QObject::connect(trackSettings, &QAction::triggered, Commands,
                     &StoryboardCommands::openTrackSettings);
    QObject::connect(deleteTrack, &QAction::triggered, Commands, &StoryboardCommands::deleteTrack);
    QObject::connect(moveTrackRight, &QAction::triggered, Commands,
                     &StoryboardCommands::moveTrackRight);
    QObject::connect(moveTrackLeft, &QAction::triggered, Commands,
                     &StoryboardCommands::moveTrackLeft);

    QMenu* SaveMenu = menus.Save = new QMenu(parent);
    SaveMenu->setObjectName("SaveMenu");
    auto* saveShow = SaveMenu->addAction("Сохранить как QVS...");
    saveShow->setObjectName("SaveShowAction");
    // One entry for both video kinds: the file dialog offers AVI and MP4 together.
    auto* saveVideo = SaveMenu->addAction("Сохранить как видео…");
    saveVideo->setObjectName("SaveVideoAction");
    QObject::connect(saveShow, &QAction::triggered, &files, &ShowFileController::saveAsProject);
    QObject::connect(saveVideo, &QAction::triggered, &exporter,
                     &VideoExportController::saveAsVideo);
    return menus;
}

} // namespace ui
