#include "Unit4.h"

#include <array>
#include <utility>

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "Cp1251.h"
#include "Look.h"
#include "Text.h"

namespace cpuchat {

namespace {

constexpr int kClientWidth = 353;
constexpr int kClientHeight = 145;

struct SignKey {
    char character;
    int number;  // of the SpeedButton
};

constexpr std::array<SignKey, 17> kUpperSigns = {{
    {'@', 3}, {'#', 4}, {'$', 5}, {'%', 6}, {'&', 7}, {'*', 8}, {'+', 9}, {'=', 10}, {'\\', 11},
    {'|', 12}, {'/', 13}, {'[', 14}, {']', 15}, {'{', 16}, {'}', 17}, {'~', 18}, {'`', 19},
}};

constexpr std::array<SignKey, 11> kLowerSigns = {{
    {',', 1}, {'.', 2}, {'!', 20}, {'?', 21}, {'(', 22}, {')', 24},
    {'-', 25}, {':', 26}, {'"', 27}, {'<', 28}, {'>', 64},
}};

// Lower-case letters in alphabetical order, Windows-1251: а..е, ё, ж..я.
constexpr std::array<unsigned char, 33> kLetters = {
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xB8, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};
constexpr int kFirstLetterNumber = 29;
constexpr int kUpperLetterRow = 17;

QString keyName(int number) { return QStringLiteral("SpeedButton%1").arg(number); }

void setCaptionColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

}  // namespace

TForm4::TForm4(PolledWindow& mainWindow, QLineEdit* inputLine, std::function<void()> clickSend)
    : SecondaryWindow(mainWindow, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_inputLine(inputLine),
      m_clickSend(std::move(clickSend)) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Виртуальная клавиатура"));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(kSilver));
    setPalette(palette);
    setAutoFillBackground(true);

    createMenu();
    QWidget* panel = createPanel();
    createSignKeys(createGroup(panel, QStringLiteral("Знаки:"), 3));
    createLetterKeys(createGroup(panel, QStringLiteral("Буквы:"), 60));
    createFunctionKeys(panel);

    m_keyPolling = new QTimer(this);
    m_keyPolling->setObjectName(QStringLiteral("Timer1"));
    m_keyPolling->setInterval(1);
    connect(m_keyPolling, &QTimer::timeout, this, &TForm4::Timer1Timer);
    runWhileOpen(m_keyPolling);
}

QPoint TForm4::firstPlace(const QRect& desktop) {
    adjustSize();  // the layout's size, known once it has run
    return SecondaryWindow::firstPlace(desktop);
}

void TForm4::N2Click() { dismiss(); }

void TForm4::SpeedButton3Click() { appendCharacter('@'); }

void TForm4::SpeedButton62Click() {
    QString text = m_inputLine->text();
    if (text.isEmpty()) return;
    // Remove the last character, not the last UTF-16 unit of a surrogate pair.
    const bool pair =
        text.size() >= 2 && text.back().isLowSurrogate() && text.at(text.size() - 2).isHighSurrogate();
    text.chop(pair ? 2 : 1);
    m_inputLine->setText(text);
}

void TForm4::SpeedButton63Click() {
    m_capsLock = !m_capsLock;
    showCapsLock();
}

void TForm4::SpeedButton66Click() { m_clickSend(); }

void TForm4::Timer1Timer() {
    const bool holdsText = !m_inputLine->text().isEmpty();
    m_backspaceKey->setEnabled(holdsText);
    m_enterKey->setEnabled(holdsText);
}

void TForm4::createMenu() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* menuBar = new QMenuBar(this);
    QMenu* system = menuBar->addMenu(QStringLiteral("&Система"));
    system->setObjectName(QStringLiteral("N1"));
    QAction* hide = system->addAction(QStringLiteral("С&крыть виртуальную клавиатуру"));
    hide->setObjectName(QStringLiteral("N2"));
    connect(hide, &QAction::triggered, this, &TForm4::N2Click);
    layout->setMenuBar(menuBar);
}

QWidget* TForm4::createPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setFixedSize(kClientWidth, kClientHeight);
    layout()->addWidget(panel);
    return panel;
}

