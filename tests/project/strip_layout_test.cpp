// Storyboard geometry: pages of the photo strip, ruler marks, track cells under the photos.
#include "project/StripLayout.h"

#include <gtest/gtest.h>

namespace {

using namespace project;

ShowModel ShowOf(std::vector<std::pair<int, int>> slides, std::vector<int> tracks) {
    ShowModel show;
    for (auto [seconds, transition] : slides) {
        auto s = Slide::MakeDefault();
        s.ShowSeconds = seconds;
        s.TransitionSeconds = transition;
        show.Slides.push_back(s);
    }
    for (int play : tracks) {
        auto t = Track::MakeDefault();
        t.PlaySeconds = play;
        show.Sounds.push_back(t);
    }
    return show;
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
    EXPECT_EQ(marks[0].X, 90 + 42 + 9);
    EXPECT_EQ(marks[0].Seconds, 12);
    EXPECT_EQ(marks[1].X, 132 + 141);
    EXPECT_EQ(marks[1].Seconds, 17);
    EXPECT_EQ(marks[2].Seconds, 27);
    // On page 1 of a two-cell strip only the third photo is marked, with the running total.
    const auto later = RulerMarks(show, PhotoStripPlaces(show, 264, 1));
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].X, 141);
    EXPECT_EQ(later[0].Seconds, 27);
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
    // A track that starts after every visible photo is hidden.
    auto late = ShowOf({{10, 0}}, {30, 10});
    const auto places = MusicStripPlaces(late, PhotoStripPlaces(late, 924, 0), 1280);
    EXPECT_TRUE(places[0].Visible);
    EXPECT_FALSE(places[1].Visible);
    // No photo on show: no track either.
    EXPECT_FALSE(MusicStripPlaces(late, {}, 1280)[0].Visible);
}

TEST(StripLayout, LabelsComeFromTheWorkingName) {
    EXPECT_EQ(WorkFileLabel("/tmp/my_dir/reelpane/4242_0007.bmp"), "0007");
    EXPECT_EQ(WorkFileLabel("C:\\Temp\\pictures\\1_0012.bmp"), "0012");
    EXPECT_EQ(WorkFileLabel("noprefix.bmp"), "");
}

} // namespace
