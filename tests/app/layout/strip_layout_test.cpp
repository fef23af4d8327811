// Storyboard geometry: pages of the photo strip, ruler marks, track cells under the photos.
#include "app/StripLayout.h"

#include <gtest/gtest.h>

namespace {

using namespace project;
using namespace ui;

ShowModel ShowOf(std::vector<std::pair<int, int>> slides, std::vector<int> tracks,
                 double crossfadeSeconds = 0) {
    ShowContent show;
    show.Options.TrackCrossfadeSeconds = crossfadeSeconds;
    for (auto [seconds, transition] : slides) {
        auto s = Slide::MakeDefault();
        s.StillMs = std::int64_t{seconds} * 1000;
        s.TransitionMs = std::int64_t{transition} * 1000;
        show.Slides.push_back(s);
    }
    for (int play : tracks) {
        auto t = Track::MakeDefault();
        t.PlaySeconds = play;
        show.Sounds.push_back(t);
    }
    return ShowModel(show);
}

TEST(StripLayout, PagesOfThePhotoStrip) {
    // A 924-pixel strip holds seven cells.
    auto show = ShowOf(std::vector<std::pair<int, int>>(8, {10, 0}), {});
    auto page0 = PhotoStripPlaces(show, 924, 0);
    ASSERT_EQ(page0.size(), 7u);
    EXPECT_EQ(page0[6].Index, 6);
    EXPECT_EQ(page0[6].Left, 6 * 132);
    auto page1 = PhotoStripPlaces(show, 924, 1);
    ASSERT_EQ(page1.size(), 1u); // the eighth photo alone on page 1
    EXPECT_EQ(page1[0].Index, 7);
    EXPECT_EQ(page1[0].Left, 0);
    // With fewer photos than cells, a page is as wide as the photos: page 1 of three is empty.
    auto three = ShowOf({{1, 0}, {1, 0}, {1, 0}}, {});
    EXPECT_EQ(PhotoStripPlaces(three, 924, 0).size(), 3u);
    EXPECT_TRUE(PhotoStripPlaces(three, 924, 1).empty());
    EXPECT_TRUE(PhotoStripPlaces(three, 100, 0).empty()); // narrower than one cell
    EXPECT_EQ(CellsPerPage(924, 8), 7);
}

TEST(StripLayout, RulerMarksShowWhenEachTransitionEnds) {
    auto show = ShowOf({{10, 2}, {5, 0}, {7, 3}}, {});
    const auto marks = RulerMarks(show, PhotoStripPlaces(show, 924, 0));
    ASSERT_EQ(marks.size(), 3u);
    // Marks sit past the 16-pixel left arrow, at the right end of each transition cell.
    EXPECT_EQ(marks[0].X, 90 + 42 + 16);
    EXPECT_EQ(marks[0].Ms, 12000);
    EXPECT_EQ(marks[1].X, 132 + 148);
    EXPECT_EQ(marks[1].Ms, 17000);
    EXPECT_EQ(marks[2].Ms, 27000);
    // On page 1 of a two-cell strip only the third photo is marked, with the running total.
    const auto later = RulerMarks(show, PhotoStripPlaces(show, 264, 1));
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].X, 148);
    EXPECT_EQ(later[0].Ms, 27000);
}

TEST(StripLayout, TracksSitUnderThePhotosTheyAccompany) {
    // Photos 0..2 of 10 s each without transitions; tracks of 15 s and 100 s.
    auto show = ShowOf({{10, 0}, {10, 0}, {10, 0}}, {15, 100});
    const auto visible = PhotoStripPlaces(show, 924, 0);
    const auto tracks = MusicStripPlaces(show, visible, 1280);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_TRUE(tracks[0].Visible);
    EXPECT_EQ(tracks[0].Left, 0);
    // The second track starts at 15 s: half-way through photo 1, so at 132 + 66.
    EXPECT_TRUE(tracks[1].Visible);
    EXPECT_EQ(tracks[1].Left, 198);
    EXPECT_EQ(tracks[0].Width, 198);
    // The marker after it is beyond the window: the cell runs to the end of the last photo.
    EXPECT_EQ(tracks[1].Width, 3 * 132 - 198);
}

