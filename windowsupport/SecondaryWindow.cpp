#include "SecondaryWindow.h"

#include <QCloseEvent>
#include <QScreen>
#include <QTimer>

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

}  // namespace cpuchat
