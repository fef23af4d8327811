#include "app/StoryboardCommands.h"

#include "app/StripCells.h"
#include "app/StripLayout.h"
#include "app/WindowDialogs.h"
#include "base/Language.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/TransitionChoice.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace ui {

using base::TextKey;
using base::Tr;

StoryboardCommands::StoryboardCommands(QObject* parent, const project::ShowModel& show,
                                       project::ShowHistory& history, StoryboardView& view,
                                       WindowDialogs& dialogs, ControllerHost host)
    : QObject(parent), show_(show), history_(history), view_(view), dialogs_(dialogs),
      host_(std::move(host)) {}

void StoryboardCommands::NoteLongTransitions() {
    const std::string english = project::LongTransitionWarning(show_);
    if (english.empty())
        return;
    const bool russian =
        base::AppLanguage().Text(TextKey::Cancel, "Отмена") == QString::fromUtf8("Отмена");
    host_.Tell(russian ? QString::fromUtf8("Переход длиннее снимка до или после него: он идёт, "
                                           "как задан, поверх времени снимков.")
                       : QString::fromStdString(english).replace(0, 1, "T"));
}

void StoryboardCommands::previousStripPage() {
    if (host_.IsBusy())
        return;
    if (view_.SlidePage() == 0)
        return;
    view_.LayoutPhotoStrip(view_.SlidePage() - 1);
    view_.SelectSlide(view_.SelectedSlide());
}

void StoryboardCommands::nextStripPage() {
    if (host_.IsBusy())
        return;
    const long long perPage = view_.StripWidth() / kCellWidth;
    int page = view_.SlidePage();
    if (static_cast<long long>(show_.Slides().size()) >= perPage * (page + 1) + 1)
        ++page;
    view_.LayoutPhotoStrip(page);
    view_.SelectSlide(view_.SelectedSlide());
}

void StoryboardCommands::deletePhoto() {
    if (host_.IsBusy())
        return;
    if (const auto picked = SeveralPicked(); !picked.empty()) {
        DeletePicked(picked);
        return;
    }
    const int n = view_.SelectedSlide();
    if (n < 0 || n >= static_cast<int>(show_.Slides().size()))
        return;
    // Every answer but No deletes.
    if (!dialogs_.AskYesNo(Tr(TextKey::AskDelete, "Удалить выбранный элемент?"),
                           Tr(TextKey::DeleteCaption, "Удаление")))
        return;
    // The question let events in: the show may have changed meanwhile.
    if (host_.IsBusy() || n >= static_cast<int>(show_.Slides().size()))
        return;
    // The step lays the strip out and selects the photo now at that place (the preview shows
    // the empty show when none is left).
    if (const auto deleted = history_.DeleteSlide(static_cast<std::size_t>(n)); !deleted)
        dialogs_.ShowMessage(QString::fromLocal8Bit(deleted.error().c_str()));
}

void StoryboardCommands::movePhotoRight() {
    if (host_.IsBusy())
        return;
    if (!SeveralPicked().empty()) {
        MovePickedByOne(1);
        return;
    }
    // The selection stays at its place, now on the neighbour.
    const int n = view_.SelectedSlide();
    if (n < 0 || n + 1 >= static_cast<int>(show_.Slides().size()))
        return;
    ShowFailure(
        history_.MoveSlide(static_cast<std::size_t>(n), static_cast<std::size_t>(n + 1), {n, n}));
}

void StoryboardCommands::movePhotoLeft() {
    if (host_.IsBusy())
        return;
    if (!SeveralPicked().empty()) {
        MovePickedByOne(-1);
        return;
    }
    const int n = view_.SelectedSlide();
    if (n < 1 || n >= static_cast<int>(show_.Slides().size()))
        return;
    ShowFailure(
        history_.MoveSlide(static_cast<std::size_t>(n), static_cast<std::size_t>(n - 1), {n, n}));
}

void StoryboardCommands::ShowFailure(const base::Status& done) {
    if (!done)
        dialogs_.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
}

void StoryboardCommands::deleteTrack() {
    if (host_.IsBusy())
        return;
    const int n = view_.SelectedSound();
    if (n < 0 || n >= static_cast<int>(show_.Sounds().size()))
        return;
    if (!dialogs_.AskYesNo(Tr(TextKey::AskDelete, "Удалить выбранный элемент?"),
                           Tr(TextKey::DeleteCaption, "Удаление")))
        return;
    if (host_.IsBusy() || n >= static_cast<int>(show_.Sounds().size()))
        return;
    if (const auto deleted = history_.DeleteTrack(static_cast<std::size_t>(n)); !deleted)
        dialogs_.ShowMessage(QString::fromLocal8Bit(deleted.error().c_str()));
}

void StoryboardCommands::moveTrackRight() {
    if (host_.IsBusy())
        return;
    const int n = view_.SelectedSound();
    if (n < 0 || n + 1 >= static_cast<int>(show_.Sounds().size()))
        return;
    ShowFailure(
        history_.MoveTrack(static_cast<std::size_t>(n), static_cast<std::size_t>(n + 1), {n, n}));
}

void StoryboardCommands::moveTrackLeft() {
    if (host_.IsBusy())
        return;
    const int n = view_.SelectedSound();
    if (n < 1 || n >= static_cast<int>(show_.Sounds().size()))
        return;
    ShowFailure(
        history_.MoveTrack(static_cast<std::size_t>(n), static_cast<std::size_t>(n - 1), {n, n}));
}

void StoryboardCommands::swapPhotoWith() {
    if (host_.IsBusy())
        return;
    const int count = static_cast<int>(show_.Slides().size());
    const int selected = view_.SelectedSlide();
    if (selected < 0 || selected >= count || count < 2)
        return;
    const int partner = AskSwapPartner(selected + 1, count);
    if (partner < 1 || partner > count || partner == selected + 1 || host_.IsBusy())
        return;
    // The selected photo takes the partner's place and stays selected there.
    ShowFailure(history_.SwapSlides(static_cast<std::size_t>(partner - 1),
                                    static_cast<std::size_t>(selected), {selected, partner - 1}));
    view_.ShowSlide(partner - 1);
}

void StoryboardCommands::selectPhoto(int index) {
    if (host_.IsBusy() || show_.Slides().empty())
        return;
    const int last = static_cast<int>(show_.Slides().size()) - 1;
    const bool thumbnailFocused = qobject_cast<ThumbImage*>(QApplication::focusWidget()) != nullptr;
    view_.ShowSlide(std::clamp(index, 0, last));
    if (thumbnailFocused)
        if (QWidget* thumb = view_.PhotoCellWidget(static_cast<std::size_t>(view_.SelectedSlide()),
                                                   StoryboardView::PhotoPart::Thumb))
            thumb->setFocus(Qt::OtherFocusReason);
}

bool StoryboardCommands::MovePhoto(int from, int to) {
    // One step of the undo history, which leaves the moved photo selected.
    if (host_.IsBusy() || from < 0 || to < 0)
        return false;
    if (auto moved = history_.MoveSlide(static_cast<std::size_t>(from),
                                        static_cast<std::size_t>(to), {view_.SelectedSlide(), to});
        !moved)
        return false;
    // The strip is drawn again in the new order, on the page that shows the moved photo.
    view_.LayoutPhotoStrip(
        PageOfSlide(view_.StripWidth(), static_cast<int>(show_.Slides().size()), to));
    view_.SelectSlide(to);
    return true;
}

} // namespace ui