// The cells follow the mix: a cross-fade brings a track in early, and a track that starts in the
// last photo's transition is heard, so it sits in the photo's cells, not after the show.
TEST(StripLayout, TracksSitWhereTheMixPlaysThem) {
    // A 6-second cross-fade brings the second track in at 9 s: under photo 0, not photo 1.
    auto show = ShowOf({{10, 0}, {10, 0}, {10, 0}}, {15, 100}, 6);
    const auto tracks = MusicStripPlaces(show, PhotoStripPlaces(show, 924, 0), 1280);
    EXPECT_EQ(tracks[1].Left, 118);
    EXPECT_EQ(tracks[0].Width, 118);
    EXPECT_EQ(PageOfTrack(show, 1, 132), 0); // one cell a page: photo 0's
    auto one = ShowOf({{10, 4}}, {12, 10});
    const auto places = MusicStripPlaces(one, PhotoStripPlaces(one, 924, 0), 1280);
    EXPECT_TRUE(places[1].Visible);
    EXPECT_FALSE(places[1].PastEnd);
    EXPECT_EQ(places[1].Left, 113); // 12 s of the photo's 14
    EXPECT_EQ(places[1].Width, 132 - 113);
}

TEST(StripLayout, TrackStillPlayingFromAnEarlierPage) {
    // Two cells a page; page 1 shows photos 2 and 3 (20 s .. 40 s). One 35-second track.
    auto show = ShowOf({{10, 0}, {10, 0}, {10, 0}, {10, 0}}, {35});
    const auto visible = PhotoStripPlaces(show, 264, 1);
    ASSERT_EQ(visible.size(), 2u);
    const auto tracks = MusicStripPlaces(show, visible, 1280);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_TRUE(tracks[0].Visible);
    EXPECT_EQ(tracks[0].Left, 0);
    // The end marker starts at 35 s, inside the window: the track ends there (photo 3 at 264/2
    // cells... 35 s is half-way through photo 3, whose cells start at 132).
    EXPECT_EQ(tracks[0].Width, 132 + 66);
}

TEST(StripLayout, FirstPhotoMapsOverItsDisplayTimeOnly) {
    // The first photo's cells cover its 10 display seconds; a track starting at 5 s is centred.
    auto show = ShowOf({{10, 4}, {10, 0}}, {5, 10});
    const auto tracks = MusicStripPlaces(show, PhotoStripPlaces(show, 924, 0), 1280);
    EXPECT_EQ(tracks[1].Left, 66);
    // A track that starts after the show's end stays on the last photo's page, after its cells.
    auto late = ShowOf({{10, 0}}, {30, 10});
    const auto places = MusicStripPlaces(late, PhotoStripPlaces(late, 924, 0), 1280);
    EXPECT_TRUE(places[0].Visible);
    EXPECT_FALSE(places[0].PastEnd);
    EXPECT_TRUE(places[1].Visible);
    EXPECT_TRUE(places[1].PastEnd);
    EXPECT_EQ(places[1].Left, 132);
    EXPECT_EQ(places[1].StartMs, 30000);
    EXPECT_EQ(places[0].Width, 132); // the heard track ends where the late one begins
    // No page of photos on show: no track either.
    EXPECT_FALSE(MusicStripPlaces(late, {}, 1280)[0].Visible);
    EXPECT_FALSE(MusicStripPlaces(late, {}, 1280)[1].Visible);
}

TEST(StripLayout, TracksPastTheEndShareTheRoomLeft) {
    // One 10-second photo, then three tracks that start after it on a 300-pixel strip: each
    // gets at least 60 pixels, the row ending at the strip's end.
    auto show = ShowOf({{10, 0}}, {30, 10, 10, 10});
    const auto places = MusicStripPlaces(show, PhotoStripPlaces(show, 300, 0), 1280, 300);
    for (std::size_t u = 1; u < 4; ++u) {
        EXPECT_TRUE(places[u].Visible && places[u].PastEnd) << u;
        EXPECT_EQ(places[u].Left, 120 + 60 * static_cast<int>(u - 1)) << u;
        EXPECT_EQ(places[u].Width, 60) << u;
    }
    EXPECT_EQ(places[3].StartMs, 50000);
    EXPECT_EQ(places[0].Width, 120);
    // Not on an earlier page: a show of two 10-second photos, one a page, shows the late
    // tracks on page 1 only.
    auto two = ShowOf({{10, 0}, {10, 0}}, {30, 10});
    EXPECT_FALSE(MusicStripPlaces(two, PhotoStripPlaces(two, 132, 0), 1280, 132)[1].Visible);
    EXPECT_TRUE(MusicStripPlaces(two, PhotoStripPlaces(two, 132, 1), 1280, 132)[1].Visible);
    // A show without photos: every track is after its end, from the strip's start.
    auto none = ShowOf({}, {10, 10});
    const auto empty = MusicStripPlaces(none, {}, 1280, 600);
    EXPECT_TRUE(empty[0].Visible && empty[0].PastEnd);
    EXPECT_EQ(empty[0].Left, 0);
    EXPECT_EQ(empty[1].Left, 132);
}

