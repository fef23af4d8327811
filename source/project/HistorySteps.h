// The steps of the show's undo history: an item put in or taken out, an item moved or two
// exchanged, and a change of record fields with the picture an effect replaced.
#pragma once

#include "imaging/Bitmap.h"
#include "project/ParkedFile.h"
#include "project/Records.h"

#include <QUndoCommand>

#include <cstddef>
#include <vector>

namespace project {

class ShowHistory;

enum class ItemKind { Photo, Track };

// A photo or track that comes and goes: an import (it is in the show when the step is made) or a
// delete (taken out by Take() before the step is pushed). Taking out keeps the working copy in
// the history's folder; putting back moves it to its old name (a fresh working name when that
// is taken) and has the cells made again.
class ItemStep final : public QUndoCommand {
public:
    ItemStep(ShowHistory& history, ItemKind kind, std::size_t index, bool addition,
             imaging::Bitmap thumbnail, QUndoCommand* parent = nullptr);
    // The delete itself, before the step is pushed; nothing changed when it fails.
    base::Status Take();

    void redo() override;
    void undo() override;

private:
    base::Status Put();
    std::size_t Count() const;

    ShowHistory& history_;
    ItemKind kind_;
    std::size_t index_;
    bool addition_;
    bool done_ = true; // the first redo finds the change made already
    Slide slide_{};
    Track track_{};
    imaging::Bitmap thumbnail_;
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

// Record fields changed (durations, transitions, volumes, effects), each record kept before and
// after; with a picture, the working file exchanged with the version kept aside, and its
// thumbnail with it.
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
        imaging::Bitmap ThumbBefore;
        imaging::Bitmap ThumbAfter;
    };

    RecordsStep(ShowHistory& history, std::vector<Diff<Slide>> slides,
                std::vector<Diff<Track>> sounds, std::vector<Picture> pictures);
    void redo() override;
    void undo() override;

private:
    void Apply(bool after);

    ShowHistory& history_;
    std::vector<Diff<Slide>> slides_;
    std::vector<Diff<Track>> sounds_;
    std::vector<Picture> pictures_;
    bool done_ = true;
};

// Record content without what only the running program uses (cells, selection, delete mark).
bool SameContent(const Slide& a, const Slide& b);
bool SameContent(const Track& a, const Track& b);
// Copies src's content into dst, keeping dst's cells, selection and delete mark.
void PutContent(Slide& dst, const Slide& src);
void PutContent(Track& dst, const Track& src);

} // namespace project
