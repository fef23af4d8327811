// The undo history of the open show: every change to it (items added, deleted, moved or swapped,
// durations, transitions, volumes, effects) as a step that can be undone and done again, and the
// clean mark that tells whether the show has unsaved changes. Items taken out and pictures
// replaced by an effect are kept in the history's folder, so an undo gives back the same bytes.
#pragma once

#include "base/Result.h"
#include "project/ParkedFile.h"
#include "project/ShowModel.h"
#include "project/ShowObserver.h"

#include <QString>
#include <QUndoStack>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace project {

class ShowHistory {
public:
    explicit ShowHistory(ShowModel& show);
    ShowHistory(const ShowHistory&) = delete;
    ShowHistory& operator=(const ShowHistory&) = delete;
    ~ShowHistory();

    // The folder (ending with '/') where removed items and replaced pictures are kept; without
    // one, steps that must keep a file are refused.
    void SetKeepFolder(const std::string& folder) { keepFolder_ = folder; }
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
    void Undo();
    void Redo();
    // What the last step done or undone could not do ("" when it went through).
    const std::string& LastError() const { return lastError_; }

    // Several additions as one step (an import of many files). Batches do not nest; a batch in
    // which nothing was recorded leaves no step.
    void BeginBatch(const QString& text);
    void EndBatch();

    // Records an item the import has just added as the step that adds it: the item is taken
    // out and the step's redo puts it back (in a batch, all of them at its end).
    void PhotoAdded(std::size_t index);
    void TrackAdded(std::size_t index);

    // Deletes slide / track `index` as a step; its working copy is kept for an undo. Returns the
    // index selected afterwards (-1 when none is left).
    base::Result<int> DeleteSlide(std::size_t index);
    base::Result<int> DeleteTrack(std::size_t index);

    // The selection a move step names: Before when it is undone, After when it is done (-1:
    // none). The view that holds the selection passes it; the history never reads a view.
    struct Selection {
        int Before = -1;
        int After = -1;
    };
    // Moves an item from `from` to `to` (the ones between shift), or exchanges two, as a step.
    // False, with no step, when the indexes do not fit the show.
    bool MoveSlide(std::size_t from, std::size_t to, Selection select);
    bool SwapSlides(std::size_t a, std::size_t b, Selection select);
    bool MoveTrack(std::size_t from, std::size_t to, Selection select);

    // Where the selection goes once a step is done or undone: the item it put back, the place of
    // the one it took out, or what a move names. The storyboard view listens; -1 = none left.
    std::function<void(ItemKind kind, int index)> OnFocus;

    // A change of item values or show options, recorded from a snapshot taken before it. With a
    // picture slide, its working picture is kept as it was, so an effect that rewrites it can be
    // undone byte for byte. Commit puts the show back as it was and pushes the step, whose redo
    // makes the change again: every step does its work in redo().
    class Change {
    public:
        Change(Change&&) noexcept;
        Change& operator=(Change&&) noexcept;
        ~Change();
        // The copy of the picture as it was when the change began ("" without one): an editor
        // may restore from it; the step keeps it.
        std::string KeptPicture() const { return kept_.Holds() ? kept_.Path() : std::string(); }

    private:
        friend class ShowHistory;
        Change();
        std::vector<Slide> slides_;
        std::vector<Track> sounds_;
        ShowOptions options_;
        std::optional<std::size_t> picture_;
        ParkedFile kept_;
    };
    base::Result<Change> BeginChange(std::optional<std::size_t> pictureOf = std::nullopt);
    // Compares the show with the snapshot and records one step when anything differs. Returns
    // false when nothing changed (no step).
    bool Commit(Change change, const QString& text);

    // Used by the steps.
    ShowModel& Show() { return show_; }
    void Report(const base::Status& status);
    void Focus(ItemKind kind, int index) {
        if (OnFocus)
            OnFocus(kind, index);
    }

private:
    void Push(std::unique_ptr<QUndoCommand> step);
    void RecordAddition(ItemKind kind, std::size_t index);

    ShowModel& show_;
    std::string keepFolder_;
    std::string lastError_;
    QUndoStack stack_;
    std::unique_ptr<QUndoCommand> batch_;
    // The items a batch added, in the order they came.
    std::vector<std::pair<ItemKind, std::size_t>> batchAdded_;
};

} // namespace project