QGroupBox* TForm4::createGroup(QWidget* panel, const QString& caption, int top) {
    auto* group = new QGroupBox(caption, panel);
    group->setGeometry(3, top, 305, 57);
    setCaptionColour(group, Qt::white);
    return group;
}

QToolButton* TForm4::createKey(QWidget* parent, int number, const QString& caption, const QRect& geometry) {
    auto* key = new QToolButton(parent);
    key->setObjectName(keyName(number));
    key->setText(caption);
    key->setAutoRaise(true);  // flat: a border only under the mouse
    key->setFocusPolicy(Qt::NoFocus);
    key->setGeometry(geometry);
    // Greyed as on the classic desktop; the style's own grey vanishes on silver.
    QPalette palette = key->palette();
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    key->setPalette(palette);
    // The keys are as narrow as the captions: no room is lost to padding.
    key->setStyleSheet(QStringLiteral("QToolButton { padding: 0px; }"));
    return key;
}

void TForm4::createSignKeys(QGroupBox* group) {
    const QColor windowText = QApplication::palette().color(QPalette::WindowText);
    auto addRow = [&](const auto& row, int left, int top) {
        for (const SignKey& sign : row) {
            QString caption = fromCp1251(std::string_view(&sign.character, 1));
            caption.replace(QLatin1Char('&'), QStringLiteral("&&"));  // a caption, not an access key
            QToolButton* key = createKey(group, sign.number, caption, QRect(left, top, 16, 17));
            setCaptionColour(key, windowText);
            if (sign.character == '@') {
                connect(key, &QToolButton::clicked, this, &TForm4::SpeedButton3Click);
            } else {
                connect(key, &QToolButton::clicked, this, [this, c = sign.character] { appendCharacter(c); });
            }
            left += 16;
        }
    };
    addRow(kUpperSigns, 9, 16);
    addRow(kLowerSigns, 57, 33);
}

void TForm4::createLetterKeys(QGroupBox* group) {
    for (int i = 0; i < static_cast<int>(kLetters.size()); ++i) {
        const char lower = static_cast<char>(kLetters[i]);
        const char upper = upperChar(lower);
        const bool upperRow = i < kUpperLetterRow;
        const QRect place =
            upperRow ? QRect(8 + 17 * i, 16, 17, 17) : QRect(16 + 17 * (i - kUpperLetterRow), 33, 17, 17);
        QToolButton* key =
            createKey(group, kFirstLetterNumber + i, fromCp1251(std::string_view(&upper, 1)), place);
        setCaptionColour(key, Qt::black);
        connect(key, &QToolButton::clicked, this, [this, lower] { appendLetter(lower); });
    }
}

void TForm4::createFunctionKeys(QWidget* panel) {
    m_backspaceKey = createKey(panel, 62, QStringLiteral("Bcksp"), QRect(310, 9, 41, 50));
    connect(m_backspaceKey, &QToolButton::clicked, this, &TForm4::SpeedButton62Click);

    m_enterKey = createKey(panel, 66, QStringLiteral("[Enter]"), QRect(310, 65, 41, 51));
    connect(m_enterKey, &QToolButton::clicked, this, &TForm4::SpeedButton66Click);

    QToolButton* space = createKey(panel, 23, QStringLiteral("Пробел"), QRect(26, 119, 134, 22));
    connect(space, &QToolButton::clicked, this, [this] { appendCharacter(' '); });

    m_capsLockKey = createKey(panel, 63, QString(), QRect(161, 119, 123, 22));
    connect(m_capsLockKey, &QToolButton::clicked, this, &TForm4::SpeedButton63Click);
    showCapsLock();
}

void TForm4::appendCharacter(char cp1251) {
    const QString text = m_inputLine->text();
    if (text.size() >= kInputLimit) return;
    m_inputLine->setText(text + fromCp1251(std::string_view(&cp1251, 1)));
}

void TForm4::appendLetter(char lowerCp1251) {
    appendCharacter(m_capsLock ? upperChar(lowerCp1251) : lowerCp1251);
}

void TForm4::showCapsLock() {
    m_capsLockKey->setText(m_capsLock ? QStringLiteral("Caps Lock [нажат]")
                                      : QStringLiteral("Caps Lock [не нажат]"));
}

}  // namespace cpuchat
