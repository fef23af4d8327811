// The storyboard's item editors: the effects dialog of the selected photo and the settings of the
// selected track, each edit one step of the history.
#include "app/StoryboardCommands.h"

#include "app/SlidePicture.h"
#include "imaging/ui/EffectsDialog.h"
#include "media/ui/ClipEditor.h"
#include "media/ui/TrackDialog.h"
#include "project/ClipSlides.h"
#include "project/CollageSlides.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/SlideEdits.h"
#include "project/SlideKind.h"
#include "project/ui/CollageEditor.h"

#include <QPixmap>

#include <algorithm>

namespace ui {

void StoryboardCommands::openEffects(int page) {
    if (host_.IsBusy())
        return;
    if (show_.Slides().empty())
        return;
    // The clip's page is a clip's own: the page used last stays a photo's.
    if (page <= EffectsDialog::kMotionPage)
        view_.SetEffectsPage(page);
    const auto index = static_cast<std::size_t>(
        std::clamp(view_.SelectedSlide(), 0, static_cast<int>(show_.Slides().size()) - 1));
    if (EditTitle && EditTitle(index))
        return;
    // The edits rewrite the working picture when they are stored: it is kept as it is now, for
    // an undo.
    auto change = history_.BeginChange(index);
    if (!change) {
        dialogs_.ShowMessage(QString::fromLocal8Bit(change.error().c_str()));
        return;
    }
    const project::Slide slide = show_.Slides()[index];
    const QPixmap clean = view_.CleanThumbnail(index);
    const imaging::Bitmap thumbnail =
        clean.isNull() ? imaging::Bitmap() : imaging::Bitmap::CreateFromImage(clean.toImage());
    // The dialog makes its edits on a picture in memory and hands them back as values; nothing
    // of the show changes until they are stored below, through the core's one slide edit, as
    // one step of the history.
    SlidePicture picture(slide, show_.Photos(), history_.Captions());
    // Opened on the page asked for: a clip's own page is never remembered as the page used last.
    const auto opened =
        OpenEffects(slide, picture, show_.Photos().Resolution, thumbnail, page, host_.DialogParent);
    EffectsDialog& dialog = *opened;
    dialog.SetSlideIndex(static_cast<int>(index), slide.Faces() ? *slide.Faces() : std::nullopt);
    dialog.OfferSelection(static_cast<int>(view_.PickedSlides().size()));
    dialog.exec();
    project::ShowContent& draft = change->Draft;
    for (const project::SlideEdit& edit : EditsOf(slide, picture, dialog))
        if (const auto done = project::ApplySlideEdit(draft, index, edit, show_.Photos(), nullptr,
                                                      &history_.Captions());
            !done) {
            dialogs_.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
            break;
        }
    // The motion comes back as a value and is stored as the console tool stores it.
    if (dialog.EditedMotion() != draft.Slides[index].Ext.Motion)
        if (const auto moved = project::ApplySlideEdit(
                draft, index, project::MotionEdit{dialog.EditedMotion()}, show_.Photos());
            !moved)
            dialogs_.ShowMessage(QString::fromLocal8Bit(moved.error().c_str()));
    // The duration goes through the one duration edit, as every retiming does.
    const std::int64_t stillMs = dialog.StillMs();
    const std::size_t first = dialog.SecondsForAll() ? 0 : index;
    const std::size_t last = dialog.SecondsForAll() ? draft.Slides.size() : index + 1;
    // The seconds are the photos' and titles': a clip plays as long as its trim.
    for (std::size_t i = first; i < last; ++i)
        if (!project::TraitsOf(draft.Slides[i]).OwnLength && draft.Slides[i].StillMs != stillMs)
            if (const auto timed = project::ApplySlideEdit(draft, i, project::DurationEdit{stillMs},
                                                           show_.Photos());
                !timed)
                dialogs_.ShowMessage(QString::fromLocal8Bit(timed.error().c_str()));
    // A clip's trim and sound, kept when the dialog is accepted: its still is worked out again
    // from the trim, after any other retiming.
    if (const auto* clip = qobject_cast<const ClipEditor*>(dialog.ClipEditor());
        clip && dialog.result() == QDialog::Accepted && clip->Clip() != *slide.Clip()) {
        if (auto clipped = project::SetClip(draft.Slides, index, clip->Clip()))
            draft.Slides[index] = std::move(*clipped);
        else
            dialogs_.ShowMessage(QString::fromLocal8Bit(clipped.error().c_str()));
    }
    // A collage's layout and order: its record picture drawn again (the step keeps the old one).
    if (const auto* collage = qobject_cast<const CollageEditor*>(dialog.CollageEditor());
        collage && dialog.result() == QDialog::Accepted && collage->Collage() != *slide.Collage())
        if (const auto edited =
                project::EditCollage(draft, index, collage->Collage(), show_.Photos());
            !edited)
            dialogs_.ShowMessage(QString::fromStdString(edited.error()));
    // Values given to other slides too are a part of the same step.
    const bool others = dialog.MotionForAll() || dialog.MotionForSelection() ||
                        dialog.SecondsForSelection() || dialog.PictureForSelection();
    if (others)
        history_.BeginBatch(QStringLiteral("effects"));
    if (auto done = history_.Commit(std::move(*change), QStringLiteral("effects")); !done)
        dialogs_.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
    if (others) {
        GiveToOthers(dialog, picture, index, slide);
        history_.EndBatch();
    }
    NoteLongTransitions();
    view_.LayoutPhotoStrip(view_.SlidePage());
    view_.SelectSlide(view_.SelectedSlide());
}

void StoryboardCommands::openTrackSettings() {
    if (host_.IsBusy())
        return;
    const int n = view_.SelectedSound();
    if (n < 0 || n >= static_cast<int>(show_.Sounds().size()))
        return;
    const auto index = static_cast<std::size_t>(n);
    auto change = history_.BeginChange();
    if (!change)
        return;
    TrackDialog dialog(show_.Sounds()[index], host_.DialogParent);
    connect(this, &StoryboardCommands::trackPlaybackFinished, &dialog, &TrackDialog::PlaybackEnded);
    dialog.exec();
    // The volume and fades are the track's whichever way the dialog was closed, as it was heard.
    project::Track& track = change->Draft.Sounds[index];
    track.Volume = dialog.Volume();
    track.Ext.FadeInSeconds = dialog.FadeInSeconds();
    track.Ext.FadeOutSeconds = dialog.FadeOutSeconds();
    if (auto done = history_.Commit(std::move(*change), QStringLiteral("track")); !done)
        dialogs_.ShowMessage(QString::fromLocal8Bit(done.error().c_str()));
}

} // namespace ui
