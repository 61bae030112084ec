#include "WindowMotion.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "DialogueView.h"
#include "FullScreen.h"
#include "PanelStatusBar.h"
#include "Random.h"
#include "X11Watch.h"

namespace cpuchat {

namespace {

constexpr int kConfirmationMs = 2000;

}  // namespace

WindowMotion::WindowMotion(QMainWindow* window, const MainControls& controls, QAction* fullScreenItem,
                           std::function<void(const QPoint&)> moveTo)
    : m_window(window), m_ui(controls), m_fullScreenItem(fullScreenItem), m_moveTo(std::move(moveTo)) {
    m_frameWatch = std::make_unique<X11Watch>(window, X11Watch::Event::PropertyChange, [this] {
        if (m_fullScreen) applyFullScreenLayout();
    });
    new StateWatch(  // owned by the window
        window, [this](Qt::WindowStates states) { stateAsked(states); },
        [this](Qt::WindowStates states) { stateConfirmed(states); });
}

WindowMotion::~WindowMotion() = default;

// ---- Place and size -------------------------------------------------------------------

QRect WindowMotion::frame() const {
    // The widget's own copy of the frame's size is renewed only when the window moves
    // or is resized; an X11 window manager may tell a new frame after that.
    const QWindow* handle = m_window->windowHandle();
    return m_window->geometry().marginsAdded(handle ? handle->frameMargins() : QMargins());
}

void WindowMotion::place(const QPoint& frameTopLeft) {
    m_window->setGeometry(
        QRect(frameTopLeft + m_window->geometry().topLeft() - frame().topLeft(), m_window->size()));
}

void WindowMotion::centreOnDesktop() {
    const QScreen* desktop = m_window->screen();
    if (!desktop) return;
    QRect frame = this->frame();
    frame.moveCenter(desktop->availableGeometry().center());
    m_moveTo(frame.topLeft());
}

QSize WindowMotion::normalSize() const {
    // The menu bar's height depends on the platform; the client area below it does not.
    return {kMainClientWidth, m_window->menuBar()->sizeHint().height() + kMainClientHeight};
}

void WindowMotion::keepNormalSize() { m_window->setFixedSize(normalSize()); }

void WindowMotion::windowEvent(const QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
            if (!m_centred) {
                m_centred = true;
                centreOnDesktop();
            }
            break;
        case QEvent::Resize:
        case QEvent::Move:
        case QEvent::WindowStateChange:
            // The window manager may deliver the maximised size, or the frame around it,
            // only after toggleFullScreen() has returned.
            if (m_fullScreen) applyFullScreenLayout();
            break;
        default:
            break;
    }
}

// ---- Animations -------------------------------------------------------------------------

bool WindowMotion::readyToMove() const {
    return !m_window->isVisible() || m_window->windowHandle()->isExposed();
}

void WindowMotion::shake(Random& random, Clock& clock) {
    random.seed(clock.seedValue());
    const int jumps = random.uniform(125, 250);
    for (int i = 0; i < jumps; ++i) {
        const int left = random.uniform(95, 105);
        const int top = random.uniform(95, 105);
        m_moveTo(QPoint(frame().x(), top));
        m_moveTo(QPoint(left, top));
    }
    centreOnDesktop();
}

int WindowMotion::closingStep() {
    ++m_closingCount;
    if (m_closingCount == 1) m_sizeBeforeClosing = m_window->size();
    if (m_closingCount >= kClosingExitTick) return m_closingCount;
    m_moveTo(frame().topLeft() - QPoint(3, 2));
    // The smallest window the platform draws is one pixel of client area.
    m_window->setFixedSize((m_window->size() - QSize(10, 8)).expandedTo(QSize(1, 1)));
    return m_closingCount;
}

void WindowMotion::giveBackAfterClosing() {
    m_window->setFixedSize(m_sizeBeforeClosing);
    centreOnDesktop();
}

// ---- Full screen --------------------------------------------------------------------------

void WindowMotion::toggleFullScreen() {
    if (m_fullScreen) {
        leaveFullScreen(true);
    } else {
        enterFullScreen(true);
    }
}

void WindowMotion::enterFullScreen(bool ask) {
    m_fullScreen = true;
    m_settlingNormal = false;
    m_fullScreenItem->setChecked(true);
    m_fullScreenItem->setText(QStringLiteral("Normal"));
    // The window is fixed-size, and no window manager maximises such a window.
    m_window->setMinimumSize(0, 0);
    m_window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_ui.client->setMinimumSize(0, 0);
    m_ui.client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (ask && m_normalUnconfirmed) {
        // weston's XWayland window manager, asked to maximise before it is done with
        // the return to normal, keeps the old fixed size.
        m_maximiseWhenNormal = true;
        // A window manager that never confirms it does not hold the full screen back.
        QTimer::singleShot(kConfirmationMs, m_window, [this] { maximiseWhenNormal(); });
    } else if (ask) {
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
    }
    applyFullScreenLayout();
}

