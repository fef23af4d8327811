// The one open slide show: the photo and track records in show order, the selection and paging
// state, and the operations that reorder, drop and clear them together with their working copies.
#pragma once

#include "project/Records.h"
#include "project/ViewHost.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace project {

// Working names per prefix and folder: NNNN runs from 0001 to 9999.
constexpr int kMaxWorkNames = 9999;

class ShowModel {
public:
    std::vector<Slide> Slides;
    std::vector<Track> Sounds;
    std::int32_t SelectedSlide = 0;
    std::int32_t SelectedSound = 0;
    std::int32_t SlidePage = 0;
    std::int32_t EffectsPage = 0;
    std::uint32_t WorkPrefix = 0;
    std::string Resolution;  // "WxH"; empty or unparsable means 1280x1024
    std::string PicturesDir; // working folder of the photo copies, ends with '/'
    std::string MusicDir;    // working folder of the track copies, ends with '/'

    // The storyboard that owns the cells named by the records' Views; may be null.
    ViewHost* Host = nullptr;

    // Deletes every working copy and cell, empties both lists, back to page 0.
    void ClearProject();
    // Deletes the plain files of both working folders (sub-folders are left alone).
    void PurgeWorkFolders() const;
    // Drops the slides / tracks whose Deleted byte is set, with their copies and cells, and
    // renames the cells of the rest after their new positions.
    void CompactSlides();
    void CompactSounds();

    // Drag of thumbnail sourceTag onto thumbnail targetTag (1-based). Returns true when the two
    // exchanged places; the caller lays the strip out again and selects sourceTag - 1.
    bool SwapSlides(int sourceTag, int targetTag);
    // Exchange of the selected item with its neighbour; false when it is at that end. The
    // selection index stays where it was (now on the neighbour).
    bool MoveSlideRight();
    bool MoveSlideLeft();
    bool MoveSoundRight();
    bool MoveSoundLeft();
    // Deletes the selected photo / track; returns the index to select next (clamped to the new
    // last index, -1 when none is left) or -2 when the selection was out of range.
    int DeleteSelectedSlide();
    int DeleteSelectedSound();

    // Puts a slide / track in at index (0..size), naming the cells of the items after it again;
    // the new item's own cells are the caller's to make. False when index is past the end.
    bool InsertSlide(std::size_t index, const Slide& slide);
    bool InsertSound(std::size_t index, const Track& track);
    // Takes slide / track index out with its cells and deletes its working copy (when still
    // there); the items after it are named again. False when index is out of range.
    bool RemoveSlide(std::size_t index);
    bool RemoveSound(std::size_t index);
    // Moves the item at `from` to `to`, the items between shifting by one place (a drag that
    // inserts). The record travels whole (working copy, effects, cells), cells are renamed and
    // retagged after their new places, and SelectedSlide stays on the photo it named. False,
    // changing nothing, when either is out of range or they are equal.
    bool MoveSlide(std::size_t from, std::size_t to);
    bool MoveSound(std::size_t from, std::size_t to);

    // The first free name folder + WorkPrefix + "_" + NNNN + ext (NNNN = 0001..9999), or ""
    // when all are taken. The search remembers where the free names begin, so a batch of imports
    // does not test every taken name again; names the model frees (a delete, a clear) are used
    // again, a file removed behind its back only after the model's next delete or clear.
    std::string MakeWorkName(const std::string& folder, const std::string& ext) const;

    // Output size of imported photos parsed from Resolution, 1280x1024 when it does not parse.
    void ResolutionSize(int& width, int& height) const;

    // Total time line of the photos (ShowSeconds + TransitionSeconds of each).
    std::int64_t ShowLengthSeconds() const;

private:
    // Below this number every working name of a folder, prefix and extension was taken.
    mutable std::map<std::string, int> firstFreeName_;

    void ExchangeSlides(std::size_t a, std::size_t b);
    void ExchangeSounds(std::size_t a, std::size_t b);
    void NameSlideViews(std::size_t index);
    void NameSoundViews(std::size_t index);
    void RetagSlides();
    void DestroySlideViews(const Slide& s);
    void DestroySoundViews(const Track& t);
};

// Parses "WxH" as the import does: W = digits before the first 'x', H = up to five characters
// after it. Returns false (and leaves the outputs alone) when either is missing or not a number.
bool ParseResolution(const std::string& text, int& width, int& height);

} // namespace project
