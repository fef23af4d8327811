// A phone's moving photo: a still and a short clip of the same name side by side
// (IMG_0001.HEIC and IMG_0001.MOV). The still comes in as the photo; its menu then offers "Use
// its clip", which puts the clip in the photo's place as one step of the history. Which photo
// has a clip beside it is known for the photos brought in while the window is open: it is no
// part of the show.
#pragma once

#include "app/ControllerHost.h"

#include <QObject>
#include <QString>

#include <map>
#include <string>

namespace project {
class ShowHistory;
class ShowModel;
class WorkFiles;
struct Slide;
} // namespace project

namespace ui {

class StoryboardView;
struct WindowDialogs;

class MovingPhotoCommand final : public QObject {
    Q_OBJECT

public:
    MovingPhotoCommand(QObject* parent, const project::ShowModel& show,
                       project::ShowHistory& history, const project::WorkFiles& files,
                       StoryboardView& view, WindowDialogs& dialogs, ControllerHost host);

    // The clip beside a photo file with the same name ("" when there is none).
    static QString ClipBeside(const QString& photo);

    // A photo came in from `path` as `slide`: its clip, if one lies beside it, is remembered.
    void Remember(const QString& path, const project::Slide& slide);
    // Whether slide `index` is a photo whose clip is known and still there.
    bool Offers(int index) const;
    // The selected photo replaced by its clip, as one step.
    void useItsClip();

private:
    const project::ShowModel& show_;
    project::ShowHistory& history_;
    const project::WorkFiles& files_;
    StoryboardView& view_;
    WindowDialogs& dialogs_;
    ControllerHost host_;
    // Each moving photo's working picture, and the clip beside its original.
    std::map<std::string, QString> clips_;
};

} // namespace ui
