#pragma once
// Where the main window is and how big it is: its frame as the window system knows it,
// the centring on the desktop, the shake, the drift and shrink of the closing animation,
// the fixed size of the normal window and the full-screen state with the layout of the
// controls in both states. Everything that moves or sizes the main window goes through
// here; the window's handlers (Timer7Timer, Timer4Timer, N40Click) add the sounds and
// the locking of the input line and menus.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>
#include <memory>

#include "MainControls.h"
#include "WindowStates.h"

class QAction;
class QEvent;
class QMainWindow;

namespace cpuchat {

class Clock;
class Random;
class X11Watch;
struct MainLayout;

class WindowMotion {
public:
    /// The closing animation's step at which it ends in the exit instead of a move.
    static constexpr int kClosingExitTick = 80;

    /// Moves and sizes `window`, whose controls are `controls`. `moveTo` places the frame's
    /// top-left corner (the window's own moveWindowTo(), which a test may record; it ends
    /// in place()). The check mark of `fullScreenItem` ("&Full Screen") is the full-screen
    /// flag, its caption the state the item leads to.
    WindowMotion(QMainWindow* window, const MainControls& controls, QAction* fullScreenItem,
                 std::function<void(const QPoint&)> moveTo);
    ~WindowMotion();
    WindowMotion(const WindowMotion&) = delete;
    WindowMotion& operator=(const WindowMotion&) = delete;

    /// The window's frame in screen coordinates, as the window system knows it now.
    QRect frame() const;
    /// Places the frame's top-left corner at `frameTopLeft`, in screen coordinates.
    void place(const QPoint& frameTopLeft);
    void centreOnDesktop();
    /// Gives the window the fixed size of its normal state.
    void keepNormalSize();

    /// Every event of the window, after the window has handled it: the window is centred
    /// when it is shown the first time, and in full screen the layout follows its size.
    void windowEvent(const QEvent* event);

    /// False until the window manager has framed and shown a visible window: its frame's
    /// size is unknown until then, and a jump would place the frame off by it.
    bool readyToMove() const;
    /// The jumps of the shake, all at once: 125 to 250 jumps, each landing 95 to 105
    /// pixels from the left and the top edge of the screen, top first; then back to the
    /// centre. `random` is seeded from `clock` first.
    void shake(Random& random, Clock& clock);

    /// One step of the closing animation: counts it and, before the exit's step, moves the
    /// window 2 pixels up and 3 to the left and makes it 10 narrower and 8 lower. Returns
    /// the count, which is never reset.
    int closingStep();
    /// After a failed exit: the window's size from before the closing, centred.
    void giveBackAfterClosing();

    bool fullScreen() const noexcept { return m_fullScreen; }
    /// Maximises the window and stretches the controls to it, or returns to the normal
    /// window and layout. A maximised or full-screen state that the window system or its
    /// title bar asks for is taken as the same full screen, and a return to the normal
    /// state from there as the return to normal.
    void toggleFullScreen();
    /// Replaces how the full-screen layout reads the maximised window's outer size (a
    /// test gives one; empty: the frame's size, at most the client area's with the
    /// program's own frame around it).
    void setOuterSizeSource(std::function<QSize()> source) { m_outerSize = std::move(source); }

private:
    void enterFullScreen(bool ask);
    void leaveFullScreen(bool ask);
    void stateAsked(Qt::WindowStates states);
    void stateConfirmed(Qt::WindowStates states);
    void settleNormal();
    void maximiseWhenNormal();
    QSize normalSize() const;
    QSize outerSize() const;
    void applyFullScreenLayout();
    void applyLayout(const MainLayout& layout);

    QMainWindow* m_window;
    MainControls m_ui;
    QAction* m_fullScreenItem;
    std::function<void(const QPoint&)> m_moveTo;
    std::function<QSize()> m_outerSize;
    // While in full screen the layout follows the frame also when only the window
    // manager's note of the frame's size changes.
    std::unique_ptr<X11Watch> m_frameWatch;
    // Where the window returns to from full screen, once the window system confirms the
    // normal state (on Wayland the fixed size waits for that).
    QPoint m_normalPlace;
    bool m_settlingNormal = false;
    // Full screen asked for while the window manager has yet to confirm the normal state.
    bool m_normalUnconfirmed = false;
    bool m_maximiseWhenNormal = false;
    int m_closingCount = 0;
    QSize m_sizeBeforeClosing;
    bool m_fullScreen = false;
    bool m_centred = false;
};

}  // namespace cpuchat
