// The enabled state of the main window's controls by the busy state.
#include "app/ControlStates.h"

#include <gtest/gtest.h>

TEST(ControlStates, BusyAndPaging) {
    // Strip 924 wide holds seven 132-pixel cells.
    auto s = ui::ComputeControlStates(false, 0, 0, 924);
    EXPECT_TRUE(s.Panels);
    EXPECT_FALSE(s.EditButtons);
    EXPECT_FALSE(s.PreviousPage);
    EXPECT_FALSE(s.NextPage);
    s = ui::ComputeControlStates(false, 7, 0, 924);
    EXPECT_TRUE(s.EditButtons);
    EXPECT_FALSE(s.NextPage);
    s = ui::ComputeControlStates(false, 8, 0, 924);
    EXPECT_TRUE(s.NextPage);
    s = ui::ComputeControlStates(false, 8, 1, 924);
    EXPECT_TRUE(s.PreviousPage);
    EXPECT_FALSE(s.NextPage);
    s = ui::ComputeControlStates(true, 8, 1, 924);
    EXPECT_FALSE(s.Panels);
    EXPECT_TRUE(s.EditButtons);
    EXPECT_FALSE(s.PreviousPage);
    EXPECT_FALSE(s.NextPage);
}
