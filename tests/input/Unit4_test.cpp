#include "Unit4.h"

#include "EnabledProbe.h"
#include "StubMainWindow.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

#include "InputLine.h"

namespace {

using cpuchat::TForm4;

const QString kLetters = QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
const QString kLowerLetters = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя");

class VirtualKeyboard : public testing::Test {
protected:
    VirtualKeyboard() {
        auto* layout = new QVBoxLayout(&main);
        view = new QTextEdit(&main);
        line = new QLineEdit(&main);
        line->setMaxLength(255);
        layout->addWidget(view);
        layout->addWidget(line);
        form = new TForm4(main, line, [this] { ++sends; });
        main.show();
    }

    QToolButton* key(int number) const {
        auto* button = form->findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(number));
        EXPECT_NE(button, nullptr) << "SpeedButton" << number;
        return button;
    }
    QToolButton* letter(QChar upper) const { return key(29 + static_cast<int>(kLetters.indexOf(upper))); }
    void press(const QString& upperLetters) const {
        for (const QChar c : upperLetters) letter(c)->click();
    }
    void pollKeys() const { QMetaObject::invokeMethod(form, "Timer1Timer"); }
    void close() const { form->findChild<QAction*>(QStringLiteral("N2"))->trigger(); }

    cpuchat::test::StubMainWindow main;
    QTextEdit* view = nullptr;
    QLineEdit* line = nullptr;
    QTimer* mainPolling = main.polling;
    TForm4* form = nullptr;
    int sends = 0;
};

