// One change to the show, as a value: what ShowHistory::Apply takes. Indexes are 0-based and
// name the items as they stand when the edit runs (after the edits before it in the same list).
#pragma once

#include "base/Result.h"
#include "project/ShowContent.h"
#include "project/ShowObserver.h"

#include <cstddef>
#include <variant>
#include <vector>

namespace project {

namespace edit {

struct SetSlide {
    std::size_t Index = 0;
    Slide Value;
};
struct SetTrack {
    std::size_t Index = 0;
    Track Value;
};
struct SetOptions {
    ShowOptions Value;
};
struct SetPhotoSettings {
    PhotoSettings Value;
};
// The item's working copy must exist already (an import made it); undo keeps it aside.
struct InsertSlide {
    std::size_t Index = 0;
    Slide Value;
};
struct InsertTrack {
    std::size_t Index = 0;
    Track Value;
};
// The item and its working copy are kept aside for an undo.
struct RemoveItem {
    ItemKind Kind = ItemKind::Photo;
    std::size_t Index = 0;
};
// The item at From goes to To; the ones between shift by one place.
struct MoveItem {
    ItemKind Kind = ItemKind::Photo;
    std::size_t From = 0;
    std::size_t To = 0;
};
struct ExchangeItems {
    ItemKind Kind = ItemKind::Photo;
    std::size_t A = 0;
    std::size_t B = 0;
};

} // namespace edit

using ShowEdit = std::variant<edit::SetSlide, edit::SetTrack, edit::SetOptions,
                              edit::SetPhotoSettings, edit::InsertSlide, edit::InsertTrack,
                              edit::RemoveItem, edit::MoveItem, edit::ExchangeItems>;

// Checks every edit's indexes against a show of slideCount photos and trackCount tracks, each
// edit seeing the counts the ones before it left. The message names the first that does not fit.
base::Status CheckEdits(const std::vector<ShowEdit>& edits, std::size_t slideCount,
                        std::size_t trackCount);

// True when an edit puts an item in or takes one out (its working copy moves aside on the way).
bool MovesFiles(const ShowEdit& edit);

// The edits that turn `before` into `after`: the values of items and options that differ. The
// two must hold the same number of photos and of tracks (an editor changes values, not lists).
base::Result<std::vector<ShowEdit>> ChangesBetween(const ShowContent& before,
                                                   const ShowContent& after);

} // namespace project
