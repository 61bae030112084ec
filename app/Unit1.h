#pragma once
// TForm1, the main window: the dialogue view, the input line with its buttons, the
// menu, the status bar, the nine timers and the six sound players.
//
// How a phrase travels through the program. The user types into Edit1; every change
// plays player 1 (Edit1Change). The UI polling (Timer1Timer) enables "Сказать",
// "E/R" and the hidden default button Talk while the line holds text, and keeps the
// focus on the line. Enter clicks Talk, whose handler runs the send button's handler
// SpeedButton1Click (Say). Say converts the line to Windows-1251 at this window's
// edge and hands it to Engine::say(), which screens, searches, learns and records
// in the files of Base. The window decides nothing about the dialogue: it draws the
// new lines of Engine::view() in RichEdit1, each in the attributes of its kind, plays
// players 2 and 5, starts or stops the closing (Timer4) and afterthought (Timer9)
// timers as the SayResult says, shows a failure in a message box and clears the
// input line after a completed run. Undo, new dialogue and exit likewise call the
// engine and then bring the view in step with it.
//
// Besides the user, three timers speak: the idle counter (Timer2) asks the engine
// for a remark every second, the Cpu\Cpu tick (Timer6, run by the polling while the
// mode item "C&pu\Cpu" is checked) loads the editor's source file into the engine
// and clicks "Сказать", and the afterthought (Timer9). Failures that such a timer
// would meet at every tick are shown once (RepeatedFailure). The input aids of input/
// act on Edit1: "E/R" and Ctrl+S convert the layout, the guard (Timer5) keeps the
// knowledge-base markers out, and the virtual keyboard (TForm4, N22Click) types into it.
//
// Two parts of the window have classes of their own, to which its handlers forward:
// WindowMotion moves and sizes the window (the shake of Timer7, the closing animation
// of Timer4, full screen), and MainAppearance gives it its look (the colour and font
// items, the restore of the defaults). The secondary windows (the editor TForm2, the
// About window TForm3, the virtual keyboard TForm4) open modal over this window through
// its PolledWindow side, which suspends the polling while one of them is open.

#include <QKeySequence>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

#include "Appearance.h"
#include "Engine.h"
#include "InputGuard.h"
#include "MainControls.h"
#include "RepeatedFailure.h"
#include "SecondaryWindow.h"

class QAction;
class QFrame;
class QMenu;

namespace cpuchat {

class AppearanceDialogs;
class MainAppearance;
class SoundSystem;
class SpokenNote;
class TForm2;
class TForm3;
class TForm4;
class WindowMotion;

class TForm1 : public QMainWindow, public PolledWindow {
    Q_OBJECT
public:
    TForm1(FileSystem& files, Random& random, Clock& clock, SoundSystem& sound, QWidget* parent = nullptr);
    ~TForm1() override;

    /// False when a sound file could not be opened: the message has been shown,
    /// nothing was started, and the program ends without showing the window.
    bool started() const noexcept { return m_started; }

    Engine& engine() noexcept { return m_engine; }
    /// The dialogue mode as the check marks of the mode menu hold it.
    Mode mode() const;
    Appearance& appearance() noexcept;

    /// Status panels by index, 0 to 2.
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);

    /// Player `player` (1 to 6) plays under the restart rule.
    void playSound(int player);

    /// Performs the click of "Сказать", whatever the button's state.
    void clickSend() { SpeedButton1Click(); }

    /// The secondary windows stop the polling before they disable this window, and
    /// restart it before they enable it again: it never ticks while this window is disabled.
    QWidget* asWidget() override { return this; }
    void suspendPolling() override;
    void resumePolling() override;

    /// The self-dialogue source path of the editor window.
    QString editorPath() const;
    void setEditorPathSource(std::function<QString()> source);
    /// The Cpu\Cpu tick's interval in milliseconds, from the editor window.
    int editorInterval() const;
    void setEditorIntervalSource(std::function<int()> source);

    TForm2* editorWindow() const noexcept { return m_form2; }
    TForm3* aboutWindow() const noexcept { return m_form3; }
    /// Builds the virtual keyboard (hidden), once; the program entry calls it after
    /// the other secondary windows. Returns the keyboard.
    TForm4* createVirtualKeyboard();

    /// Replaces the colour and font dialogs of the appearance items (a test answers
    /// them); an empty pointer brings back the standard dialogs.
    void setAppearanceDialogs(std::shared_ptr<AppearanceDialogs> dialogs);
    /// Replaces how the full-screen layout reads the maximised window's outer size
    /// (a test gives one; empty: the frame's size).
    void setOuterSizeSource(std::function<QSize()> source);