TEST_F(VirtualKeyboard, IsAHiddenToolWindowWithoutTitleBarButtons) {
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Виртуальная клавиатура"));
    EXPECT_EQ(form->windowType(), Qt::Tool);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    auto* panel = form->findChild<QWidget*>(QStringLiteral("Panel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->size(), QSize(353, 145));
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(192, 192, 192));

    auto* menuBar = form->findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    ASSERT_EQ(menuBar->actions().size(), 1);
    EXPECT_EQ(menuBar->actions().first()->text(), QStringLiteral("&Система"));
    QMenu* system = menuBar->actions().first()->menu();
    ASSERT_EQ(system->actions().size(), 1);
    EXPECT_EQ(system->actions().first()->text(), QStringLiteral("С&крыть виртуальную клавиатуру"));
    EXPECT_EQ(system->actions().first()->objectName(), QStringLiteral("N2"));
}

TEST_F(VirtualKeyboard, HasItsKeysInTheirGroupsAndPlaces) {
    const auto keys = form->findChildren<QToolButton*>(QRegularExpression(QStringLiteral("^SpeedButton\\d+$")));
    EXPECT_EQ(keys.size(), 65);
    QSet<QString> names;
    for (const QToolButton* k : keys) {
        names.insert(k->objectName());
        EXPECT_TRUE(k->autoRaise()) << k->objectName().toStdString();
    }
    EXPECT_EQ(names.size(), 65);

    QMap<QString, QGroupBox*> groups;
    for (QGroupBox* group : form->findChildren<QGroupBox*>()) groups[group->title()] = group;
    ASSERT_EQ(groups.size(), 2);
    ASSERT_TRUE(groups.contains(QStringLiteral("Знаки:")));
    ASSERT_TRUE(groups.contains(QStringLiteral("Буквы:")));
    EXPECT_EQ(groups[QStringLiteral("Знаки:")]->geometry(), QRect(3, 3, 305, 57));
    EXPECT_EQ(groups[QStringLiteral("Буквы:")]->geometry(), QRect(3, 60, 305, 57));
    for (QGroupBox* group : groups) EXPECT_EQ(group->palette().color(QPalette::WindowText), QColor(Qt::white));

    // Letters: SpeedButton29..61 in alphabetical order, upper-case captions, black.
    for (int i = 0; i < 33; ++i) {
        QToolButton* k = key(29 + i);
        SCOPED_TRACE(k->objectName().toStdString());
        EXPECT_EQ(k->text(), kLetters.mid(i, 1));
        EXPECT_EQ(k->parentWidget(), groups[QStringLiteral("Буквы:")]);
        EXPECT_EQ(k->geometry(), i < 17 ? QRect(8 + 17 * i, 16, 17, 17) : QRect(16 + 17 * (i - 17), 33, 17, 17));
        EXPECT_EQ(k->palette().color(QPalette::ButtonText), QColor(Qt::black));
    }

    // Signs: two rows of 16 by 17 keys; an ampersand caption is escaped so it shows.
    const QString upperRow = QStringLiteral("@#$%&*+=\\|/[]{}~`");
    const QString lowerRow = QStringLiteral(",.!?()-:\"<>");
    QString seen;
    for (QToolButton* k : groups[QStringLiteral("Знаки:")]->findChildren<QToolButton*>()) {
        const QRect g = k->geometry();
        EXPECT_EQ(g.size(), QSize(16, 17));
        QString caption = k->text();
        caption.replace(QStringLiteral("&&"), QStringLiteral("&"));
        if (g.top() == 16) {
            EXPECT_EQ(g.left(), 9 + 16 * upperRow.indexOf(caption)) << caption.toStdString();
        } else {
            EXPECT_EQ(g.top(), 33);
            EXPECT_EQ(g.left(), 57 + 16 * lowerRow.indexOf(caption)) << caption.toStdString();
        }
        seen += caption;
    }
    EXPECT_EQ(seen.size(), 28);
    for (const QChar c : upperRow + lowerRow) EXPECT_TRUE(seen.contains(c)) << QString(c).toStdString();
    EXPECT_EQ(key(3)->text(), QStringLiteral("@"));

    const struct {
        int number;
        const char* caption;
        QRect geometry;
    } functions[] = {
        {62, "Bcksp", {310, 9, 41, 50}},
        {66, "[Enter]", {310, 65, 41, 51}},
        {23, "Пробел", {26, 119, 134, 22}},
        {63, "Caps Lock [не нажат]", {161, 119, 123, 22}},
    };
    for (const auto& f : functions) {
        EXPECT_EQ(key(f.number)->text(), QString::fromUtf8(f.caption));
        EXPECT_EQ(key(f.number)->geometry(), f.geometry) << f.caption;
    }
}

TEST_F(VirtualKeyboard, OpensAndClosesInTheRightOrder) {
    cpuchat::test::EnabledProbe probe(&main, [&] {
        return QStringLiteral("main-polling=%1 key-polling=%2 keyboard-visible=%3")
            .arg(mainPolling->isActive())
            .arg(form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive())
            .arg(form->isVisible());
    });
    form->open();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_FALSE(main.isEnabled());
    EXPECT_FALSE(mainPolling->isActive());
    auto* keyPolling = form->findChild<QTimer*>(QStringLiteral("Timer1"));
    EXPECT_TRUE(keyPolling->isActive());
    EXPECT_EQ(keyPolling->interval(), 1);
    EXPECT_TRUE(key(29)->isEnabled());

    close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(main.isEnabled());
    EXPECT_TRUE(mainPolling->isActive());
    EXPECT_FALSE(keyPolling->isActive());

    EXPECT_EQ(probe.log, QStringList({
                             "disabled main-polling=0 key-polling=0 keyboard-visible=0",
                             "enabled main-polling=1 key-polling=0 keyboard-visible=1",
                         }));
}

TEST_F(VirtualKeyboard, CloseRequestFromTheWindowSystemIsRefused) {
    form->open();
    ASSERT_NE(form->windowHandle(), nullptr);
    form->windowHandle()->close();  // as Alt+F4 would
    EXPECT_TRUE(form->isVisible());
    QCloseEvent request;
    QCoreApplication::sendEvent(form, &request);
    EXPECT_FALSE(request.isAccepted());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(main.isEnabled());
}

TEST_F(VirtualKeyboard, LetterKeysFollowCapsLockAndSignKeysDoNot) {
    form->open();
    press(QStringLiteral("ПРИВЕТ"));
    EXPECT_EQ(line->text(), QStringLiteral("привет"));

    QToolButton* caps = key(63);
    caps->click();
    EXPECT_TRUE(form->capsLock());
    EXPECT_EQ(caps->text(), QStringLiteral("Caps Lock [нажат]"));
    line->clear();
    press(QStringLiteral("ПРИВЕТ"));
    key(3)->click();
    key(23)->click();
    EXPECT_EQ(line->text(), QStringLiteral("ПРИВЕТ@ "));

    caps->click();
    EXPECT_FALSE(form->capsLock());
    EXPECT_EQ(caps->text(), QStringLiteral("Caps Lock [не нажат]"));
    line->clear();
    for (int i = 0; i < 33; ++i) key(29 + i)->click();
    EXPECT_EQ(line->text(), kLowerLetters);
    caps->click();
    line->clear();
    for (int i = 0; i < 33; ++i) key(29 + i)->click();
    EXPECT_EQ(line->text(), kLetters);
}

TEST_F(VirtualKeyboard, EverySignKeyAddsTheCharacterItShowsAtTheEnd) {
    form->open();
    for (QGroupBox* group : form->findChildren<QGroupBox*>()) {
        if (group->title() != QStringLiteral("Знаки:")) continue;
        for (QToolButton* k : group->findChildren<QToolButton*>()) {
            QString shown = k->text();
            shown.replace(QStringLiteral("&&"), QStringLiteral("&"));
            line->setText(QStringLiteral("аб"));
            line->setCursorPosition(0);  // the caret plays no part
            k->click();
            EXPECT_EQ(line->text(), QStringLiteral("аб") + shown) << k->objectName().toStdString();
        }
    }
}

TEST_F(VirtualKeyboard, CapsLockIsKeptAcrossCloseAndOpen) {
    form->open();
    key(63)->click();
    close();
    form->open();
    EXPECT_TRUE(form->capsLock());
    EXPECT_EQ(key(63)->text(), QStringLiteral("Caps Lock [нажат]"));
    press(QStringLiteral("Ё"));
    EXPECT_EQ(line->text(), QStringLiteral("Ё"));
}

TEST_F(VirtualKeyboard, BackspaceRemovesTheLastCharacter) {
    form->open();
    QToolButton* backspace = key(62);
    line->setText(QStringLiteral("абв"));
    line->setCursorPosition(1);
    backspace->click();
    EXPECT_EQ(line->text(), QStringLiteral("аб"));
    line->setText(QStringLiteral("а"));
    backspace->click();
    EXPECT_TRUE(line->text().isEmpty());
    // A press can arrive before the polling disabled the key: nothing happens.
    QSignalSpy sound(line, &QLineEdit::textChanged);
    backspace->click();
    EXPECT_TRUE(line->text().isEmpty());
    EXPECT_EQ(sound.count(), 0);
    pollKeys();
    EXPECT_FALSE(backspace->isEnabled());
    // A character beyond the basic plane goes whole.
    line->setText(QStringLiteral("a\U0001F600"));
    pollKeys();
    backspace->click();
    EXPECT_EQ(line->text(), QStringLiteral("a"));
}

TEST_F(VirtualKeyboard, EnterPerformsTheSendClickAndStaysOpen) {
    form->open();
    press(QStringLiteral("ДА"));
    pollKeys();
    key(66)->click();
    EXPECT_EQ(sends, 1);
    EXPECT_TRUE(form->isVisible());
    // The reply pipeline empties the line; the polling then disables Bcksp and [Enter].
    line->clear();
    pollKeys();
    EXPECT_FALSE(key(66)->isEnabled());
    key(66)->click();
    EXPECT_EQ(sends, 1);
}

TEST_F(VirtualKeyboard, KeyPollingEnablesBackspaceAndEnterOnlyWithText) {
    form->open();
    line->clear();
    pollKeys();
    EXPECT_FALSE(key(62)->isEnabled());
    EXPECT_FALSE(key(66)->isEnabled());
    for (const int other : {3, 23, 29, 61, 63, 64}) EXPECT_TRUE(key(other)->isEnabled()) << other;
    key(29)->click();
    EXPECT_FALSE(key(62)->isEnabled());  // not before the next tick
    pollKeys();
    EXPECT_TRUE(key(62)->isEnabled());
    EXPECT_TRUE(key(66)->isEnabled());
    // A tick while the keyboard is hidden does no harm.
    close();
    line->clear();
    pollKeys();
    EXPECT_FALSE(key(62)->isEnabled());
    EXPECT_TRUE(main.isEnabled());
}

TEST_F(VirtualKeyboard, KeysNeverMakeTheLineLongerThan255Characters) {
    form->open();
    line->setText(QString(254, QLatin1Char('x')));
    QSignalSpy sound(line, &QLineEdit::textChanged);
    key(29)->click();
    EXPECT_EQ(line->text().size(), 255);
    EXPECT_EQ(line->text().back(), QChar(u'а'));
    EXPECT_EQ(sound.count(), 1);
    for (const int k : {29, 3, 23, 64}) key(k)->click();
    EXPECT_EQ(line->text().size(), 255);
    EXPECT_EQ(sound.count(), 1);
    key(62)->click();
    EXPECT_EQ(line->text().size(), 254);
    key(23)->click();
    EXPECT_EQ(line->text().size(), 255);
    EXPECT_EQ(line->text().back(), QLatin1Char(' '));

    // The keys keep the limit themselves, whatever maximum the line has.
    line->setMaxLength(32767);
    line->setText(QString(255, QLatin1Char('x')));
    key(30)->click();
    EXPECT_EQ(line->text().size(), 255);
    line->setText(QString(300, QLatin1Char('x')));
    key(30)->click();
    EXPECT_EQ(line->text().size(), 300);
}

TEST_F(VirtualKeyboard, EveryChangeSoundsOnceAndCapsLockIsSilent) {
    form->open();
    QSignalSpy sound(line, &QLineEdit::textChanged);
    key(63)->click();
    EXPECT_EQ(sound.count(), 0);
    press(QStringLiteral("АБ"));
    key(3)->click();
    key(23)->click();
    EXPECT_EQ(sound.count(), 4);
    key(62)->click();
    EXPECT_EQ(sound.count(), 5);
    key(66)->click();
    EXPECT_EQ(sound.count(), 5);
}

TEST_F(VirtualKeyboard, AtKeyIsCaughtByTheInputGuard) {
    form->open();
    cpuchat::InputGuard guard;
    press(QStringLiteral("ДА"));
    key(3)->click();
    int ticks = 1;
    while (!cpuchat::runInputGuard(guard, line, view) && ticks <= 10) ++ticks;
    EXPECT_LE(ticks, 4);
    EXPECT_TRUE(line->text().isEmpty());
    EXPECT_FALSE(view->isEnabled());
}

}  // namespace
