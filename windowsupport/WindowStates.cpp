#include "WindowStates.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace cpuchat {

bool statesConfirmedLater() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

void FixedSizeHold::lift(QWidget* window) {
    if (m_lifted) return;
    m_lifted = true;
    m_minimum = window->minimumSize();
    m_maximum = window->maximumSize();
    // A layout of a fixed size would fix the window again at its next activation.
    if (QLayout* layout = window->layout()) {
        m_constraint = layout->sizeConstraint();
        if (m_constraint == QLayout::SetFixedSize) layout->setSizeConstraint(QLayout::SetNoConstraint);
    }
    window->setMinimumSize(0, 0);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void FixedSizeHold::restore(QWidget* window) {
    if (!m_lifted) return;
    m_lifted = false;
    if (QLayout* layout = window->layout()) layout->setSizeConstraint(m_constraint);
    window->setMinimumSize(m_minimum);
    window->setMaximumSize(m_maximum);
    window->resize(window->size().expandedTo(m_minimum).boundedTo(m_maximum));
}

StateWatch::StateWatch(QWidget* window, Handler asked, Handler confirmed)
    : QObject(window), m_window(window), m_asked(std::move(asked)), m_confirmed(std::move(confirmed)) {
    if (QWindow* handle = window->windowHandle()) watch(handle);
    window->installEventFilter(this);
}

void StateWatch::watch(QWindow* handle) {
    if (handle == m_handle) return;
    m_handle = handle;
    // The toolkit's own title bar (Wayland) asks the window itself: the signal comes
    // before the compositor has heard of it.
    connect(handle, &QWindow::windowStateChanged, this, [this] {
        if (m_handle) m_asked(m_handle->windowStates());
    });
    handle->installEventFilter(this);
}

bool StateWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window && event->type() == QEvent::Show) {
        if (QWindow* handle = m_window->windowHandle()) watch(handle);
    } else if (watched == m_handle && event->type() == QEvent::WindowStateChange && event->spontaneous()) {
        // Only the window system's own report reaches the window as a spontaneous event.
        m_confirmed(m_handle->windowStates());
    }
    return false;
}

}  // namespace cpuchat