void WindowMotion::leaveFullScreen(bool ask) {
    m_fullScreen = false;
    m_fullScreenItem->setChecked(false);
    m_fullScreenItem->setText(QStringLiteral("Full Screen"));
    // Read while still maximised: the place the window had before full screen.
    m_normalPlace = m_window->normalGeometry().topLeft();
    if (statesConfirmedLater()) {
        // The compositor holds the window at the maximised size until it confirms the
        // normal state; a fixed size given before that ends the connection.
        m_settlingNormal = true;
        if (ask)
            m_window->setWindowState(m_window->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        applyLayout(normalLayout());
        return;
    }
    const QSize fixed = normalSize();
    // The window manager learns the fixed size while the window is still maximised:
    // openbox then frames the restored window as a fixed one, without the resize
    // handle of a resizable window.
    m_window->windowHandle()->setMinimumSize(fixed);
    m_window->windowHandle()->setMaximumSize(fixed);
    if (ask)
        m_window->setWindowState(m_window->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    // On X11 the window manager confirms the normal state later; offscreen it is at once.
    m_normalUnconfirmed = QGuiApplication::platformName() == QLatin1String("xcb");
    settleNormal();
}

void WindowMotion::settleNormal() {
    m_settlingNormal = false;
    const QSize fixed = normalSize();
    m_ui.client->setFixedSize(kMainClientWidth, kMainClientHeight);
    // Placed before the widget takes its fixed size, which alone would be asked
    // for at the maximised window's corner.
    m_window->setGeometry(QRect(m_normalPlace, fixed));
    m_window->setFixedSize(fixed);
    applyLayout(normalLayout());
}

void WindowMotion::stateAsked(Qt::WindowStates states) {
    // A state the program asked for itself finds the flag already set to it.
    const bool big = states & (Qt::WindowMaximized | Qt::WindowFullScreen);
    if (big && !m_fullScreen) {
        enterFullScreen(false);
    } else if (!big && !(states & Qt::WindowMinimized) && m_fullScreen) {
        leaveFullScreen(false);
    }
}

void WindowMotion::stateConfirmed(Qt::WindowStates states) {
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) return;
    m_normalUnconfirmed = false;
    if (m_settlingNormal) settleNormal();
    maximiseWhenNormal();
}

void WindowMotion::maximiseWhenNormal() {
    if (!m_maximiseWhenNormal) return;
    m_maximiseWhenNormal = false;
    m_normalUnconfirmed = false;
    if (m_fullScreen) m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);
}

QSize WindowMotion::outerSize() const {
    if (m_outerSize) return m_outerSize();
    // The frame the window system reports may hold more than a title bar and borders
    // (weston frames an XWayland window with an invisible shadow): the controls must
    // fit the client area the window really has.
    return frame().size().boundedTo(m_ui.client->size() + QSize(kFrameWidth, kFrameHeight));
}

void WindowMotion::applyFullScreenLayout() {
    const QSize outer = outerSize();
    applyLayout(fullScreenLayout(outer.width(), outer.height()));
}

void WindowMotion::applyLayout(const MainLayout& layout) {
    m_ui.tabControl1->resize(layout.upperFrameWidth, layout.upperFrameHeight);
    m_ui.richEdit1->resize(layout.viewWidth, layout.viewHeight);
    m_ui.tabControl2->resize(layout.lowerFrameWidth, m_ui.tabControl2->height());
    m_ui.tabControl2->move(m_ui.tabControl2->x(), layout.lowerFrameTop);
    m_ui.speedButton1->move(layout.sendLeft, m_ui.speedButton1->y());
    m_ui.speedButton3->move(layout.layoutLeft, m_ui.speedButton3->y());
    m_ui.speedButton2->move(layout.undoLeft, m_ui.speedButton2->y());
    m_ui.edit1->resize(layout.inputWidth, m_ui.edit1->height());
    // The status bar stays docked to the bottom edge of the client area.
    m_ui.statusBar1->setGeometry(0, m_ui.client->height() - kStatusBarHeight, m_ui.client->width(),
                                 kStatusBarHeight);
}

}  // namespace cpuchat
