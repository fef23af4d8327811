#include "app/MovingPhotoCommand.h"

#include "app/StoryboardView.h"
#include "app/WindowDialogs.h"
#include "base/FileName.h"
#include "media/video/ClipImport.h"
#include "project/ClipSlides.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"

#include <QDir>
#include <QFileInfo>

#include <utility>
#include <vector>

namespace ui {

MovingPhotoCommand::MovingPhotoCommand(QObject* parent, const project::ShowModel& show,
                                       project::ShowHistory& history,
                                       const project::WorkFiles& files, StoryboardView& view,
                                       WindowDialogs& dialogs, ControllerHost host)
    : QObject(parent), show_(show), history_(history), files_(files), view_(view),
      dialogs_(dialogs), host_(std::move(host)) {}

QString MovingPhotoCommand::ClipBeside(const QString& photo) {
    const QFileInfo info(photo);
    if (project::IsClipExtension(project::ExtensionOf(base::EncodeFileName(photo))))
        return QString();
    for (const char* ext : {"mov", "mp4", "m4v", "3gp", "mkv", "webm", "avi"})
        for (const QString& spelt : {QString(ext), QString(ext).toUpper()}) {
            const QString clip = info.dir().filePath(info.completeBaseName() + "." + spelt);
            if (QFileInfo(clip).isFile())
                return clip;
        }
    return QString();
}

void MovingPhotoCommand::Remember(const QString& path, const project::Slide& slide) {
    if (!slide.Photo())
        return;
    if (const QString clip = ClipBeside(path); !clip.isEmpty())
        clips_[slide.WorkFile] = clip;
}

bool MovingPhotoCommand::Offers(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= show_.Slides().size())
        return false;
    const project::Slide& slide = show_.Slides()[static_cast<std::size_t>(index)];
    const auto found = clips_.find(slide.WorkFile);
    return slide.Photo() && found != clips_.end() && QFileInfo(found->second).isFile();
}

void MovingPhotoCommand::useItsClip() {
    const int n = view_.SelectedSlide();
    if (host_.IsBusy() || !Offers(n))
        return;
    const auto index = static_cast<std::size_t>(n);
    const project::Slide photo = show_.Slides()[index];
    // The clip comes in as any clip does, into a scratch list, and takes the photo's place with
    // the photo's transition and background.
    project::ShowContent scratch;
    const auto added = media::AddClip(scratch, files_, show_.Photos(),
                                      base::EncodeFileName(clips_.at(photo.WorkFile)));
    if (!project::Added(added)) {
        dialogs_.ShowMessage(QString::fromLocal8Bit(project::WhyNot(added).c_str()));
        return;
    }
    const project::Slide clip = scratch.Slides.back();
    auto placed = project::ClipInPlaceOf(show_.Slides(), index, clip);
    const auto drop = [&] {
        files_.Remove(clip.WorkFile);
        files_.Remove(clip.Clip()->File);
    };
    if (!placed) {
        drop();
        dialogs_.ShowMessage(QString::fromLocal8Bit(placed.error().c_str()));
        return;
    }
    if (auto done = history_.Apply({project::edit::SetSlide{index, *placed}},
                                   QStringLiteral("use its clip"));
        !done) {
        drop();
        dialogs_.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
    }
}

} // namespace ui
