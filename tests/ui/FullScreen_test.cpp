#include "FullScreen.h"

#include <gtest/gtest.h>

#include <utility>

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

TEST(FullScreenLayout, FillsTheClientAreaWithinTheProgramsOwnFrame) {
    // The lower frame is 30 high; the status bar below it 19.
    for (const auto& [width, height] : {std::pair{1275, 718}, std::pair{587, 361}, std::pair{1920, 1000}}) {
        SCOPED_TRACE(width);
        const MainLayout l =
            cpuchat::fullScreenLayout(width + cpuchat::kFrameWidth, height + cpuchat::kFrameHeight);
        EXPECT_EQ(l.lowerFrameWidth, width);
        EXPECT_EQ(l.lowerFrameTop + 30, height - 19);
        EXPECT_EQ(l.upperFrameHeight, l.lowerFrameTop + 1);
        EXPECT_EQ(l.sendLeft + 86, width - 2);
    }
}

}  // namespace
