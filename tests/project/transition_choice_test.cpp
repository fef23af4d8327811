// The chooser's rule for storing a transition in one slide or in every slide.
#include "project/TransitionChoice.h"

#include "imaging/TransitionKinds.h"

#include <gtest/gtest.h>

namespace {

using project::ApplyTransitionChoice;
using project::ShowContent;
using project::Slide;
using project::TransitionChoice;

// Three slides with distinct transitions, so that a change to the wrong one shows.
ShowContent ThreeSlides() {
    ShowContent show;
    for (int i = 0; i < 3; ++i) {
        Slide s = Slide::MakeDefault();
        s.TransitionKind = 2 + i;
        s.TransitionMs = std::int64_t{5 + i} * 1000;
        show.Slides.push_back(s);
    }
    return show;
}

std::vector<std::pair<int, int>> Transitions(const ShowContent& show) {
    std::vector<std::pair<int, int>> out;
    for (const Slide& s : show.Slides)
        out.emplace_back(s.TransitionKind, s.TransitionMs / 1000);
    return out;
}

} // namespace

TEST(TransitionChoice, SecondsFollowTheKind) {
    EXPECT_EQ(project::StoredTransitionMs(0, 7000), 0); // no transition never lasts
    EXPECT_EQ(project::StoredTransitionMs(0, 0), 0);
    EXPECT_EQ(project::StoredTransitionMs(5, 700), 700);
    EXPECT_EQ(project::StoredTransitionMs(5, 0), 3000);
    EXPECT_EQ(project::StoredTransitionMs(1, -4), 3000);
    EXPECT_EQ(project::StoredTransitionMs(13, 99000), 99000);
}

TEST(TransitionChoice, OneSlideChangesOnlyThatSlide) {
    ShowContent show = ThreeSlides();
    ASSERT_TRUE(ApplyTransitionChoice(show, 1, {9, 0, false}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>{{2, 5}, {9, 3}, {4, 7}}));
    ASSERT_TRUE(ApplyTransitionChoice(show, 2, {0, 12000, false}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>{{2, 5}, {9, 3}, {0, 0}}));
}

TEST(TransitionChoice, ApplyToAllSetsEverySlide) {
    ShowContent show = ThreeSlides();
    ASSERT_TRUE(ApplyTransitionChoice(show, 1, {0, 4000, true}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>(3, {0, 0})));
    ASSERT_TRUE(ApplyTransitionChoice(show, -1, {6, 0, true}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>(3, {6, 3})));
    ASSERT_TRUE(ApplyTransitionChoice(show, 0, {12, 8000, true}));
    EXPECT_EQ(Transitions(show), (std::vector<std::pair<int, int>>(3, {12, 8})));
}

TEST(TransitionChoice, RefusesUnknownKindsAndSlides) {
    ShowContent show = ThreeSlides();
    const auto before = Transitions(show);
    EXPECT_FALSE(ApplyTransitionChoice(show, 0, {27, 3000, false}));
    EXPECT_FALSE(ApplyTransitionChoice(show, 0, {-1, 3, true}));
    EXPECT_FALSE(ApplyTransitionChoice(show, 3, {2, 3000, false}));
    EXPECT_FALSE(ApplyTransitionChoice(show, -1, {2, 3000, false}));
    EXPECT_EQ(Transitions(show), before);
    ShowContent empty;
    EXPECT_TRUE(ApplyTransitionChoice(empty, 0, {2, 3000, true})); // all of none
    EXPECT_FALSE(ApplyTransitionChoice(empty, 0, {2, 3000, false}));
}

// A newer kind lives in the extension with the nearest classic kind in the record; a classic
// kind chosen afterwards takes the extension's kind away again.
TEST(TransitionChoice, NewerKindsKeepAClassicKindForOlderReaders) {
    ShowContent show = ThreeSlides();
    ASSERT_TRUE(ApplyTransitionChoice(show, 0, {imaging::kTransitionCrossfade, 0, false}));
    EXPECT_EQ(show.Slides[0].Ext.TransitionKind, imaging::kTransitionCrossfade);
    EXPECT_EQ(show.Slides[0].TransitionKind, 0);
    EXPECT_EQ(show.Slides[0].TransitionMs, 3000); // a blend lasts although its classic kind is 0
    EXPECT_EQ(project::SlideTransitionCode(show.Slides[0]), imaging::kTransitionCrossfade);

    ASSERT_TRUE(ApplyTransitionChoice(show, 1, {imaging::kTransitionPushUp, 2000, true}));
    for (const Slide& s : show.Slides) {
        EXPECT_EQ(s.Ext.TransitionKind, imaging::kTransitionPushUp);
        EXPECT_EQ(s.TransitionKind, imaging::NearestClassicKind(imaging::kTransitionPushUp));
        EXPECT_EQ(s.TransitionMs, 2000);
    }

    ASSERT_TRUE(ApplyTransitionChoice(show, 2, {7, 4000, false}));
    EXPECT_EQ(show.Slides[2].Ext.TransitionKind, 0);
    EXPECT_EQ(show.Slides[2].TransitionKind, 7);
    EXPECT_EQ(project::SlideTransitionCode(show.Slides[2]), 7);
    EXPECT_EQ(show.Slides[1].Ext.TransitionKind, imaging::kTransitionPushUp);
}
