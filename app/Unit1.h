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
// would meet at every tick are shown once (RepeatedFailure). Two timers move the
// window: the shake (Timer7) and the closing animation (Timer4), which ends in the
// exit. The input aids of input/ act on Edit1: "E/R" and Ctrl+S convert the layout,
// the guard (Timer5) keeps the knowledge-base markers out, and the virtual keyboard
// (TForm4, N22Click) types into it.

#include <QAbstractNativeEventFilter>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "Appearance.h"
#include "Engine.h"
#include "InputGuard.h"
#include "RepeatedFailure.h"

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TForm2;
class TForm3;
class TForm4;

namespace cpuchat {

class AppearanceDialogs;
struct MainLayout;
class DialogueView;
class PanelStatusBar;
class SoundSystem;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 587;
    static constexpr int kClientHeight = 361;
    static constexpr int kStatusBarHeight = 19;

    TForm1(FileSystem& files, Random& random, Clock& clock, SoundSystem& sound, QWidget* parent = nullptr);
    ~TForm1() override;

    /// False when a sound file could not be opened: the message has been shown,
    /// nothing was started, and the program ends without showing the window.
    bool started() const noexcept { return m_started; }

    Engine& engine() noexcept { return m_engine; }
    /// The dialogue mode as the check marks of the mode menu hold it.
    Mode mode() const;

    Appearance& appearance() noexcept { return m_appearance; }
    /// Applies the input font to the input line after a change of the appearance.
    void applyInputFont();

    /// Status panels by index, 0 to 2.
    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);

    /// Player `player` (1 to 6) plays under the restart rule.
    void playSound(int player);

    /// Performs the click of "Сказать", whatever the button's state.
    void clickSend() { SpeedButton1Click(); }

    /// Secondary windows suspend the polling before disabling this window, and
    /// resume it (enabling the window again) when they close.
    void suspendPolling();
    void resumePolling();

    /// The self-dialogue source path of the editor window.
    QString editorPath() const;
    void setEditorPathSource(std::function<QString()> source);
    /// The Cpu\Cpu tick's interval in milliseconds, from the editor window.
    int editorInterval() const;
    void setEditorIntervalSource(std::function<int()> source);

    /// Builds the virtual keyboard (hidden), once; the program entry calls it after
    /// the other secondary windows. Returns the keyboard.
    TForm4* createVirtualKeyboard();

    /// Brings the dialogue view in step with the engine's transcript.
    void syncView();

signals:
    /// The window has closed (close box or exit): the program ends.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    /// Every move of the animations goes through here: the frame's top-left corner
    /// in screen coordinates. A test records the moves by overriding it.
    virtual void moveWindowTo(const QPoint& frameTopLeft);
    /// The window's frame in screen coordinates, as the window system knows it now.
    QRect frame() const;

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

private:
    void createControls();
    void createMenus();
    void createStatusBar();
    void createTimers();
    bool createPlayers();
    void startTimers();

    QMenu* addSubmenu(QWidget* parent, const char* name, const QString& caption);
    QAction* addItem(QMenu* menu, const char* name, const QString& caption);
    QAction* addSeparator(QMenu* menu, const char* name);
    QToolButton* addSpeedButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                                const QString& hint);
    void setupTimer(QTimer& timer, const char* name, int interval);

    /// Runs one polling tick soon, unless the polling is suspended.
    void requestPoll();
    /// The polling's first step: "Сказать", "E/R" and Talk are enabled while the input
    /// line holds text.
    void enableSendingByText();
    void appendViewLine(const ViewLine& line);
    void showFailure(const std::exception& error);
    /// Shows `message` unless `repeats` (when given) has shown it already.
    void reportFailure(RepeatedFailure* repeats, const QString& message);
    /// The user changed the mode: every repeated failure is shown again.
    void forgetRepeatedFailures();
    /// Runs the exit; false (the failure reported through `repeats`) when it failed.
    bool exitProgram(RepeatedFailure* repeats);
    void centreOnDesktop();
    void setMenusEnabled(bool enabled);
    void wakeInputGuard();

    Engine m_engine;
    SoundSystem& m_sound;
    Appearance m_appearance;
    std::vector<ViewLine> m_shown;  // the engine's lines the view shows
    std::function<QString()> m_editorPathSource;
    std::function<int()> m_editorIntervalSource;
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

    int m_closingCount = 0;  // ticks of the closing animation, never reset
    QSize m_sizeBeforeClosing;
    bool m_started = false;
    bool m_centred = false;

    QWidget* m_client = nullptr;
    QFrame* m_tabControl1 = nullptr;
    DialogueView* m_richEdit1 = nullptr;
    QPushButton* m_talk = nullptr;
    QFrame* m_tabControl2 = nullptr;
    QLineEdit* m_edit1 = nullptr;
    QToolButton* m_speedButton1 = nullptr;
    QToolButton* m_speedButton2 = nullptr;
    QToolButton* m_speedButton3 = nullptr;
    PanelStatusBar* m_statusBar1 = nullptr;

    QAction* m_n2 = nullptr;
    QAction* m_n4 = nullptr;
    QAction* m_n13 = nullptr;
    QAction* m_n15 = nullptr;
    QAction* m_n36 = nullptr;
    QAction* m_n22 = nullptr;
    QAction* m_cpuUser1 = nullptr;
    QAction* m_cpu31 = nullptr;

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

    // ---- Appearance, full screen, statistics, About and editor (Unit1Settings.cpp) ----
public:
    /// Replaces the colour and font dialogs of the appearance items (a test answers
    /// them); an empty pointer brings back the standard dialogs.
    void setAppearanceDialogs(std::shared_ptr<AppearanceDialogs> dialogs);
    /// Replaces how the full-screen layout reads the maximised window's outer size
    /// (a test gives one; empty: the frame's size).
    void setOuterSizeSource(std::function<QSize()> source);
    TForm2* editorWindow() const noexcept { return m_form2; }
    TForm3* aboutWindow() const noexcept { return m_form3; }

protected:
    bool event(QEvent* event) override;

private slots:
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
    void createSecondaryWindows();
    void connectSettingsItems();
    QAction* menuItem(const char* name) const;
    void clearDefaultsMark();
    /// Opens the dialog that holds `setting`; stores and returns the confirmed colour.
    std::optional<ColorRef> chooseColour(ColorRef& setting);
    /// The user and Cpu font items.
    void chooseLineFont(FontSpec& setting);
    QSize outerSize() const;
    void applyFullScreenLayout();
    void applyLayout(const MainLayout& layout);

    TForm2* m_form2 = nullptr;
    TForm3* m_form3 = nullptr;
    std::shared_ptr<AppearanceDialogs> m_dialogs;
    std::function<QSize()> m_outerSize;
    // While in full screen the layout follows the frame also when only the window
    // manager's note of the frame's size changes.
    std::unique_ptr<QAbstractNativeEventFilter> m_frameWatch;
    QAction* m_n40 = nullptr;
    bool m_fullScreen = false;
};

}  // namespace cpuchat
