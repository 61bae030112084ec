#pragma once
// The editor window "Редактор": the two settings of the Cpu\Cpu mode, the path of the
// source file (Edit1) and the interval between two Cpu\Cpu ticks in milliseconds
// (SpinEdit1). The window only keeps the two values; the Cpu\Cpu tick reads them through
// path() and interval() whenever it runs, whether the editor is shown or not.
//
// It opens and closes as every secondary window does (SecondaryWindow): modal over the
// main window, whose polling it suspends while it is shown. Wiring in the main window:
//
//     m_form2 = new TForm2(*this, m_random, m_clock);
//     connect(m_form2, &TForm2::changed, this, [this] { N13->setChecked(false); });
//     void TForm1::N38Click() { m_form2->open(); }
//     // Cpu\Cpu tick: read toCp1251(m_form2->path()), then
//     // Timer6->setInterval(m_form2->interval());
//     // restore of the defaults: m_form2->restoreDefaults();
//
// Every two seconds while the window is shown, the focus timer moves the keyboard focus
// to one of the two fields at random and selects the field's whole text.

#include "SecondaryWindow.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace cpuchat {

class Clock;
class IntervalSpinBox;
class Random;

class TForm2 : public SecondaryWindow {
    Q_OBJECT

public:
    static constexpr const char16_t* kDefaultPath = u"D:\\Txt.Dat";
    static constexpr int kDefaultInterval = 1000;
    static constexpr int kFocusInterval = 2000;

    /// Builds the editor hidden, as a tool window over `mainWindow`. The focus timer, which
    /// runs while the editor is open, seeds `random` from `clock` at every tick; both must
    /// outlive the window.
    TForm2(PolledWindow& mainWindow, Random& random, Clock& clock);

    /// The path field's text, as it stands (a Windows-style path; "D:\Txt.Dat" at start).
    QString path() const;

    /// The interval field's value in milliseconds: always 1 to 60000, also while its text
    /// is being typed.
    int interval() const;

    /// Writes "D:\Txt.Dat" and 1000 into the fields. This is no user change: changed() is
    /// not emitted, so the defaults item keeps its check mark.
    void restoreDefaults();

signals:
    /// The user changed the path or the interval (each keystroke, each arrow step).
    void changed();

private slots:
    void Button1Click();     // "Хорошо"
    void Button2Click();     // "Отмена"
    void Edit1Change();      // path field changed
    void SpinEdit1Change();  // interval field changed
    void Timer1Timer();      // focus timer

private:
    void createBevel();
    void createPathGroup();
    void createIntervalGroup();
    void createButtons();
    QPushButton* createButton(const QString& name, const QString& caption, int left);
    void setFieldBackground(QWidget* field);
    void moveFocusTo(QWidget* field);

    Random& m_random;
    Clock& m_clock;
    QLineEdit* m_pathField = nullptr;
    IntervalSpinBox* m_intervalField = nullptr;
    QTimer* m_focusTimer = nullptr;
    bool m_restoring = false;
};

}  // namespace cpuchat
