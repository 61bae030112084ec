#include "Unit2.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "IntervalSpinBox.h"
#include "Random.h"

namespace cpuchat {

namespace {

constexpr int kClientWidth = 305;
constexpr int kClientHeight = 105;

}  // namespace

TForm2::TForm2(PolledWindow& mainWindow, Random& random, Clock& clock)
    : SecondaryWindow(mainWindow, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_random(random),
      m_clock(clock) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Редактор"));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    setAutoFillBackground(true);

    createBevel();
    createPathGroup();
    createIntervalGroup();
    createButtons();

    m_focusTimer = new QTimer(this);
    m_focusTimer->setObjectName(QStringLiteral("Timer1"));
    m_focusTimer->setInterval(kFocusInterval);
    connect(m_focusTimer, &QTimer::timeout, this, &TForm2::Timer1Timer);
    runWhileOpen(m_focusTimer);
}

QString TForm2::path() const { return m_pathField->text(); }

int TForm2::interval() const {
    // Read the text, not the spin box's cached value: the text is what the user sees.
    return IntervalSpinBox::readInterval(m_intervalField->text());
}

void TForm2::restoreDefaults() {
    m_restoring = true;
    m_pathField->setText(QString::fromUtf16(kDefaultPath));
    m_intervalField->setValue(kDefaultInterval);
    m_restoring = false;
}

void TForm2::Button1Click() { dismiss(); }

// The same as "Хорошо": the fields keep whatever the user typed.
void TForm2::Button2Click() { dismiss(); }

void TForm2::Edit1Change() {
    if (!m_restoring) emit changed();
}

void TForm2::SpinEdit1Change() {
    if (!m_restoring) emit changed();
}

void TForm2::Timer1Timer() {
    m_random.seed(m_clock.seedValue());
    const int r = m_random.uniform(1, 6);
    if (r % 2 == 1) {
        moveFocusTo(m_pathField);
    } else {
        moveFocusTo(m_intervalField);
    }
}

void TForm2::createBevel() {
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(0, 0, kClientWidth, kClientHeight);
}

void TForm2::createPathGroup() {
    auto* group = new QGroupBox(QStringLiteral("Путь файла:"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setGeometry(8, 8, 185, 57);
    m_pathField = new QLineEdit(QString::fromUtf16(kDefaultPath), group);
    m_pathField->setObjectName(QStringLiteral("Edit1"));
    m_pathField->setGeometry(8, 24, 169, 21);
    setFieldBackground(m_pathField);
    connect(m_pathField, &QLineEdit::textChanged, this, &TForm2::Edit1Change);
}

void TForm2::createIntervalGroup() {
    auto* group = new QGroupBox(QStringLiteral("Интервал (сек.):"), this);
    group->setObjectName(QStringLiteral("GroupBox2"));
    group->setGeometry(200, 8, 97, 57);
    m_intervalField = new IntervalSpinBox(group);
    m_intervalField->setObjectName(QStringLiteral("SpinEdit1"));
    m_intervalField->setGeometry(8, 24, 81, 22);
    m_intervalField->setValue(kDefaultInterval);
    setFieldBackground(m_intervalField);
    connect(m_intervalField, &QSpinBox::textChanged, this, &TForm2::SpinEdit1Change);
}

void TForm2::createButtons() {
    QPushButton* ok = createButton(QStringLiteral("Button1"), QStringLiteral("Хорошо"), 72);
    connect(ok, &QPushButton::clicked, this, &TForm2::Button1Click);
    QPushButton* cancel = createButton(QStringLiteral("Button2"), QStringLiteral("Отмена"), 157);
    connect(cancel, &QPushButton::clicked, this, &TForm2::Button2Click);
}

QPushButton* TForm2::createButton(const QString& name, const QString& caption, int left) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setGeometry(left, 72, 75, 25);
    // Enter and Escape mean nothing here: neither button is a default or cancel button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void TForm2::setFieldBackground(QWidget* field) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::HighlightedText));
    field->setPalette(palette);
}

void TForm2::moveFocusTo(QWidget* field) {
    const QWidget* current = focusWidget();
    if (current == field || (current && field->isAncestorOf(current))) return;
    field->setFocus(Qt::OtherFocusReason);
    // Entering a field selects its whole text, so the next key typed replaces it.
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        line->selectAll();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) {
        spin->selectAll();
    }
}

}  // namespace cpuchat