TEST(StripLayout, PageOfAPhoto) {
    // Seven cells a page.
    EXPECT_EQ(PageOfSlide(924, 20, 0), 0);
    EXPECT_EQ(PageOfSlide(924, 20, 6), 0);
    EXPECT_EQ(PageOfSlide(924, 20, 7), 1);
    EXPECT_EQ(PageOfSlide(924, 20, 19), 2);
    EXPECT_EQ(PageOfSlide(924, 20, 25), 2); // past the end: the last page
    // Fewer photos than cells: one page; no whole cell: page 0.
    EXPECT_EQ(PageOfSlide(924, 3, 2), 0);
    EXPECT_EQ(PageOfSlide(100, 9, 8), 0);
    // Every photo's page shows it.
    auto show = ShowOf(std::vector<std::pair<int, int>>(17, {10, 0}), {});
    for (int i = 0; i < 17; ++i) {
        const auto places = PhotoStripPlaces(show, 5 * 132 + 40, PageOfSlide(5 * 132 + 40, 17, i));
        bool shown = false;
        for (const auto& p : places)
            shown = shown || p.Index == i;
        EXPECT_TRUE(shown) << "photo " << i;
    }
}

TEST(StripLayout, DropGapsAndMoveTargets) {
    auto show = ShowOf(std::vector<std::pair<int, int>>(10, {10, 0}), {});
    // Page 0 of a four-cell strip shows photos 0..3: gaps 0..4 by the nearest cell border.
    EXPECT_EQ(DropGap(show, 4 * 132, 0, -20), 0);
    EXPECT_EQ(DropGap(show, 4 * 132, 0, 65), 0);
    EXPECT_EQ(DropGap(show, 4 * 132, 0, 66), 1);
    EXPECT_EQ(DropGap(show, 4 * 132, 0, 132 + 100), 2);
    EXPECT_EQ(DropGap(show, 4 * 132, 0, 4 * 132 + 50), 4);
    // Page 1 shows 4..7; the last page 8..9 ends at its last photo, however far right.
    EXPECT_EQ(DropGap(show, 4 * 132, 1, 10), 4);
    EXPECT_EQ(DropGap(show, 4 * 132, 1, 3 * 132 + 70), 8);
    EXPECT_EQ(DropGap(show, 4 * 132, 2, 3 * 132), 10);
    EXPECT_EQ(DropGap(show, 4 * 132, 2, 140), 9);
    // An empty page (after the last photo was deleted) puts it at the end.
    EXPECT_EQ(DropGap(show, 4 * 132, 3, 10), 10);
    // The gap before or after the photo itself leaves it where it is.
    EXPECT_EQ(MoveTargetOfGap(3, 3), 3);
    EXPECT_EQ(MoveTargetOfGap(3, 4), 3);
    EXPECT_EQ(MoveTargetOfGap(0, 10), 9); // first to the end
    EXPECT_EQ(MoveTargetOfGap(9, 0), 0);  // last to the front
    EXPECT_EQ(MoveTargetOfGap(2, 6), 5);
    EXPECT_EQ(MoveTargetOfGap(6, 2), 2);
}

TEST(StripLayout, TheNewTracksPageShowsIt) {
    // Photos of 10 s (+2 s transitions) on a three-cell strip: 36 s a page.
    auto show = ShowOf(std::vector<std::pair<int, int>>(8, {10, 2}), {30, 20, 40, 50});
    const int width = 3 * 132;
    EXPECT_EQ(PageOfTrack(show, 0, width), 0);
    EXPECT_EQ(PageOfTrack(show, 1, width), 0); // starts at 30 s: photo 2
    EXPECT_EQ(PageOfTrack(show, 2, width), 1); // 50 s: photo 4
    EXPECT_EQ(PageOfTrack(show, 3, width), 2); // 90 s: after the photos, the last page
    for (std::size_t u = 0; u < 3; ++u) {
        const auto places = MusicStripPlaces(
            show, PhotoStripPlaces(show, width, PageOfTrack(show, u, width)), 1280);
        EXPECT_TRUE(places[u].Visible) << "track " << u;
    }
    EXPECT_EQ(PageOfTrack(ShowOf({}, {10}), 0, width), 0); // no photos
}

TEST(StripLayout, LabelsComeFromTheWorkingName) {
    EXPECT_EQ(WorkFileLabel("/tmp/my_dir/reelpane/4242_0007.bmp"), "0007");
    EXPECT_EQ(WorkFileLabel("C:\\Temp\\pictures\\1_0012.bmp"), "0012");
    EXPECT_EQ(WorkFileLabel("noprefix.bmp"), "");
}

} // namespace
