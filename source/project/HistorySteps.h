// The steps of the show's undo history: an item put in or taken out, an item moved or two
// exchanged, and a change of item values with the picture an effect replaced. Every step makes
// its change in redo() and takes it back in undo(); what it needs it keeps from the document.
#pragma once

#include "project/ParkedFile.h"
#include "project/ShowObserver.h"
#include "project/Slide.h"
#include "project/Track.h"

#include <QUndoCommand>

#include <cstddef>
#include <vector>

namespace project {

class ShowHistory;

// A photo or track that comes and goes: an import (addition) or a delete. Taking out keeps the
// working copy in the history's folder; putting back moves it to its old name (a fresh working
// name when that is taken).
class ItemStep final : public QUndoCommand {
public:
    // The step of an item that is in the show now at index (a delete, or an import about to be
    // recorded: see Withdraw()).
    ItemStep(ShowHistory& history, ItemKind kind, std::size_t index, bool addition,
             QUndoCommand* parent = nullptr);
    // An import is recorded by taking the new item out again, so that pushing the step (its
    // redo) puts it back: the same code path as every later redo.
    base::Status Withdraw() { return Take(); }

    void redo() override;
    void undo() override;

private:
    base::Status Take();
    base::Status Put();
    std::size_t Count() const;

    ShowHistory& history_;
    ItemKind kind_;
    std::size_t index_;
    bool addition_;
    Slide slide_{};
    Track track_{};
    bool captured_ = false; // slide_ / track_ hold the item (it was taken out once)
    ParkedFile kept_;
};

// An item moved from one place to another (the ones between shift), or two exchanged.
class MoveStep final : public QUndoCommand {
public:
    MoveStep(ShowHistory& history, ItemKind kind, bool exchange, std::size_t from, std::size_t to,
             int selectBefore, int selectAfter);
    void redo() override;
    void undo() override;

private:
    void Apply(std::size_t from, std::size_t to, int select);

    ShowHistory& history_;
    ItemKind kind_;
    bool exchange_;
    std::size_t from_, to_;
    int selectBefore_, selectAfter_;
};

// Item values changed (durations, transitions, volumes, effects, motion, fades) and show-wide
// options, each kept before and after; with a picture, the working file exchanged with the
// version kept aside.
class RecordsStep final : public QUndoCommand {
public:
    template <typename R> struct Diff {
        std::size_t Index;
        R Before;
        R After;
    };
    struct Picture {
        std::size_t Index;
        ParkedFile Other; // the version the working file does not hold now
    };

    RecordsStep(ShowHistory& history, std::vector<Diff<Slide>> slides,
                std::vector<Diff<Track>> sounds, std::vector<Picture> pictures,
                Diff<ShowOptions> options);
    void redo() override;
    void undo() override;

private:
    void Apply(bool after);

    ShowHistory& history_;
    std::vector<Diff<Slide>> slides_;
    std::vector<Diff<Track>> sounds_;
    std::vector<Picture> pictures_;
    Diff<ShowOptions> options_;
};

} // namespace project
