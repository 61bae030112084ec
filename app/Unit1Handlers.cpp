// TForm1's handlers: the phrase and its reply, the session record, the start-up load,
// the idle remarks and the Cpu\Cpu mode, the input aids on the input line, the
// knowledge statistics, and the forwards to the window's motion, its look and its
// secondary windows.

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStringList>
#include <QToolButton>
#include <algorithm>

#include "Accessibility.h"
#include "Cp1251.h"
#include "DialogueView.h"
#include "InputLine.h"
#include "MainAppearance.h"
#include "Messages.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "WindowMotion.h"

namespace cpuchat {

namespace {

const QString kLoading = QStringLiteral("Идёт загрузка подождите...");
const QString kLoaded = QStringLiteral("Загрузка окончена");
constexpr int kClosingSoundTick = 10;
constexpr int kIntervalMin = 1;
constexpr int kIntervalMax = 60000;

// Sets the application's busy pointer for the life of the object.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace

// ---- Helpers ----------------------------------------------------------------------

void TForm1::requestPoll() {
    if (m_timer1.isActive() && !m_pollSoon.isActive()) m_pollSoon.start();
}

void TForm1::syncView() {
    const std::vector<ViewLine>& lines = m_engine.view();
    std::size_t same = 0;
    while (same < m_shown.size() && same < lines.size() && m_shown[same] == lines[same]) ++same;
    if (same == 0 && !m_shown.empty()) {
        m_ui.richEdit1->clearLines();
        m_shown.clear();
    }
    while (m_shown.size() > same) {
        m_ui.richEdit1->removeLastLine();
        m_shown.pop_back();
    }
    QStringList spoken;
    for (std::size_t i = same; i < lines.size(); ++i) {
        appendViewLine(lines[i]);
        m_shown.push_back(lines[i]);
        if (speaksAloud(lines[i])) spoken << fromCp1251(lines[i].text);
    }
    if (!spoken.isEmpty()) m_replyNote->say(spoken.join(u'\n'));
    requestPoll();
}

bool TForm1::speaksAloud(const ViewLine& line) const {
    if (line.text.empty() || line.kind == LineKind::Empty) return false;
    // A screen reader has already echoed what the user typed; in the Cpu\Cpu mode the
    // user's line comes from the source file, and nobody has heard it yet.
    return line.kind != LineKind::User || mode() == Mode::CpuCpu;
}

void TForm1::appendViewLine(const ViewLine& line) {
    m_ui.richEdit1->appendLine(fromCp1251(line.text), m_look->takeAttributes(line.kind));
}

void TForm1::showFailure(const std::exception& error) { showMessage(this, fromCp1251(error.what())); }

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

void TForm1::lockInput(bool locked) {
    m_ui.edit1->setReadOnly(locked);
    for (QMenu* menu : m_menus) menu->menuAction()->setEnabled(!locked);
}

// ---- Start-up, polling, the phrase and the session record -------------------------------

void TForm1::FormCreate() {
    // Nothing uses this first copy of the knowledge base; a missing file is reported
    // once, by the start-up load that follows at once.
    try {
        m_engine.formCreate();
    } catch (const cpuchat::FileError&) {
    }
}

void TForm1::enableSendingByText() {
    const bool hasText = !m_ui.edit1->text().isEmpty();
    m_ui.speedButton1->setEnabled(hasText);
    m_ui.speedButton3->setEnabled(hasText);
    m_ui.talk->setEnabled(hasText);
}

void TForm1::Timer1Timer() {
    enableSendingByText();
    const bool hasLines = m_ui.richEdit1->lineCount() > 0;
    m_ui.speedButton2->setEnabled(hasLines);
    m_n15->setEnabled(hasLines);
    // Switching a running timer on again must not restart its countdown.
    if (m_cpu31->isChecked()) {
        if (!m_timer6.isActive()) m_timer6.start();
    } else {
        m_timer6.stop();
    }
    m_ui.edit1->setFocus();
}

void TForm1::Timer3Timer() {
    // Stopped first: a message box below runs the event loop, and the load runs once.
    m_timer3.stop();
    setStatusText(0, kLoading);
    m_ui.edit1->setReadOnly(true);
    m_ui.speedButton1->setEnabled(false);
    QString counts;
    try {
        counts = fromCp1251(m_engine.startupLoad());
    } catch (const std::exception& error) {
        // Without a knowledge base the window stays usable: each Say then reports
        // the missing file. The load is not tried again.
        m_ui.edit1->setReadOnly(false);
        m_ui.speedButton1->setEnabled(true);
        setStatusText(0, QString());  // not "loading" for ever
        requestPoll();
        showFailure(error);
        return;
    }
    setStatusText(1, counts);
    m_ui.edit1->setReadOnly(false);
    m_ui.speedButton1->setEnabled(true);
    setStatusText(0, kLoaded);
    requestPoll();
}

void TForm1::Timer9Timer() {
    std::optional<std::string> line;
    try {
        line = m_engine.afterthoughtTick();
    } catch (const std::exception& error) {
        showFailure(error);
        return;
    }
    if (!line) return;
    {
        BusyPointer busy;
        playSound(5);
        syncView();
    }
    m_timer9.stop();
}

void TForm1::SpeedButton1Click() {
    const Mode mode = this->mode();
    const std::string input = toCp1251(m_ui.edit1->text());
    const std::string source = mode == Mode::CpuCpu ? toCp1251(editorPath()) : std::string();
    SayResult result;
    {
        // Restored also after a failure, so the pointer never stays busy.
        BusyPointer busy;
        try {
            result = m_engine.say(mode, input, source);
        } catch (const std::exception& error) {
            result.failure = error.what();
        }
        if (result.ran) {
            playSound(2);
            if (result.replyShown) playSound(5);
        }
        syncView();
        if (result.closing) *result.closing ? m_timer4.start() : m_timer4.stop();
        if (result.afterthought) *result.afterthought ? m_timer9.start() : m_timer9.stop();
    }
    if (result.failure) {
        reportFailure(m_sayFailures, fromCp1251(*result.failure));
    } else if (m_sayFailures) {
        m_sayFailures->forget();
    }
    if (result.completed) m_ui.edit1->clear();
    requestPoll();
}

void TForm1::SpeedButton2Click() {
    m_engine.undo();
    syncView();
    m_timer7.start();
}

void TForm1::TalkClick() { SpeedButton1Click(); }

void TForm1::Edit1Change() {
    playSound(1);
    wakeInputGuard();
    // At once, not at the next polling tick: keys typed while a Say held the window
    // up come in one batch after it, and each Enter among them must find Talk as the
    // text before it leaves it, or it is lost and two phrases run into one.
    enableSendingByText();
    requestPoll();
}

void TForm1::N2Click() {
    m_engine.newDialogue();
    syncView();
    m_ui.edit1->clear();
    m_timer7.start();
}

void TForm1::N4Click() { exitProgram(nullptr); }

void TForm1::N15Click() { SpeedButton2Click(); }

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

void TForm1::CpuUser1Click() { switchMode(Mode::CpuUser); }

void TForm1::Cpu31Click() { switchMode(Mode::CpuCpu); }

void TForm1::switchMode(Mode mode) {
    const bool cpuCpu = mode == Mode::CpuCpu;
    setStatusText(2, cpuCpu ? QStringLiteral("Режим Cpu\\Cpu") : QStringLiteral("Режим Cpu\\User"));
    if (cpuCpu) {
        m_engine.switchToCpuCpu();
    } else {
        m_engine.switchToCpuUser();
    }
    syncView();
    m_cpuUser1->setChecked(!cpuCpu);
    m_cpu31->setChecked(cpuCpu);
    // The user changed what the timers' operations depend on.
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

// ---- Input aids --------------------------------------------------------------------

void TForm1::SpeedButton3Click() {
    playSound(3);  // on every activation
    // Written back only when it changed: the key sound plays only then.
    applyLayoutConversion(m_ui.edit1);
}

void TForm1::N36Click() {
    // Ctrl+S acts also while "E/R" is disabled, as a performed click does.
    SpeedButton3Click();
}

void TForm1::Timer5Timer() {
    const std::size_t length = toCp1251(m_ui.edit1->text()).size();  // as the guard sees it
    // A tick examines a character unless the line is empty or the scan position has
    // fallen off the end of a line that became shorter.
    const bool examines = length > 0 && m_guard.position() < length;
    if (runInputGuard(m_guard, m_ui.edit1, m_ui.richEdit1)) return;  // Edit1Change has run
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

// ---- Knowledge statistics -------------------------------------------------------------

void TForm1::Timer8Timer() {
    // Once, also after a failure; stopped first, since a message box runs the event loop.
    m_timer8.stop();
    KnowledgeStats stats;
    try {
        stats = m_engine.statistics();
    } catch (const std::exception& error) {
        // The counts need every file: the captions stay without them.
        showFailure(error);
        return;
    }
    const std::int32_t counts[] = {stats.incoming, stats.outgoing, stats.total};
    for (int i = 0; i < 3; ++i) {
        QAction* item = m_statistics[i];
        item->setText(item->text() + QStringLiteral(" [") + QString::number(counts[i]) + QStringLiteral("]"));
    }
}

// ---- The window's motion ----------------------------------------------------------------

void TForm1::Timer7Timer() {
    // The shake waits until the window can move; then it happens whole in this tick,
    // and nothing else runs until it is over.
    if (!m_motion->readyToMove()) return;
    playSound(4);
    lockInput(true);
    m_motion->shake(m_engine.random(), m_engine.clock());
    lockInput(false);
    m_timer7.stop();
}

void TForm1::Timer4Timer() {
    const int count = m_motion->closingStep();
    if (count >= WindowMotion::kClosingExitTick) {
        // Stopped before the exit: a message box would let the timer tick (and the
        // exit fail) again behind it.
        m_timer4.stop();
        // After a failure the program goes on: the user gets the window back as it was.
        if (!exitProgram(&m_closingFailures)) m_motion->giveBackAfterClosing();
        return;
    }
    if (count >= kClosingSoundTick) playSound(6);
}

void TForm1::N40Click() { m_motion->toggleFullScreen(); }

// ---- The window's look --------------------------------------------------------------------

void TForm1::N6Click() { m_look->chooseMainBackground(); }

void TForm1::N21Click() { m_look->chooseViewBackground(); }

void TForm1::N16Click() { m_look->chooseInputBackground(); }

void TForm1::N9Click() { m_look->chooseButtonCaptions(); }

void TForm1::User1Click() { m_look->chooseUserColour(); }

void TForm1::Cpu1Click() { m_look->chooseCpuColour(); }

void TForm1::Mystring2Click() { m_look->chooseInputColour(); }

void TForm1::User2Click() { m_look->chooseUserFont(); }

void TForm1::Cpu2Click() { m_look->chooseCpuFont(); }

void TForm1::Mystring1Click() { m_look->chooseInputFont(); }

void TForm1::N13Click() {
    m_look->restore();
    // Written back without counting as the user's change: the check mark stays.
    m_form2->restoreDefaults();
    m_form3->setShortForm();
}

// ---- Secondary windows ---------------------------------------------------------------------

void TForm1::N38Click() { m_form2->open(); }

void TForm1::N12Click() { m_form3->open(); }

void TForm1::N22Click() { createVirtualKeyboard()->open(); }

}  // namespace cpuchat
