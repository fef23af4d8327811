// Geometry of the storyboard: which photos a strip page shows and where, the time marks of the
// ruler, and where the track cells sit under the photos they accompany. Pure arithmetic over the
// show, shared by the storyboard widgets and the tests.
#pragma once

#include "project/ShowModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

constexpr int kCellWidth = 132;     // photo cell plus transition cell
constexpr int kPhotoCellWidth = 90; // thumbnail
constexpr int kTransitionCellWidth = 42;
constexpr int kArrowWidth = 16; // the paging arrows left and right of the strips

// Cells a page of the photo strip holds: strip width div 132, no more than the photos.
int CellsPerPage(int stripWidth, int photoCount);

struct PhotoPlace {
    int Index = 0; // slide index
    int Left = 0;  // photo cell left; the transition cell is at Left + 90
};

// The photos page `page` shows, left to right.
std::vector<PhotoPlace> PhotoStripPlaces(const project::ShowModel& show, int stripWidth, int page);

struct RulerMark {
    int X = 0;           // position of the mark in the ruler row
    std::int64_t Ms = 0; // time at which that photo's transition ends
};

// A mark for every visible photo, at the right end of its transition cell.
std::vector<RulerMark> RulerMarks(const project::ShowModel& show,
                                  const std::vector<PhotoPlace>& visible);

struct TrackPlace {
    bool Visible = false;
    int Left = 0;
    int Width = 0;
    // It starts at or after the show's end, so it is not heard; shown after the last photo.
    bool PastEnd = false;
    std::int64_t StartMs = 0;
};

// The width of a track cell past the show's end, while the strip has room.
constexpr int kPastTrackWidth = 132;
constexpr int kPastTrackLeast = 60;

// Where each track's cell goes in the music strip (one entry per track). screenWidth is the width
// a cell gets when nothing follows it on this page. Tracks that start at or after the show's end
// sit on the page with the last photo (or the empty show's strip), one after the other after its
// cells, narrowed to fit stripWidth (< 0: no limit) but never below kPastTrackLeast.
std::vector<TrackPlace> MusicStripPlaces(const project::ShowModel& show,
                                         const std::vector<PhotoPlace>& visible, int screenWidth,
                                         int stripWidth = -1);

// The page of the photo strip that shows slide `index` (0 when the strip holds no whole cell).
int PageOfSlide(int stripWidth, int photoCount, int index);

// Where a photo dragged over page `page` of the strip at x (strip coordinates) goes: the gap
// nearest x between the visible cells, as the index of the photo it would be put before
// (0..count; count = after the last photo).
int DropGap(const project::ShowModel& show, int stripWidth, int page, int x);

// The index a photo taken from `from` gets when it is put into gap `gap` (see DropGap).
int MoveTargetOfGap(int from, int gap);

// The page of the photo strip under which track `track` starts in the music strip: the page of
// the photo playing when it starts, the last photo's page when it starts after the photos.
int PageOfTrack(const project::ShowModel& show, std::size_t track, int stripWidth);

// The number a slide's cell shows: its place in the show, 1 for the first. The same number names
// it in "Swap with..." and in the console tool's --slide, in every session.
std::string PlaceLabel(std::size_t index);

// The four digits after the first "_" of a working-file name ("0007"): the file's own number,
// which stays with the file whatever place its slide takes and is never shown.
std::string WorkFileLabel(const std::string& workFile);

} // namespace ui
