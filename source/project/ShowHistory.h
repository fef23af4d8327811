// The undo history of the open show and its one way in: every change is a list of edits passed to
// Apply, which checks them all, makes them as one step (the step's redo does the work) and so
// announces each change once. Items taken out and pictures an editor replaced are kept in the
// history's folder, so an undo gives back the same bytes. The clean mark tells whether the show
// has unsaved changes.
#pragma once

#include "base/Result.h"
#include "project/CaptionBases.h"
#include "project/HistorySteps.h"
#include "project/ParkedFile.h"
#include "project/ShowEdit.h"
#include "project/ShowModel.h"
#include "project/WorkFiles.h"

#include <QString>
#include <QUndoStack>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace project {

class ShowHistory {
public:
    ShowHistory(ShowModel& show, const WorkFiles& files);
    ShowHistory(const ShowHistory&) = delete;
    ShowHistory& operator=(const ShowHistory&) = delete;
    ~ShowHistory();

    // The folder (ending with '/') where removed items and replaced pictures are kept; without
    // one, edits that put items in or take them out are refused.
    void SetKeepFolder(const std::string& folder) {
        keepFolder_ = folder;
        captions_.SetFolder(folder);
    }
    const std::string& KeepFolder() const { return keepFolder_; }

    QUndoStack& Stack() { return stack_; }
    // True when the show differs from what was last opened, saved or started empty.
    bool IsModified() const { return !stack_.isClean(); }
    // The show was saved: it is clean, and the steps stay.
    void MarkSaved() { stack_.setClean(); }
    // The show holds changes no file has (a recovered show): modified until the next save.
    void MarkUnsaved() { stack_.resetClean(); }
    // A new or opened show: no steps, clean.
    void Clear();

    bool CanUndo() const { return stack_.canUndo(); }
    bool CanRedo() const { return stack_.canRedo(); }
    // Undoes or redoes the step; a failure says what the step could not do (a kept file that
    // could not be put back), and the rest of the step is still undone or redone.
    base::Status Undo();
    base::Status Redo();

    // The one way to change the show: checks every edit against the show (refusing the whole
    // list, with no step, when one does not fit), then makes them in order as one step named
    // `text`. picture: the slide's working picture as it was before an editor rewrote it (see
    // BeginChange); the step exchanges the two versions on undo and redo. An empty list without a
    // picture makes no step.
    base::Status Apply(std::vector<ShowEdit> edits, const QString& text,
                       std::optional<KeptPicture> picture = std::nullopt);
    // The same with the other versions of several slides' pictures (a refit of the whole show):
    // each holds the picture the step puts in its slide's working file.
    base::Status Apply(std::vector<ShowEdit> edits, const QString& text,
                       std::vector<KeptPicture> pictures);

    // Several Apply calls as one step (an import of many files): each is made at once, and the
    // batch becomes one step at its end. Batches do not nest; an empty one leaves no step.
    void BeginBatch(const QString& text);
    void EndBatch();

    // Takes slide / track `index` out as a step; its working copy is kept for an undo. Returns
    // the index selected afterwards (-1 when none is left).
    base::Result<int> DeleteSlide(std::size_t index);
    base::Result<int> DeleteTrack(std::size_t index);

    // The selection a move step names: Before when it is undone, After when it is done (-1:
    // none). The view that holds the selection passes it; the history never reads a view.
    struct Selection {
        int Before = -1;
        int After = -1;
    };
    // Moves an item from `from` to `to` (the ones between shift), or exchanges two, as a step.
    // Refused, with no step, when the indexes do not fit the show.
    base::Status MoveSlide(std::size_t from, std::size_t to, Selection select);
    base::Status SwapSlides(std::size_t a, std::size_t b, Selection select);
    base::Status MoveTrack(std::size_t from, std::size_t to, Selection select);

    // Where the selection goes once a step is done or undone: the item it put back, the place of
    // the one it took out, or what a move names. The storyboard view listens; -1 = none left.
    std::function<void(ItemKind kind, int index)> OnFocus;
    // Called once a new step has been done (not when one is undone or redone), with the show's
    // values as they were before it: what the step changed, for a word to the user about it.
    std::function<void(const ShowContent& before)> OnStepDone;

    // An edit of values worked out on a copy: Draft starts as the show's content, the editor
    // changes it (and may rewrite the slide's working picture), and Commit applies what differs
    // as one step.
    class Change {
    public:
        Change(Change&&) noexcept;
        Change& operator=(Change&&) noexcept;
        ~Change();
        // The show's values to change (items' values and options; not the lists' lengths).
        ShowContent Draft;
        // The copy of the picture as it was when the change began ("" without one): an editor
        // may restore from it; the step keeps it.
        std::string KeptPicture() const { return kept_.Holds() ? kept_.Path() : std::string(); }

    private:
        friend class ShowHistory;
        Change();
        ShowContent before_;
        std::optional<std::size_t> picture_;
        ParkedFile kept_;
    };
    // pictureOf: the slide whose working picture the editor may rewrite; a copy is kept.
    base::Result<Change> BeginChange(std::optional<std::size_t> pictureOf = std::nullopt);
    // Applies what the draft changed as one step (Committed), or makes none when nothing changed
    // (Unchanged). Refused, with the reason, when the show changed under the draft or the draft's
    // lists did.
    enum class CommitOutcome { Committed, Unchanged };
    base::Result<CommitOutcome> Commit(Change change, const QString& text);

    // The pictures captions are drawn on, kept in the history's folder until it is cleared.
    CaptionBases& Captions() { return captions_; }

    // Used by the steps.
    const ShowModel& Show() const { return show_; }
    const WorkFiles& Files() const { return files_; }
    ShowWriter Writer() { return ShowWriter(show_); }
    // A step's redo or undo tells what it could not do; the first failure is the call's result.
    void Report(const base::Status& status);
    void Focus(ItemKind kind, int index) {
        if (OnFocus)
            OnFocus(kind, index);
    }

private:
    base::Status Record(std::vector<ShowEdit> edits, const QString& text,
                        std::vector<KeptPicture> pictures, Selection select);
    base::Status Move(ShowEdit edit, const QString& text, Selection select);
    // The first failure a step reported since it was cleared, as a result.
    base::Status StepStatus() const;

    ShowModel& show_;
    const WorkFiles& files_;
    std::string keepFolder_;
    std::string stepError_; // what the step under way could not do ("" so far)
    QUndoStack stack_;
    std::unique_ptr<QUndoCommand> batch_;
    std::optional<ShowContent> batchBefore_; // the show before the batch, for OnStepDone
    CaptionBases captions_;
};

} // namespace project
