// The storyboard's commands on several picked photos: deleted or moved together, and the effects
// dialog's values given to them, each one step of the history.
#include "app/StoryboardCommands.h"

#include "app/SlidePicture.h"
#include "app/StripLayout.h"
#include "app/WindowDialogs.h"
#include "base/Language.h"
#include "imaging/ui/EffectsDialog.h"
#include "project/SelectionEdits.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"

namespace ui {

using base::TextKey;
using base::Tr;

std::vector<std::size_t> StoryboardCommands::SeveralPicked() const {
    const std::vector<std::size_t>& picked = view_.PickedSlides();
    return picked.size() > 1 ? picked : std::vector<std::size_t>{};
}

void StoryboardCommands::selectAllPhotos() {
    if (host_.IsBusy())
        return;
    view_.PickAllSlides();
}

void StoryboardCommands::DeletePicked(const std::vector<std::size_t>& picked) {
    if (!dialogs_.AskYesNo(
            Tr(TextKey::AskDeleteSelected, "Удалить выбранные элементы (%1)?").arg(picked.size()),
            Tr(TextKey::DeleteCaption, "Удаление")))
        return;
    if (host_.IsBusy() || picked != view_.PickedSlides())
        return; // the show or the selection changed while the question was open
    if (auto done = history_.Apply(project::RemovalsOf(picked), QStringLiteral("delete photos"));
        !done)
        dialogs_.ShowMessage(QString::fromStdString(done.error()));
}

bool StoryboardCommands::MovePickedByOne(int step) {
    const auto moves = project::MovesByOne(view_.PickedSlides(), step, show_.Slides().size());
    if (moves.empty())
        return false;
    // The view follows each move: the photos stay picked, the current one with them.
    if (!history_.Apply(moves, QStringLiteral("move photos")))
        return false;
    view_.RevealSelectedSlide();
    return true;
}

bool StoryboardCommands::MovePickedToGap(int gap) {
    if (host_.IsBusy() || gap < 0)
        return false;
    const auto moves = project::MovesToGap(view_.PickedSlides(), static_cast<std::size_t>(gap),
                                           show_.Slides().size());
    if (moves.empty() || !history_.Apply(moves, QStringLiteral("move photos")))
        return false;
    view_.LayoutPhotoStrip(PageOfSlide(view_.StripWidth(), static_cast<int>(show_.Slides().size()),
                                       view_.SelectedSlide()));
    view_.SelectSlide(view_.SelectedSlide());
    return true;
}

bool StoryboardCommands::EditPicked(const std::vector<std::size_t>& targets,
                                    const std::vector<project::SlideEdit>& edits,
                                    const QString& text) {
    if (targets.empty() || edits.empty())
        return false;
    project::ShowContent draft = show_.Content();
    auto pictures =
        project::EditSlides(draft, targets, edits, show_.Photos(), history_.KeepFolder());
    if (!pictures) {
        dialogs_.ShowMessage(QString::fromStdString(pictures.error()));
        return false;
    }
    auto changes = project::ChangesBetween(show_.Content(), draft);
    if (!changes) {
        dialogs_.ShowMessage(QString::fromStdString(changes.error()));
        return false;
    }
    if (changes->empty() && pictures->empty())
        return false;
    if (auto done = history_.Apply(std::move(*changes), text, std::move(*pictures)); !done) {
        dialogs_.ShowMessage(QString::fromStdString(done.error()));
        return false;
    }
    return true;
}

void StoryboardCommands::GiveToOthers(const EffectsDialog& dialog, const SlidePicture& picture,
                                      std::size_t index, const project::Slide& before) {
    const auto others = [&](bool all) {
        std::vector<std::size_t> targets;
        if (all) {
            for (std::size_t i = 0; i < show_.Slides().size(); ++i)
                targets.push_back(i);
        } else {
            targets = view_.PickedSlides();
        }
        std::erase(targets, index);
        return targets;
    };
    if (dialog.MotionForAll() || dialog.MotionForSelection())
        EditPicked(others(dialog.MotionForAll()), {project::MotionEdit{dialog.EditedMotion()}},
                   QStringLiteral("motion"));
    if (dialog.SecondsForSelection())
        EditPicked(others(false), {project::DurationEdit{dialog.StillMs()}},
                   QStringLiteral("duration"));
    if (dialog.PictureForSelection()) {
        // The light, colour effect and background this slide kept, in the order it kept them.
        std::vector<project::SlideEdit> edits;
        if (dialog.BackColor() != before.BackColor)
            edits.push_back(project::BackgroundEdit{dialog.BackColor()});
        for (const project::SlideEdit& edit : picture.Edits())
            if (std::holds_alternative<project::LightEdit>(edit) ||
                std::holds_alternative<project::ColorEdit>(edit))
                edits.push_back(edit);
        EditPicked(others(false), edits, QStringLiteral("picture"));
    }
}

} // namespace ui
