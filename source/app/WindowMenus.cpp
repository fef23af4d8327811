#include "app/WindowMenus.h"

#include "app/Icons.h"
#include "app/ShowFileController.h"
#include "app/StoryboardCommands.h"
#include "app/TransitionIcons.h"
#include "app/VideoExportController.h"
#include "base/Language.h"
#include "base/ui/LanguageTexts.h"

#include <QAction>
#include <QIcon>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

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

// The key acts in the whole window, not only while the menu is open; a held key acts once.
void WindowKey(QWidget* window, QAction* action, const QKeySequence& keys) {
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setAutoRepeat(false);
    window->addAction(action);
}

// A small picture for the edits the toolbar has no icon for.
QIcon DrawnIcon(const std::function<void(QPainter&)>& draw) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return QIcon(pm);
}

QIcon PhotoEditIcon(int icon) {
    switch (icon) {
    case 0:
        return MakeIcon(IconKind::Crop, 16);
    case 1:
        return MakeIcon(IconKind::Text, 16);
    case 2:
        return MakeIcon(IconKind::Rotate, 16);
    case 3:
        return MakeIcon(IconKind::Light, 16);
    case 4:
        return MakeIcon(IconKind::Colors, 16);
    case 5:
        return MakeIcon(IconKind::Duration, 16);
    case 6: // motion: a frame's corners and the way it moves
        return DrawnIcon([](QPainter& p) {
            p.setPen(QPen(QColor(40, 60, 90), 1.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3, 13), QPointF(13, 3));
            p.drawLine(QPointF(13, 3), QPointF(9, 3));
            p.drawLine(QPointF(13, 3), QPointF(13, 7));
            p.drawLine(QPointF(3, 13), QPointF(7, 13));
            p.drawLine(QPointF(3, 13), QPointF(3, 9));
        });
    case PhotoEditEntry::kChooser:
        return QIcon(TransitionIcon(2, 16, Qt::white));
    default: // the background: a swatch
        return DrawnIcon([](QPainter& p) {
            p.setPen(QColor(40, 60, 90));
            p.setBrush(QColor(30, 30, 30));
            p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 2, 2);
        });
    }
}

} // namespace

// Alt and a digit: the toolbar's order, then motion, the transition and the background (the
// colour page holds the background's colour).
const PhotoEditEntry kPhotoEditEntries[9] = {
    {0, 0, "CropAction", TextKey::Crop, "Кадрирование", Qt::ALT | Qt::Key_1},
    {1, 1, "CaptionAction", TextKey::Caption, "Текст", Qt::ALT | Qt::Key_2},
    {2, 2, "TurnAction", TextKey::Rotate, "Поворот", Qt::ALT | Qt::Key_3},
    {3, 3, "LightAction", TextKey::Lighting, "Освещенность", Qt::ALT | Qt::Key_4},
    {4, 4, "ColourAction", TextKey::ColourEffects, "Цветовые эффекты", Qt::ALT | Qt::Key_5},
    {6, 6, "MotionAction", TextKey::MotionTitle, "Движение", Qt::ALT | Qt::Key_6},
    {5, 5, "DurationAction", TextKey::Duration, "Длительность", Qt::ALT | Qt::Key_7},
    {PhotoEditEntry::kChooser, PhotoEditEntry::kChooser, "TransitionAction",
     TextKey::TransitionTitle, "Эффекты перехода", Qt::ALT | Qt::Key_8},
    {4, 7, "BackgroundAction", TextKey::EffectsBackgroundColour, "Цвет фона", Qt::ALT | Qt::Key_9},
};

WindowMenus CreateWindowMenus(QWidget* parent, StoryboardCommands& commands,
                              ShowFileController& files, VideoExportController& exporter,
                              std::function<void()> openShowMusic,
                              std::function<void()> chooseTransition) {
    StoryboardCommands* Commands = &commands;
    WindowMenus menus;
    QMenu* PhotoMenu = menus.Photo = new QMenu(parent);
    PhotoMenu->setObjectName("PhotoMenu");
    for (const PhotoEditEntry& e : kPhotoEditEntries) {
        QAction* action =
            e.Page == PhotoEditEntry::kChooser
                ? AddEntry(PhotoMenu, e.Builtin, e.Name, parent, chooseTransition)
                : AddEntry(PhotoMenu, e.Builtin, e.Name, Commands,
                           [Commands, page = e.Page] { Commands->openEffects(page); });
        action->setIcon(PhotoEditIcon(e.Icon));
        WindowKey(parent, action, QKeySequence(e.Keys));
    }
    PhotoMenu->addSeparator();
    QAction* deletePhoto = AddEntry(PhotoMenu, "Удалить", "DeletePhotoAction", Commands,
                                    &StoryboardCommands::deletePhoto);
    WindowKey(parent, deletePhoto, QKeySequence(Qt::Key_Delete));
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
    QAction* saveVideo = AddEntry(SaveMenu, "Сохранить как видео…", "SaveVideoAction", &exporter,
                                  &VideoExportController::saveAsVideo);
    WindowKey(parent, saveVideo, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    return menus;
}

} // namespace ui
