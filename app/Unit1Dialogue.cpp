// TForm1's handlers for what happens without the user's phrase: the idle remarks, the
// Cpu\Cpu mode and its tick, the shake and closing animations; and the input aids on
// the input line (layout conversion, input guard, virtual keyboard).

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "DialogueView.h"
#include "InputLine.h"
#include "Messages.h"
#include "Unit1.h"
#include "Unit4.h"

namespace cpuchat {

namespace {

constexpr int kClosingExitTick = 80;
constexpr int kClosingSoundTick = 10;
constexpr int kIntervalMin = 1;
constexpr int kIntervalMax = 60000;

}  // namespace

// ---- Helpers ----------------------------------------------------------------------

TForm4* TForm1::createVirtualKeyboard() {
    if (!m_form4) m_form4 = new TForm4(this, m_edit1, &m_timer1, [this] { clickSend(); });
    return m_form4;
}

QRect TForm1::frame() const {
    // The widget's own copy of the frame's size is renewed only when the window moves
    // or is resized; an X11 window manager may tell a new frame after that.
    return geometry().marginsAdded(windowHandle() ? windowHandle()->frameMargins() : QMargins());
}

void TForm1::moveWindowTo(const QPoint& frameTopLeft) {
    setGeometry(QRect(frameTopLeft + geometry().topLeft() - frame().topLeft(), size()));
}

void TForm1::centreOnDesktop() {
    const QScreen* desktop = screen();
    if (!desktop) return;
    QRect frame = this->frame();
    frame.moveCenter(desktop->availableGeometry().center());
    moveWindowTo(frame.topLeft());
}

void TForm1::setMenusEnabled(bool enabled) {
    // The menus of this window's bar: the virtual keyboard has a "N1" of its own.
    for (const char* name : {"N1", "N5", "N11"}) {
        if (auto* menu =
                menuBar()->findChild<QMenu*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly)) {
            menu->menuAction()->setEnabled(enabled);
        }
    }
}

void TForm1::reportFailure(RepeatedFailure* repeats, const QString& message) {
    if (repeats && !repeats->shouldShow(message)) return;
    showMessage(this, message);
}

void TForm1::forgetRepeatedFailures() {
    m_idleFailures.forget();
    m_cpuCpuFailures.forget();
    m_closingFailures.forget();
}

bool TForm1::exitProgram(RepeatedFailure* repeats) {
    try {
        m_engine.exitLog();
    } catch (const std::exception& error) {
        reportFailure(repeats, fromCp1251(error.what()));
        return false;
    }
    close();
    return true;
}

// ---- Idle remarks and the Cpu\Cpu mode ---------------------------------------------

void TForm1::Timer2Timer() {
    std::optional<std::string> remark;
    try {
        remark = m_engine.idleTick();
    } catch (const std::exception& error) {
        // The counter keeps its value, so the remark falls due again next second.
        reportFailure(&m_idleFailures, fromCp1251(error.what()));
        return;
    }
    if (!remark) return;
    m_idleFailures.forget();
    syncView();  // a remark sets only the general colour
    playSound(5);
}

void TForm1::CpuUser1Click() {
    setStatusText(2, QStringLiteral("Режим Cpu\\User"));
    m_engine.switchToCpuUser();
    syncView();
    m_cpuUser1->setChecked(true);
    m_cpu31->setChecked(false);
    forgetRepeatedFailures();
}

void TForm1::Cpu31Click() {
    setStatusText(2, QStringLiteral("Режим Cpu\\Cpu"));
    m_engine.switchToCpuCpu();
    syncView();
    m_cpuUser1->setChecked(false);
    m_cpu31->setChecked(true);
    forgetRepeatedFailures();
}

