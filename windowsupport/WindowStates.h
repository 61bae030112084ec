#pragma once
// The state of a top-level window (normal, maximised, full screen, minimised) as two
// voices tell it: the state the window is asked for (by the program, by the title bar
// the toolkit draws itself, by the window system) and the state the window system then
// confirms. A Wayland compositor holds a maximised window to the size it gave and ends
// the connection when the window draws itself at another one, so a window of a fixed
// size drops that size as soon as a maximised state is asked for, and takes it back
// only when the window system confirms the normal state.

#include <QLayout>
#include <QObject>
#include <QSize>
#include <functional>

class QWidget;
class QWindow;

namespace cpuchat {

/// True where the window system confirms a state only later and holds the window to the
/// state it confirmed (Wayland): a fixed size waits for the confirmation of the normal state.
bool statesConfirmedLater();

/// The fixed size of a window, kept aside while the window may be maximised.
class FixedSizeHold {
public:
    /// Lets `window` take any size (its own limits and its layout's), once.
    void lift(QWidget* window);
    /// Gives `window` back the limits it had before lift().
    void restore(QWidget* window);
    bool lifted() const noexcept { return m_lifted; }

private:
    QSize m_minimum;
    QSize m_maximum;
    QLayout::SizeConstraint m_constraint = QLayout::SetDefaultConstraint;
    bool m_lifted = false;
};

class StateWatch : public QObject {
public:
    using Handler = std::function<void(Qt::WindowStates)>;
    /// Calls `asked` whenever `window`'s state changes, at once (the window system may
    /// follow later) and `confirmed` with each state the window system reports for it.
    /// The watch starts when the window is first shown and lives no longer than it.
    StateWatch(QWidget* window, Handler asked, Handler confirmed);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWindow* handle);

    QWidget* m_window;
    Handler m_asked;
    Handler m_confirmed;
    QWindow* m_handle = nullptr;
};

}  // namespace cpuchat
