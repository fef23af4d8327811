// The steps of the show's undo history. An EditsStep makes a list of edits in redo() and takes
// them back in reverse in undo(); what it needs to take an edit back (the value before, an item
// taken out with its working copy kept aside, the other version of a rewritten picture) it keeps
// the first time it runs. A BatchStep holds the steps of one import, each done as its item came.
#pragma once

#include "project/ParkedFile.h"
#include "project/ShowEdit.h"

#include <QUndoCommand>

#include <cstddef>
#include <optional>
#include <vector>

namespace project {

class ShowHistory;

// A slide's working picture as it was before an editor rewrote it, kept aside so the step can
// exchange the two versions.
struct KeptPicture {
    std::size_t Index = 0;
    ParkedFile Other; // the version the working file does not hold now
};

class EditsStep final : public QUndoCommand {
public:
    // selectBefore / selectAfter: the selection after an undo / a redo (-1: the step's own
    // choice: the item put back, the place of the one taken out).
    // pictures: the slides' pictures the step exchanges with their working files, each its own.
    EditsStep(ShowHistory& history, std::vector<ShowEdit> edits, std::vector<KeptPicture> pictures,
              int selectBefore = -1, int selectAfter = -1, QUndoCommand* parent = nullptr);
    void redo() override;
    void undo() override;

private:
    // What one edit needs to be taken back.
    struct Before {
        Slide SlideValue{};
        Track TrackValue{};
        ShowOptions Options{};
        PhotoSettings Photos{};
        ParkedFile Parked; // the working copy of an item that is out of the show
        std::vector<ParkedFile>
            ParkedExtras; // its clip's and original's, in ForEachExtraFile order
        bool Out = false; // the item is out of the show, kept here
    };
    void Do(std::size_t k);
    void Undo(std::size_t k);
    base::Status Take(ItemKind kind, std::size_t index, Before& keep);
    base::Status Put(ItemKind kind, std::size_t index, Before& keep);
    void SwapPictures();
    ItemKind FocusKind() const;

    ShowHistory& history_;
    std::vector<ShowEdit> edits_;
    std::vector<Before> before_;
    std::vector<KeptPicture> pictures_;
    int selectBefore_;
    int selectAfter_;
};

// The steps of one import: each did its work as its item came (so the storyboard shows every photo
// as it lands); pushing the batch finds them done, and later redos run them again in order.
class BatchStep final : public QUndoCommand {
public:
    explicit BatchStep(const QString& text) : QUndoCommand(text) {}
    void redo() override;

private:
    bool done_ = true;
};

} // namespace project
