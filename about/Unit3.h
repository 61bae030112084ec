#pragma once
// The About window "О программе": a picture, the version text and two buttons. "История"
// folds the history frame out and in, reading "ReadMe.Txt" into the history view at every
// press; "Закрыть" is the only way to close the window.
//
// It opens and closes as every secondary window does (SecondaryWindow): modal over the
// main window, whose polling it suspends while it is shown. Wiring in the main window:
//
//     m_form3 = new TForm3(*this, m_files);
//     void TForm1::N12Click() { m_form3->open(); }
//     // restore of the defaults: m_form3->setShortForm();
//
// Heights: the window has two settled outer heights (frame and title bar included), 179
// for the short form and 327 for the long one, and "История" steps between them through
// 180 and 328. outerHeight() keeps that number; the client area is fitted to it once the
// window system has told the frame's size (until then, and on platforms that draw no
// frame, the client area takes the whole outer height).

#include "SecondaryWindow.h"

class QPlainTextEdit;
class QPushButton;

namespace cpuchat {

class FileSystem;

class TForm3 : public SecondaryWindow {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 377;
    static constexpr int kShortHeight = 179;
    static constexpr int kLongHeight = 327;
    static constexpr int kTopFrameHeight = 153;

    /// Builds the window hidden, as a dialog over `mainWindow`, with the picture
    /// "About.bmp" read through `files` (no picture when it cannot be read). "ReadMe.Txt"
    /// is read through `files` at each press of "История"; a failure is shown in a message
    /// box. `files` must outlive the window. Every opening starts in the short form.
    TForm3(PolledWindow& mainWindow, FileSystem& files);

    /// Sets the outer height to the short form's 179 (the restore of the defaults does
    /// this while the window is hidden).
    void setShortForm() { setOuterHeight(kShortHeight); }

    /// The window's outer height, frame and title bar included.
    int outerHeight() const noexcept { return m_outerHeight; }

protected:
    void prepareToOpen() override { setShortForm(); }
    /// Centred on the desktop by its outer size.
    QPoint firstPlace(const QRect& desktop) override;
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

    FileSystem& m_files;
    QPlainTextEdit* m_historyView = nullptr;
    int m_outerHeight = kShortHeight;
};

}  // namespace cpuchat
