#include "FullScreen.h"

#include <gtest/gtest.h>

namespace {

using cpuchat::MainLayout;

TEST(FullScreenLayout, StretchesTheControlsToTheMaximisedWindow) {
    const MainLayout l = cpuchat::fullScreenLayout(1032, 776);
    EXPECT_EQ(l.upperFrameWidth, 1028);
    EXPECT_EQ(l.upperFrameHeight, 678);
    EXPECT_EQ(l.viewWidth, 1021);
    EXPECT_EQ(l.viewHeight, 668);
    EXPECT_EQ(l.lowerFrameWidth, 1027);
    EXPECT_EQ(l.lowerFrameTop, 677);
    EXPECT_EQ(l.sendLeft, 939);
    EXPECT_EQ(l.layoutLeft, 896);
    EXPECT_EQ(l.undoLeft, 869);
    EXPECT_EQ(l.inputWidth, 865);
}

TEST(FullScreenLayout, ReturnsToTheFixedNormalValues) {
    const MainLayout l = cpuchat::normalLayout();
    EXPECT_EQ(l.upperFrameWidth, 588);
    EXPECT_EQ(l.upperFrameHeight, 313);
    EXPECT_EQ(l.viewWidth, 581);
    EXPECT_EQ(l.viewHeight, 305);  // not the 303 the view starts with
    EXPECT_EQ(l.lowerFrameWidth, 585);
    EXPECT_EQ(l.lowerFrameTop, 312);
    EXPECT_EQ(l.sendLeft, 496);
    EXPECT_EQ(l.layoutLeft, 453);
    EXPECT_EQ(l.undoLeft, 426);
    EXPECT_EQ(l.inputWidth, 422);
}

}  // namespace
