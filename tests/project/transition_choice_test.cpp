// The chooser's rule for storing a transition in one slide or in every slide.
#include "project/TransitionChoice.h"

#include "imaging/TransitionKinds.h"

#include <gtest/gtest.h>

namespace {

using project::ApplyTransitionChoice;
using project::ShowModel;
using project::Slide;
using project::TransitionChoice;

// Three slides with distinct transitions, so that a change to the wrong one shows.
ShowModel ThreeSlides() {
    ShowModel show;
    for (int i = 0; i < 3; ++i) {
        Slide s = Slide::MakeDefault();
        s.TransitionKind = 2 + i;
        s.TransitionSeconds = 5 + i;
        show.Slides.push_back(s);
    }
    return show;
}

std::vector<std::pair<int, int>> Transitions(const ShowModel& show) {
    std::vector<std::pair<int, int>> out;
    for (const Slide& s : show.Slides)
        out.emplace_back(s.TransitionKind, s.TransitionSeconds);
    return out;
}

} // namespace

TEST(TransitionChoice, SecondsFollowTheKind) {
    EXPECT_EQ(project::StoredTransitionSeconds(0, 7), 0); // no transition never lasts
    EXPECT_EQ(project::StoredTransitionSeconds(0, 0), 0);
    EXPECT_EQ(project::StoredTransitionSeconds(5, 7), 7);
    EXPECT_EQ(project::StoredTransitionSeconds(5, 0), 3);
    EXPECT_EQ(project::StoredTransitionSeconds(1, -4), 3);
    EXPECT_EQ(project::StoredTransitionSeconds(13, 99), 99);
}

TEST(TransitionChoice, OneSlideChangesOnlyThatSlide) {
    ShowModel show = ThreeSlides();
    ASSERT_TRUE(ApplyTransitionChoice(show, 1, {9, 0, false}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>{{2, 5}, {9, 3}, {4, 7}}));
    ASSERT_TRUE(ApplyTransitionChoice(show, 2, {0, 12, false}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>{{2, 5}, {9, 3}, {0, 0}}));
}

TEST(TransitionChoice, ApplyToAllSetsEverySlide) {
    ShowModel show = ThreeSlides();
    ASSERT_TRUE(ApplyTransitionChoice(show, 1, {0, 4, true}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>(3, {0, 0})));
    ASSERT_TRUE(ApplyTransitionChoice(show, -1, {6, 0, true}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>(3, {6, 3})));
    ASSERT_TRUE(ApplyTransitionChoice(show, 0, {12, 8, true}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>(3, {12, 8})));
}

TEST(TransitionChoice, RefusesUnknownKindsAndSlides) {
    ShowModel show = ThreeSlides();
    const auto before = Transitions(show);
    EXPECT_FALSE(ApplyTransitionChoice(show, 0, {27, 3, false}));
    EXPECT_FALSE(ApplyTransitionChoice(show, 0, {-1, 3, true}));
    EXPECT_FALSE(ApplyTransitionChoice(show, 3, {2, 3, false}));
    EXPECT_FALSE(ApplyTransitionChoice(show, -1, {2, 3, false}));
    EXPECT_EQ(Transitions(show), before);
    ShowModel empty;
    EXPECT_TRUE(ApplyTransitionChoice(empty, 0, {2, 3, true})); // all of none
    EXPECT_FALSE(ApplyTransitionChoice(empty, 0, {2, 3, false}));
}

// A newer kind lives in the extension with the nearest seed kind in the record; a seed kind
// chosen afterwards takes the extension's kind away again.
TEST(TransitionChoice, NewerKindsKeepASeedKindForOlderReaders) {
    ShowModel show = ThreeSlides();
    ASSERT_TRUE(ApplyTransitionChoice(show, 0, {imaging::kTransitionCrossfade, 0, false}));
    EXPECT_EQ(show.Slides[0].Ext.TransitionKind, imaging::kTransitionCrossfade);
    EXPECT_EQ(show.Slides[0].TransitionKind, 0);
    EXPECT_EQ(show.Slides[0].TransitionSeconds, 3); // a blend lasts although its seed kind is 0
    EXPECT_EQ(project::SlideTransitionCode(show.Slides[0]), imaging::kTransitionCrossfade);

    ASSERT_TRUE(ApplyTransitionChoice(show, 1, {imaging::kTransitionPushUp, 2, true}));
    for (const Slide& s : show.Slides) {
        EXPECT_EQ(s.Ext.TransitionKind, imaging::kTransitionPushUp);
        EXPECT_EQ(s.TransitionKind, imaging::NearestSeedKind(imaging::kTransitionPushUp));
        EXPECT_EQ(s.TransitionSeconds, 2);
    }

    ASSERT_TRUE(ApplyTransitionChoice(show, 2, {7, 4, false}));
    EXPECT_EQ(show.Slides[2].Ext.TransitionKind, 0);
    EXPECT_EQ(show.Slides[2].TransitionKind, 7);
    EXPECT_EQ(project::SlideTransitionCode(show.Slides[2]), 7);
    EXPECT_EQ(show.Slides[1].Ext.TransitionKind, imaging::kTransitionPushUp);
}