void TForm1::Timer6Timer() {
    const QString path = editorPath();
    if (path != m_sourcePath) {
        // A new path is a new operation: its failure is news.
        m_sourcePath = path;
        m_cpuCpuFailures.forget();
    }
    try {
        m_engine.loadSource(toCp1251(path));
    } catch (const std::exception& error) {
        // The interval stays and nothing is sent; the next tick tries again.
        reportFailure(&m_cpuCpuFailures, fromCp1251(error.what()));
        return;
    }
    // setInterval restarts the running timer: the new value sets the wait from now.
    m_timer6.setInterval(std::clamp(editorInterval(), kIntervalMin, kIntervalMax));
    // Say's own failures (an unwritable source, a missing data file) repeat at every
    // tick just the same.
    RepeatedFailure* const outer = m_sayFailures;
    m_sayFailures = &m_cpuCpuFailures;
    clickSend();
    m_sayFailures = outer;
}

// ---- Animations --------------------------------------------------------------------

void TForm1::Timer7Timer() {
    // Until the window manager has framed and shown the window, its frame's size is
    // unknown and a jump would place the frame off by it: the shake waits for that.
    if (isVisible() && !windowHandle()->isExposed()) return;
    // The whole shake happens in this tick; nothing else runs until it is over.
    playSound(4);
    m_edit1->setReadOnly(true);
    setMenusEnabled(false);
    Random& random = m_engine.random();
    random.seed(m_engine.clock().seedValue());
    const int jumps = random.uniform(125, 250);
    for (int i = 0; i < jumps; ++i) {
        const int left = random.uniform(95, 105);
        const int top = random.uniform(95, 105);
        moveWindowTo(QPoint(frame().x(), top));
        moveWindowTo(QPoint(left, top));
    }
    centreOnDesktop();
    m_edit1->setReadOnly(false);
    setMenusEnabled(true);
    m_timer7.stop();
}

void TForm1::Timer4Timer() {
    ++m_closingCount;
    if (m_closingCount == 1) m_sizeBeforeClosing = size();
    if (m_closingCount >= kClosingExitTick) {
        // Stopped before the exit: a message box would let the timer tick (and the
        // exit fail) again behind it.
        m_timer4.stop();
        if (!exitProgram(&m_closingFailures)) {
            // The program goes on: give the user back the window as it was, centred.
            setFixedSize(m_sizeBeforeClosing);
            centreOnDesktop();
        }
        return;
    }
    moveWindowTo(frame().topLeft() - QPoint(3, 2));
    // The smallest window the platform draws is one pixel of client area.
    const QSize smaller = (size() - QSize(10, 8)).expandedTo(QSize(1, 1));
    setFixedSize(smaller);
    if (m_closingCount >= kClosingSoundTick) playSound(6);
}

// ---- Input aids --------------------------------------------------------------------

void TForm1::SpeedButton3Click() {
    playSound(3);  // on every activation
    // Written back only when it changed: the key sound plays only then.
    applyLayoutConversion(m_edit1);
}

void TForm1::N36Click() {
    // Ctrl+S acts also while "E/R" is disabled, as a performed click does.
    SpeedButton3Click();
}

void TForm1::Timer5Timer() {
    const std::size_t length = toCp1251(m_edit1->text()).size();  // as the guard sees it
    // A tick examines a character unless the line is empty or the scan position has
    // fallen off the end of a line that became shorter.
    const bool examines = length > 0 && m_guard.position() < length;
    if (runInputGuard(m_guard, m_edit1, m_richEdit1)) return;  // Edit1Change has run
    if (examines) ++m_guardExamined;
    // Nothing left that a tick could change: an empty line, or one examined whole
    // since its last change. Edit1Change wakes the guard; the scan resumes where it
    // stopped, which keeps the bound of n + 1 ticks after a change.
    if (length == 0 || m_guardExamined >= static_cast<int>(length)) m_timer5.stop();
}

void TForm1::wakeInputGuard() {
    m_guardExamined = 0;
    if (!m_timer5.isActive()) m_timer5.start();
}

void TForm1::N22Click() { createVirtualKeyboard()->open(); }

}  // namespace cpuchat
