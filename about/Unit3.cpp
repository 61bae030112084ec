#include "Unit3.h"

#include <algorithm>

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QWindow>

#include "Cp1251.h"
#include "FileSystem.h"
#include "LineCodec.h"
#include "Look.h"
#include "Messages.h"

namespace cpuchat {

namespace {

constexpr char kPicture[] = "About.bmp";
constexpr char kHistory[] = "ReadMe.Txt";

void setBackground(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

TForm3::TForm3(PolledWindow& mainWindow, FileSystem& files)
    : SecondaryWindow(mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                      Qt::MSWindowsFixedSizeDialogHint),
      m_files(files) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("О программе"));
    setBackground(this, QPalette::Window, toQColor(kSilver));

    QWidget* topFrame = createTopFrame();
    createPicture(topFrame);
    createVersionLabel(topFrame);
    QPushButton* history = createButton(topFrame, QStringLiteral("Button1"), QStringLiteral("История"), 96);
    connect(history, &QPushButton::clicked, this, &TForm3::Button1Click);
    QPushButton* close = createButton(topFrame, QStringLiteral("Button2"), QStringLiteral("Закрыть"), 120);
    connect(close, &QPushButton::clicked, this, &TForm3::Button2Click);
    createHistoryFrame();
    fitToOuterHeight();
}

QPoint TForm3::firstPlace(const QRect& desktop) {
    return desktop.center() - QPoint(kClientWidth, m_outerHeight) / 2;
}

void TForm3::showEvent(QShowEvent* event) {
    SecondaryWindow::showEvent(event);
    fitToOuterHeight();
}

void TForm3::moveEvent(QMoveEvent* event) {
    SecondaryWindow::moveEvent(event);
    fitToOuterHeight();
}

void TForm3::Button1Click() {
    std::string bytes;
    try {
        bytes = m_files.read(kHistory);
    } catch (const FileError& error) {
        // The press ends here: the view keeps its text and the window its height.
        showMessage(this, fromCp1251(error.what()));
        return;
    }
    // The history view is a plain-text view: the file is taken as plain text.
    const LineList lines = readPlainText(bytes);
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) text << fromCp1251(lines[i]);
    m_historyView->setPlainText(text.join(u'\n'));

    // One pixel taller, then snapped: 180 opens the long form, 328 goes back to the short.
    setOuterHeight(m_outerHeight + 1);
    if (m_outerHeight == kShortHeight + 1) setOuterHeight(kLongHeight);
    if (m_outerHeight == kLongHeight + 1) setOuterHeight(kShortHeight);
}

void TForm3::Button2Click() { dismiss(); }

QWidget* TForm3::createTopFrame() {
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Panel1"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(0, 0, kClientWidth, kTopFrameHeight);
    auto* bevel = new QFrame(frame);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bevel->setGeometry(3, 5, 371, 146);
    return frame;
}

void TForm3::createPicture(QWidget* topFrame) {
    auto* picture = new QLabel(topFrame);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(7, 8, 178, 137);
    picture->setScaledContents(true);
    picture->setAccessibleName(QStringLiteral("Рисунок программы"));
    // The picture belongs to the window, not to the data the program works on: without it
    // the window still opens, only without the picture.
    try {
        const std::string bytes = m_files.read(kPicture);
        QPixmap pixmap;
        if (pixmap.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size()))) {
            picture->setPixmap(pixmap);
        }
    } catch (const FileError&) {
    }
}

void TForm3::createVersionLabel(QWidget* topFrame) {
    auto* label = new QLabel(QStringLiteral("ВЕРСИЯ: 2.1.5.6"), topFrame);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(187, 9, 164, 82);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    QFont font(QStringLiteral("Arial Black"));
    font.setPixelSize(29);
    font.setBold(true);
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    setBackground(label, QPalette::Window, toQColor(kSilver));
}

QPushButton* TForm3::createButton(QWidget* topFrame, const QString& name, const QString& caption, int top) {
    auto* button = new QPushButton(caption, topFrame);
    button->setObjectName(name);
    button->setGeometry(187, top, 185, 25);
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoDefault(false);
    return button;
}

void TForm3::createHistoryFrame() {
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Panel2"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setGeometry(1, 151, 376, 148);
    m_historyView = new QPlainTextEdit(frame);
    m_historyView->setObjectName(QStringLiteral("Memo1"));
    m_historyView->setGeometry(3, 4, 370, 140);
    m_historyView->setReadOnly(true);
    m_historyView->setAccessibleName(QStringLiteral("История версий"));
    m_historyView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_historyView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_historyView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(8);
    m_historyView->setFont(font);
    QPalette palette = m_historyView->palette();
    palette.setColor(QPalette::Base, toQColor(kSilver));
    m_historyView->setPalette(palette);
    m_historyView->viewport()->setCursor(Qt::ForbiddenCursor);
}

void TForm3::setOuterHeight(int height) {
    m_outerHeight = height;
    fitToOuterHeight();
}

void TForm3::fitToOuterHeight() {
    // The window system's margins, not the widget's copy of them: that copy is renewed
    // only by a move or resize, and the window manager may frame the window after both.
    // Before the window is framed they read as zero.
    // A frame taller than the short form leaves over the top frame (an invisible shadow
    // some window managers count as frame) counts as that much, so the top frame stays whole.
    const QWindow* handle = windowHandle();
    const QMargins margins = handle ? handle->frameMargins() : QMargins();
    const int frame = std::min(margins.top() + margins.bottom(), kShortHeight - kTopFrameHeight);
    const QSize client(kClientWidth, std::max(1, m_outerHeight - frame));
    if (size() != client || minimumSize() != client || maximumSize() != client) setFixedSize(client);
}

}  // namespace cpuchat
