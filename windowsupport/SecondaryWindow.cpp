#include "SecondaryWindow.h"

#include <QCloseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "Accessibility.h"
#include "Look.h"
#include "X11Watch.h"

namespace cpuchat {

SecondaryWindow::SecondaryWindow(PolledWindow& owner, Qt::WindowFlags flags)
    : QWidget(owner.asWidget(), flags), m_owner(owner) {
    // The parent makes the main window this window's transient parent; the modality
    // tells the window system that the main window waits for this one.
    setWindowModality(Qt::WindowModal);
    useSmallWindowFont(this);
    // A plain widget window reads as a filler to screen readers; it is a dialog.
    setAccessibleRole(this, QAccessible::Dialog);
    new StateWatch(  // owned by the window
        this, [this](Qt::WindowStates states) { stateAsked(states); },
        [this](Qt::WindowStates states) { stateConfirmed(states); });
}

SecondaryWindow::~SecondaryWindow() = default;

void SecondaryWindow::open() {
    prepareToOpen();
    QWidget* main = m_owner.asWidget();
    m_owner.suspendPolling();
    // Disabled as well as blocked by the modality: the main window shows that it takes
    // no input, its menus grey while its input line and status bar stay readable.
    main->setEnabled(false);
    if (!m_placed) {
        if (const QScreen* desktop = main->screen()) move(firstPlace(desktop->availableGeometry()));
        m_placed = true;
    }
    show();
    // Disabling the main window disabled its child windows too; this one takes input.
    setEnabled(true);
    // A window manager need not give the keys to a new tool window by itself.
    raise();
    activateWindow();
    if (m_whileOpen) m_whileOpen->start();
}

void SecondaryWindow::dismiss() {
    if (m_whileOpen) m_whileOpen->stop();
    m_owner.resumePolling();
    m_owner.asWidget()->setEnabled(true);
    hide();
}

QPoint SecondaryWindow::firstPlace(const QRect& desktop) { return desktop.center() - rect().center(); }

void SecondaryWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

void SecondaryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The toolkit holds back every close request for a window that a modal window
    // blocks; the main window's close box must still end the program.
    if (m_ownerCloseBox) return;
    QWidget* main = m_owner.asWidget();
    m_ownerCloseBox =
        std::make_unique<X11Watch>(main, X11Watch::Event::CloseRequest, [main] { main->close(); });
}

void SecondaryWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // A window the window manager minimised still blocks the main window.
    if (!event->spontaneous()) m_ownerCloseBox.reset();
}

void SecondaryWindow::stateAsked(Qt::WindowStates states) {
    // Not a moment at a fixed size while the window system may hold it maximised.
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) m_fixedSize.lift(this);
    if (states & Qt::WindowMinimized) {
        m_minimised = true;
        QTimer::singleShot(0, this, &SecondaryWindow::bringBack);
    }
}

void SecondaryWindow::stateConfirmed(Qt::WindowStates states) {
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        // Once the window system is done with this news; asked of the window itself, as
        // the widget hears of the state only later.
        QTimer::singleShot(0, this, [this] {
            windowHandle()->setWindowStates(windowHandle()->windowStates() &
                                            ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        });
    } else if (!(states & Qt::WindowMinimized)) {
        m_fixedSize.restore(this);
    }
}

void SecondaryWindow::bringBack() {
    if (!m_minimised) return;
    m_minimised = false;
    if (!isVisible()) return;
    windowHandle()->setWindowStates(windowHandle()->windowStates() & ~Qt::WindowMinimized);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // A Wayland client cannot ask for a minimised window back; shown anew it is the
    // main window's child again, on top of it.
    hide();
    show();
    raise();
    activateWindow();
}

}  // namespace cpuchat
