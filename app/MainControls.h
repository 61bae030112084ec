#pragma once
// The controls of the main window, as TForm1 builds them. The parts of the window that act
// on them, its motion (WindowMotion) and its look (MainAppearance), hold this.

class QFrame;
class QLineEdit;
class QPushButton;
class QToolButton;
class QWidget;

namespace cpuchat {

class DialogueView;
class PanelStatusBar;

/// The client area of the normal window under its menu bar, and the status bar's height.
constexpr int kMainClientWidth = 587;
constexpr int kMainClientHeight = 361;
constexpr int kStatusBarHeight = 19;

struct MainControls {
    QWidget* client = nullptr;  // the client area, holding all the others
    QFrame* tabControl1 = nullptr;
    DialogueView* richEdit1 = nullptr;
    QPushButton* talk = nullptr;
    QFrame* tabControl2 = nullptr;
    QLineEdit* edit1 = nullptr;
    QToolButton* speedButton1 = nullptr;  // "Сказать"
    QToolButton* speedButton2 = nullptr;  // "<"
    QToolButton* speedButton3 = nullptr;  // "E/R"
    PanelStatusBar* statusBar1 = nullptr;
};

}  // namespace cpuchat
