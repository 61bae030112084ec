#pragma once
// The one way a secondary window (the editor, the About window, the virtual keyboard)
// opens and closes. It is a modal child of the main window: the window system knows the
// main window as its parent and the window as modal over it, so that it stays with the
// main window. While it is open the main window's UI polling is suspended and the main
// window takes no input (it is disabled, and stays readable). Only the window's own
// buttons or menu close it: a close request from the window system is refused, since the
// main window would stay disabled. Where the window system still offers to maximise or
// minimise it (the title bar Qt draws itself on Wayland has both buttons), a maximise is
// refused by a return to the normal state and a minimised window comes straight back,
// since the main window waits for it.

#include <QWidget>
#include <memory>

#include "WindowStates.h"

class QTimer;

namespace cpuchat {

class X11Watch;

/// The main window as its secondary windows see it. Its UI polling moves the keyboard
/// focus into the input line at every tick, so it must not run while a secondary window
/// is open; it never ticks while the main window is disabled.
class PolledWindow {
public:
    /// The main window itself, the parent of the secondary windows.
    virtual QWidget* asWidget() = 0;
    /// Stops the UI polling. The main window is disabled right after.
    virtual void suspendPolling() = 0;
    /// Restarts the UI polling. The main window is enabled right after.
    virtual void resumePolling() = 0;

protected:
    ~PolledWindow() = default;
};

class SecondaryWindow : public QWidget {
    Q_OBJECT
public:
    ~SecondaryWindow() override;

    /// Opens the window, in this order: prepareToOpen(); the main window's polling stops
    /// and the main window is disabled; the window shows (the first time at firstPlace()),
    /// is enabled, raised and given the keys; the timer that runs while it is open starts.
    void open();

protected:
    /// Builds the window hidden, of the kind and title bar `flags` give, as a modal child
    /// of `owner`, in the small window font.
    SecondaryWindow(PolledWindow& owner, Qt::WindowFlags flags);

    /// Closes the window, in this order: the timer that runs while it is open stops; the
    /// main window's polling restarts and the main window is enabled; the window hides.
    void dismiss();

    /// `timer` runs exactly while the window is open.
    void runWhileOpen(QTimer* timer) { m_whileOpen = timer; }

    /// Runs first when the window opens, before the main window goes out of use.
    virtual void prepareToOpen() {}
    /// The top-left corner of the window's place when it opens the first time: centred
    /// on `desktop` by its size. Later openings find it where it was left.
    virtual QPoint firstPlace(const QRect& desktop);

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void stateAsked(Qt::WindowStates states);
    void stateConfirmed(Qt::WindowStates states);
    void bringBack();

    PolledWindow& m_owner;
    FixedSizeHold m_fixedSize;
    bool m_minimised = false;  // until the window is back
    QTimer* m_whileOpen = nullptr;
    // While this window blocks the main window, the main window's close box still closes it.
    std::unique_ptr<X11Watch> m_ownerCloseBox;
    bool m_placed = false;
};

}  // namespace cpuchat