    /// Brings the dialogue view in step with the engine's transcript.
    void syncView();

signals:
    /// The window has closed (close box or exit): the program ends.
    void closed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    /// Every move of the animations goes through here: the frame's top-left corner
    /// in screen coordinates. A test records the moves by overriding it.
    virtual void moveWindowTo(const QPoint& frameTopLeft);

private slots:
    void FormCreate();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    void Timer5Timer();
    void Timer6Timer();
    void Timer7Timer();
    void Timer8Timer();
    void Timer9Timer();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void TalkClick();
    void Edit1Change();
    void N2Click();
    void N4Click();
    void N15Click();
    void N36Click();
    void N22Click();
    void CpuUser1Click();
    void Cpu31Click();
    void N6Click();
    void N21Click();
    void N16Click();
    void N9Click();
    void User1Click();
    void Cpu1Click();
    void Mystring2Click();
    void User2Click();
    void Cpu2Click();
    void Mystring1Click();
    void N13Click();
    void N40Click();
    void N38Click();
    void N12Click();

private:
    using Handler = void (TForm1::*)();

    void createControls();
    QFrame* addFrame(const char* name, QRect geometry, Qt::CursorShape pointer);
    QToolButton* addSpeedButton(const char* name, const QString& caption, QRect geometry,
                                const QString& hint);
    void createMenus();
    QMenu* addSubmenu(QWidget* parent, const char* name, const QString& caption);
    QAction* addItem(QMenu* menu, const char* name, const QString& caption, Handler handler = nullptr);
    /// An item whose check mark only its handler sets.
    QAction* addCheckItem(QMenu* menu, const char* name, const QString& caption, Handler handler);
    QAction* addSeparator(QMenu* menu, const char* name, const QKeySequence& shortcut = {},
                          Handler handler = nullptr);
    void createStatusBar();
    void createTimers();
    void createParts();
    void createSecondaryWindows();
    bool createPlayers();
    void startTimers();

    /// Runs one polling tick soon, unless the polling is suspended.
    void requestPoll();
    /// The polling's first step: "Сказать", "E/R" and Talk are enabled while the input
    /// line holds text.
    void enableSendingByText();
    void appendViewLine(const ViewLine& line);
    /// Whether a new line of the view is said to screen readers as it appears.
    bool speaksAloud(const ViewLine& line) const;
    void showFailure(const std::exception& error);
    /// Shows `message` unless `repeats` (when given) has shown it already.
    void reportFailure(RepeatedFailure* repeats, const QString& message);
    /// The user changed the mode: every repeated failure is shown again.
    void forgetRepeatedFailures();
    /// Runs the exit; false (the failure reported through `repeats`) when it failed.
    bool exitProgram(RepeatedFailure* repeats);
    /// The mode items: the status panel, the engine's service line, the check marks.
    void switchMode(Mode mode);
    /// While the window moves on its own, the input line and the menus take nothing.
    void lockInput(bool locked);
    void wakeInputGuard();

    Engine m_engine;
    SoundSystem& m_sound;
    MainControls m_ui;
    std::unique_ptr<WindowMotion> m_motion;
    std::unique_ptr<MainAppearance> m_look;
    std::vector<ViewLine> m_shown;  // the engine's lines the view shows
    SpokenNote* m_replyNote = nullptr;
    std::function<QString()> m_editorPathSource;
    std::function<int()> m_editorIntervalSource;
    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
    TForm4* m_form4 = nullptr;

    InputGuard m_guard;
    // Characters of the unchanged line examined without a hit; once they cover the
    // whole line, no tick can change anything and the guard sleeps until Edit1Change.
    int m_guardExamined = 0;

    // Failures a timer meets again at every tick, each shown once.
    RepeatedFailure m_idleFailures;
    RepeatedFailure m_cpuCpuFailures;
    RepeatedFailure m_closingFailures;
    // Set while the Cpu\Cpu tick clicks "Сказать": Say's failures then repeat too.
    RepeatedFailure* m_sayFailures = nullptr;
    QString m_sourcePath;  // the source path the last Cpu\Cpu tick read
    bool m_started = false;

    QMenu* m_menus[3] = {};  // "&Система", "&Настройки", "С&правка"
    QAction* m_n13 = nullptr;
    QAction* m_n15 = nullptr;
    QAction* m_n36 = nullptr;
    QAction* m_n40 = nullptr;
    QAction* m_cpuUser1 = nullptr;
    QAction* m_cpu31 = nullptr;
    QAction* m_statistics[3] = {};  // N18, N19, N20

    QTimer m_timer1{this};
    QTimer m_timer2{this};
    QTimer m_timer3{this};
    QTimer m_timer4{this};
    QTimer m_timer5{this};
    QTimer m_timer6{this};
    QTimer m_timer7{this};
    QTimer m_timer8{this};
    QTimer m_timer9{this};
    QTimer m_pollSoon{this};
};

}  // namespace cpuchat
