#include "app/TitleCommands.h"

#include "app/StoryboardView.h"
#include "app/WindowDialogs.h"
#include "imaging/Compose.h"
#include "imaging/ui/TitleDialog.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/SlideEdits.h"
#include "project/TitleSlides.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace ui {

namespace {

constexpr std::int64_t kNewTitleMs = 4000;
// The shape the editor's preview keeps: today's screens.
const QSize kPreviewFrame(1920, 1080);

std::int64_t MsOf(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * 10.0)) * 100;
}

} // namespace

TitleCommands::TitleCommands(QObject* parent, const project::ShowModel& show,
                             project::ShowHistory& history, const project::WorkFiles& files,
                             StoryboardView& view, WindowDialogs& dialogs, ControllerHost host)
    : QObject(parent), show_(show), history_(history), files_(files), view_(view),
      dialogs_(dialogs), host_(std::move(host)) {
    RunDialog = [](TitleDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

bool TitleCommands::IsTitle(int index) const {
    const auto& slides = show_.Slides();
    return index >= 0 && static_cast<std::size_t>(index) < slides.size() &&
           slides[static_cast<std::size_t>(index)].Title() != nullptr;
}

void TitleCommands::addTitle() {
    if (host_.IsBusy())
        return;
    const std::vector<project::Slide> slides = show_.Slides();
    const int selected = view_.SelectedSlide();
    const std::size_t before = selected >= 0 && static_cast<std::size_t>(selected) < slides.size()
                                   ? static_cast<std::size_t>(selected)
                                   : 0;
    // The photo it comes before is what a blurred backdrop shows.
    std::optional<imaging::Bitmap> next;
    if (before < slides.size())
        if (auto read = imaging::LoadSlidePicture(slides[before].WorkFile))
            next = std::move(*read);
    imaging::TitleSettings title;
    TitleDialog dialog(title, kNewTitleMs / 1000.0, next ? &*next : nullptr, kPreviewFrame,
                       host_.DialogParent);
    if (!RunDialog(dialog))
        return;
    auto made = project::MakeTitleSlide(slides, before, dialog.Title(), MsOf(dialog.Seconds()),
                                        files_, show_.Photos());
    if (!made) {
        dialogs_.ShowMessage(QString::fromStdString(made.error()));
        return;
    }
    if (auto applied = history_.Apply({project::edit::InsertSlide{before, std::move(*made)}},
                                      QStringLiteral("add title"));
        !applied)
        dialogs_.ShowMessage(QString::fromStdString(applied.error()));
}

void TitleCommands::editTitle(int index) {
    if (host_.IsBusy() || !IsTitle(index))
        return;
    const auto i = static_cast<std::size_t>(index);
    // The card is drawn anew: the step keeps the one it replaces, for an undo.
    auto change = history_.BeginChange(i);
    if (!change) {
        dialogs_.ShowMessage(QString::fromStdString(change.error()));
        return;
    }
    project::ShowContent& draft = change->Draft;
    std::optional<imaging::Bitmap> next;
    if (i + 1 < draft.Slides.size())
        if (auto read = imaging::LoadSlidePicture(draft.Slides[i + 1].WorkFile))
            next = std::move(*read);
    TitleDialog dialog(*draft.Slides[i].Title(),
                       static_cast<double>(draft.Slides[i].StillMs) / 1000.0,
                       next ? &*next : nullptr, kPreviewFrame, host_.DialogParent);
    if (!RunDialog(dialog))
        return;
    if (auto timed = project::ApplySlideEdit(
            draft, i, project::DurationEdit{MsOf(dialog.Seconds()), project::DurationEdit::kKeep},
            show_.Photos());
        !timed) {
        dialogs_.ShowMessage(QString::fromStdString(timed.error()));
        return;
    }
    if (auto edited = project::EditTitle(draft, i, dialog.Title(), show_.Photos()); !edited) {
        dialogs_.ShowMessage(QString::fromStdString(edited.error()));
        return;
    }
    if (auto done = history_.Commit(std::move(*change), QStringLiteral("title")); !done)
        dialogs_.ShowMessage(QString::fromStdString(done.error()));
}

} // namespace ui
