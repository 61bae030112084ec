#pragma once
// The main window's layout in its two states, normal and full screen ("&Full Screen",
// N40Click). Plain values, no Qt: the main window applies them to its controls in the
// order of the fields below.
//
//     const cpuchat::MainLayout l = full ? cpuchat::fullScreenLayout(frameGeometry().width(),
//                                                                    frameGeometry().height())
//                                        : cpuchat::normalLayout();
//     TabControl1->resize(l.upperFrameWidth, l.upperFrameHeight);  ...
//
// Positions are relative to each control's container: the main window's client area for
// the two frames, the upper frame for the dialogue view, the lower frame for the input
// line and the three buttons. Lefts and tops not listed here never change.

namespace cpuchat {

struct MainLayout {
    int upperFrameWidth;   // TabControl1
    int upperFrameHeight;
    int viewWidth;         // the dialogue view
    int viewHeight;
    int lowerFrameWidth;   // TabControl2
    int lowerFrameTop;
    int sendLeft;          // "Сказать"
    int layoutLeft;        // "E/R"
    int undoLeft;          // "<"
    int inputWidth;        // the input line

    friend constexpr bool operator==(const MainLayout&, const MainLayout&) = default;
};

/// The program's own frame around the client area, menu bar included: the upper frame
/// is W - 4 by H - 98 in full screen and 588 by 313 in the normal window of 587 by 361
/// inside, so 592 by 411 outside. With this frame the full-screen layout fills the client
/// area exactly: the lower frame as wide as it, its bottom on the status bar's top.
constexpr int kFrameWidth = 5;
constexpr int kFrameHeight = 50;

/// The layout of the maximised window, from its outer width and height (frame, title bar
/// and menu bar included) as they are after maximising. The lower frame overlaps the upper
/// one by a pixel, as in the normal layout.
constexpr MainLayout fullScreenLayout(int outerWidth, int outerHeight) {
    return {
        outerWidth - 4,   outerHeight - 98,  outerWidth - 11, outerHeight - 108, outerWidth - 5,
        outerHeight - 99, outerWidth - 93,   outerWidth - 136, outerWidth - 163, outerWidth - 167,
    };
}

/// The fixed layout of the normal window. It is the start-up layout except for the
/// dialogue view, which comes back 305 pixels high instead of the 303 it starts with.
constexpr MainLayout normalLayout() { return {588, 313, 581, 305, 585, 312, 496, 453, 426, 422}; }

}  // namespace cpuchat
