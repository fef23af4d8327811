#include "app/StripLayout.h"

#include "render/ShowTimeline.h"

#include <algorithm>

namespace ui {

using render::ShowTimeline;

namespace {

// Start and end of each photo on the time line, in milliseconds. The first photo's end is its
// display time only (its transition is not counted), as the music strip measures it, unless it is
// the only photo: then its cells hold the whole show, whose music plays to its transition's end.
void SlideTimes(const ShowTimeline& line, std::vector<std::int64_t>& start,
                std::vector<std::int64_t>& end) {
    start.resize(line.SlideCount());
    end.resize(line.SlideCount());
    for (std::size_t r = 0; r < line.SlideCount(); ++r) {
        start[r] = line.StartMs(r);
        end[r] = r == 0 && line.SlideCount() > 1 ? line.CutMs(0) : line.EndMs(r);
    }
}

// Where each track lies on the show's clock, as the mix lays the record's lengths out (its
// cross-fade included), and where the music ends (the end of the last track).
std::vector<render::TrackTime> TrackPlacesOf(const project::ShowModel& show,
                                             const ShowTimeline& line) {
    return render::TrackPlaces(render::TrackPlan::Of(show), line.LengthMs());
}

std::int64_t MusicEndOf(const std::vector<render::TrackTime>& places) {
    std::int64_t end = 0;
    for (const render::TrackTime& t : places)
        end = std::max(end, t.EndMs);
    return end;
}

} // namespace

int CellsPerPage(int stripWidth, int photoCount) {
    const int p = stripWidth > 0 ? stripWidth / kCellWidth : 0;
    return std::min(p, photoCount);
}

std::vector<PhotoPlace> PhotoStripPlaces(const project::ShowModel& show, int stripWidth, int page) {
    std::vector<PhotoPlace> places;
    const int count = static_cast<int>(show.Slides().size());
    const int p = CellsPerPage(stripWidth, count);
    if (page < 0)
        return places;
    for (int k = 0; k < p; ++k) {
        const long long index = static_cast<long long>(p) * page + k;
        if (index >= count)
            break;
        places.push_back({static_cast<int>(index), k * kCellWidth});
    }
    return places;
}

int PageOfSlide(int stripWidth, int photoCount, int index) {
    const int perPage = CellsPerPage(stripWidth, photoCount);
    if (perPage <= 0 || index <= 0)
        return 0;
    return std::min(index, photoCount - 1) / perPage;
}

int DropGap(const project::ShowModel& show, int stripWidth, int page, int x) {
    const int count = static_cast<int>(show.Slides().size());
    const auto visible = PhotoStripPlaces(show, stripWidth, page);
    if (visible.empty())
        return page > 0 ? count : 0;
    const int nearest = x <= 0 ? 0 : (x + kCellWidth / 2) / kCellWidth;
    const int k = std::min(nearest, static_cast<int>(visible.size()));
    return visible.front().Index + k;
}

int MoveTargetOfGap(int from, int gap) {
    return gap > from ? gap - 1 : gap;
}

int PageOfTrack(const project::ShowModel& show, std::size_t track, int stripWidth) {
    const int count = static_cast<int>(show.Slides().size());
    if (count == 0)
        return 0;
    const ShowTimeline line = ShowTimeline::Of(show);
    const auto places = TrackPlacesOf(show, line);
    const std::int64_t trackStart =
        track < places.size() ? places[track].StartMs : MusicEndOf(places);
    // The last photo that has begun by then.
    int playing = 0;
    for (int r = 0; r < count; ++r) {
        if (line.StartMs(static_cast<std::size_t>(r)) > trackStart)
            break;
        playing = r;
    }
    return PageOfSlide(stripWidth, count, playing);
}

std::vector<RulerMark> RulerMarks(const project::ShowModel& show,
                                  const std::vector<PhotoPlace>& visible) {
    std::vector<RulerMark> marks;
    const ShowTimeline line = ShowTimeline::Of(show);
    std::size_t v = 0;
    for (std::size_t i = 0; i < show.Slides().size() && v < visible.size(); ++i) {
        if (static_cast<int>(i) == visible[v].Index) {
            const int x = visible[v].Left + kPhotoCellWidth + kTransitionCellWidth + kArrowWidth;
            marks.push_back({x, line.EndMs(i)});
            ++v;
        }
    }
    return marks;
}

std::vector<TrackPlace> MusicStripPlaces(const project::ShowModel& show,
                                         const std::vector<PhotoPlace>& visible, int screenWidth,
                                         int stripWidth) {
    const std::size_t tracks = show.Sounds().size();
    const ShowTimeline line = ShowTimeline::Of(show);
    const auto laid = TrackPlacesOf(show, line);
    // The real tracks plus an end marker of 100 seconds where the music ends, so the last track
    // has a successor.
    std::vector<TrackPlace> places(tracks + 1);
    std::vector<std::int64_t> trackStart(tracks + 1);
    std::vector<std::int64_t> trackEnd(tracks + 1);
    for (std::size_t u = 0; u < tracks; ++u) {
        trackStart[u] = laid[u].StartMs;
        trackEnd[u] = laid[u].EndMs;
    }
    trackStart[tracks] = MusicEndOf(laid);
    trackEnd[tracks] = trackStart[tracks] + 100'000;
    std::vector<std::int64_t> slideStart;
    std::vector<std::int64_t> slideEnd;
    SlideTimes(line, slideStart, slideEnd);

    std::int64_t winStart = -1;
    std::int64_t winEnd = -1;
    if (!visible.empty()) {
        winStart = slideStart[static_cast<std::size_t>(visible.front().Index)];
        // To the end of the last photo's transition, even the first photo's: what starts in it
        // is heard, and shown at its cells' end.
        winEnd = line.EndMs(static_cast<std::size_t>(visible.back().Index));
    }
    // Past the show's end (not heard: the mix leaves out what starts there), after the last
    // photo's cells, on its page.
    const std::size_t slides = show.Slides().size();
    const std::int64_t showEnd = line.LengthMs();
    const bool lastPage =
        slides == 0 ||
        (!visible.empty() && static_cast<std::size_t>(visible.back().Index) + 1 == slides);
    std::size_t firstPast = tracks;
    for (std::size_t u = 0; u < tracks; ++u)
        if (trackStart[u] >= showEnd && (slides == 0 || trackStart[u] > 0)) {
            firstPast = u;
            break;
        }
    if (firstPast < tracks && lastPage) {
        const int count = static_cast<int>(tracks - firstPast);
        int from =
            visible.empty() ? 0 : visible.back().Left + kPhotoCellWidth + kTransitionCellWidth;
        int width = kPastTrackWidth;
        if (stripWidth >= 0 && from + count * width > stripWidth) {
            width = std::max(kPastTrackLeast, (stripWidth - from) / count);
            from = std::max(0, std::min(from, stripWidth - count * width));
        }
        for (std::size_t u = firstPast; u < tracks; ++u)
            places[u] = {true, from + static_cast<int>(u - firstPast) * width, width, true,
                         trackStart[u]};
    }
    for (std::size_t u = 0; u <= tracks; ++u) {
        const std::int64_t ts = trackStart[u];
        places[u].StartMs = ts;
        if (firstPast < tracks && u >= firstPast)
            continue; // placed above; the end marker is not needed then
        if (!visible.empty() && winStart <= ts && ts <= winEnd) {
            // Inside the window: under the visible photo playing at that moment, mapped
            // linearly over that photo's time to its 132-pixel cells.
            const PhotoPlace* cell = &visible.front();
            for (const auto& p : visible)
                if (slideStart[static_cast<std::size_t>(p.Index)] <= ts)
                    cell = &p;
            const auto r = static_cast<std::size_t>(cell->Index);
            const std::int64_t length = slideEnd[r] - slideStart[r];
            std::int64_t offset = length > 0 ? (ts - slideStart[r]) * kCellWidth / length : 0;
            offset = std::clamp<std::int64_t>(offset, 0, kCellWidth);
            places[u] = {true, cell->Left + static_cast<int>(offset), 10};
        } else if (!visible.empty() && ts < winStart && winStart <= trackEnd[u]) {
            // Started on an earlier page and still playing.
            places[u] = {true, 0, 20};
        }
    }
    for (std::size_t u = 0; u < tracks; ++u) {
        if (!places[u].Visible || places[u].PastEnd)
            continue;
        const int gap = places[u + 1].Left - places[u].Left;
        if (gap > 0) {
            places[u].Width = gap;
        } else if (u + 1 == tracks && !visible.empty()) {
            const int right = visible.back().Left + kPhotoCellWidth + kTransitionCellWidth;
            places[u].Width = right - places[u].Left;
        } else {
            places[u].Width = screenWidth;
        }
    }
    places.pop_back();
    return places;
}

std::string PlaceLabel(std::size_t index) {
    return std::to_string(index + 1);
}

std::string WorkFileLabel(const std::string& workFile) {
    const auto slash = workFile.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? workFile : workFile.substr(slash + 1);
    const auto us = name.find('_');
    return us == std::string::npos ? std::string() : name.substr(us + 1, 4);
}

} // namespace ui
