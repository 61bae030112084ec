#pragma once
// The virtual keyboard "Виртуальная клавиатура": an on-screen Russian keyboard with which
// the user composes the main window's input line with the mouse.
//
// It opens and closes as every secondary window does (SecondaryWindow): modal over the
// main window, whose polling it suspends while it is shown. Besides, it knows of the main
// window only its input line (the keys write to it) and a function that performs the send
// button's click. Wiring in the main window:
//
//     m_form4 = new TForm4(*this, Edit1, [this] { SpeedButton1Click(); });
//     void TForm1::N22Click() { m_form4->open(); }
//
// Every character key appends at the end of the line and writes the whole text back, so
// the line's textChanged (the key sound) fires for each change. No key makes the line
// longer than kInputLimit characters: a key that would is ignored.
//
// Keys and their objectNames: letters А..Я are SpeedButton29..SpeedButton61 in
// alphabetical order (Ё is SpeedButton35); "Пробел" SpeedButton23, "Bcksp" SpeedButton62,
// Caps Lock SpeedButton63, "[Enter]" SpeedButton66. Sign keys, upper row "@" "#" "$" "%"
// "&" "*" "+" "=" "\" "|" "/" "[" "]" "{" "}" "~" "`" are SpeedButton3..SpeedButton19;
// lower row "," "." "!" "?" "(" ")" "-" ":" '"' "<" ">" are SpeedButton1, 2, 20, 21, 22,
// 24, 25, 26, 27, 28 and 64.

#include <functional>

#include "SecondaryWindow.h"

class QGroupBox;
class QLineEdit;
class QTimer;
class QToolButton;

namespace cpuchat {

class TForm4 : public SecondaryWindow {
    Q_OBJECT

public:
    /// The longest input line the keys produce (the main window's line holds 255).
    static constexpr int kInputLimit = 255;

    /// Builds the keyboard hidden, as a tool window over `mainWindow`. `clickSend` must
    /// run the send action even while the send button is disabled, as a performed click
    /// does. The key polling runs while the keyboard is open.
    TForm4(PolledWindow& mainWindow, QLineEdit* inputLine, std::function<void()> clickSend);

    /// Caps Lock of the keyboard: letter keys give upper case while it is on. Off at
    /// creation; kept while the keyboard is hidden.
    bool capsLock() const noexcept { return m_capsLock; }

protected:
    /// Centred by the size its menu and keys take.
    QPoint firstPlace(const QRect& desktop) override;

private slots:
    void N2Click();             // "С&крыть виртуальную клавиатуру"
    void SpeedButton3Click();   // "@", the pattern of every character key
    void SpeedButton62Click();  // "Bcksp"
    void SpeedButton63Click();  // Caps Lock
    void SpeedButton66Click();  // "[Enter]"
    void Timer1Timer();         // key polling

private:
    void createMenu();
    QWidget* createPanel();
    QGroupBox* createGroup(QWidget* panel, const QString& caption, int top);
    void createSignKeys(QGroupBox* group);
    void createLetterKeys(QGroupBox* group);
    void createFunctionKeys(QWidget* panel);
    QToolButton* createKey(QWidget* parent, int number, const QString& caption, const QRect& geometry);
    void appendCharacter(char cp1251);
    void appendLetter(char lowerCp1251);
    void showCapsLock();

    QLineEdit* m_inputLine;
    std::function<void()> m_clickSend;
    QTimer* m_keyPolling = nullptr;
    QToolButton* m_backspaceKey = nullptr;
    QToolButton* m_enterKey = nullptr;
    QToolButton* m_capsLockKey = nullptr;
    bool m_capsLock = false;
};

}  // namespace cpuchat
