#pragma once
// The About window "О программе": a picture, the version text and two buttons. "История"
// folds the history frame out and in, reading "ReadMe.Txt" into the history view at every
// press; "Закрыть" is the only way to close the window.
//
// It is modal by hand like the other secondary windows: it disables the main window and
// stops its UI polling while it is shown. Wiring in the main window:
//
//     m_form3 = new TForm3(this, Timer1, m_files,
//                          [this](const QString& text) { cpuchat::showMessage(this, text); });
//     void TForm1::N12Click() { m_form3->open(); }
//     // restore of the defaults: m_form3->setShortForm();
//
// Heights: the window has two settled outer heights (frame and title bar included), 179
// for the short form and 327 for the long one, and "История" steps between them through
// 180 and 328. outerHeight() keeps that number; the client area is fitted to it once the
// window system has told the frame's size (until then, and on platforms that draw no
// frame, the client area takes the whole outer height).

#include <functional>

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace cpuchat {
class FileSystem;
}

class TForm3 : public QWidget {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 377;
    static constexpr int kShortHeight = 179;
    static constexpr int kLongHeight = 327;

    /// Builds the window hidden, as a dialog owned by `mainWindow`, with the picture
    /// "About.bmp" read through `files` (no picture when it cannot be read). "ReadMe.Txt"
    /// is read through `files` at each press of "История"; a failure's text goes to
    /// `showMessage`. `files` must outlive the window.
    TForm3(QWidget* mainWindow, QTimer* mainPolling, cpuchat::FileSystem& files,
           std::function<void(const QString&)> showMessage);

    /// Opens the window (the main window's N12Click), in this order: stop the main
    /// window's UI polling, set the short form, disable the main window, show the window
    /// and enable it. Centred on the desktop the first time.
    void open();

    /// Sets the outer height to the short form's 179 (the restore of the defaults does
    /// this while the window is hidden).
    void setShortForm() { setOuterHeight(kShortHeight); }

    /// The window's outer height, frame and title bar included.
    int outerHeight() const noexcept { return m_outerHeight; }

protected:
    // "Закрыть" is the only way out: a close request would leave the main window disabled.
    void closeEvent(QCloseEvent* event) override;
    // The frame's size becomes known (or changes) when the window is shown or moved.
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private slots:
    void Button1Click();  // "История"
    void Button2Click();  // "Закрыть"

private:
    QWidget* createTopFrame();
    void createPicture(QWidget* topFrame);
    void createVersionLabel(QWidget* topFrame);
    QPushButton* createButton(QWidget* topFrame, const QString& name, const QString& caption, int top);
    void createHistoryFrame();
    void setOuterHeight(int height);
    void fitToOuterHeight();

    QWidget* m_mainWindow;
    QTimer* m_mainPolling;
    cpuchat::FileSystem& m_files;
    std::function<void(const QString&)> m_showMessage;
    QPlainTextEdit* m_historyView = nullptr;
    int m_outerHeight = kShortHeight;
    bool m_placed = false;
};
