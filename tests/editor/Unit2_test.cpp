#include "Unit2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "EnabledProbe.h"
#include "StubMainWindow.h"
#include "TestSupport.h"

namespace {

using cpuchat::TForm2;

// Types any text, also letters outside ASCII, one key event per character.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

class Editor : public testing::Test {
protected:
    Editor() {
        form = new TForm2(main, random, clock);
        path = form->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        interval = form->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"));
        intervalText = interval->findChild<QLineEdit*>();
        focusTimer = form->findChild<QTimer*>(QStringLiteral("Timer1"));
        main.resize(600, 400);
        main.show();
    }

    QPushButton* button(int number) const {
        return form->findChild<QPushButton*>(QStringLiteral("Button%1").arg(number));
    }
    void tick() const { QMetaObject::invokeMethod(form, "Timer1Timer"); }
    static bool wholeTextSelected(const QLineEdit* edit) {
        return edit->hasSelectedText() && edit->selectedText() == edit->text();
    }
    void typeInterval(const QString& keys) const {
        intervalText->selectAll();
        QTest::keyClicks(interval, keys);
    }

    cpuchat::test::StubMainWindow main;
    QTimer* mainPolling = main.polling;
    cpuchat::test::ScriptedRandom random;
    cpuchat::test::FakeClock clock;
    TForm2* form = nullptr;
    QLineEdit* path = nullptr;
    QSpinBox* interval = nullptr;
    QLineEdit* intervalText = nullptr;
    QTimer* focusTimer = nullptr;
};

TEST_F(Editor, IsAHiddenFixedToolWindowWithoutTitleBarButtons) {
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Редактор"));
    EXPECT_EQ(form->windowType(), Qt::Tool);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form->size(), QSize(305, 105));
    EXPECT_EQ(form->minimumSize(), QSize(305, 105));
    EXPECT_EQ(form->maximumSize(), QSize(305, 105));
}

TEST_F(Editor, HoldsItsControlsInTheirPlacesWithTheirStartValues) {
    auto* pathGroup = qobject_cast<QGroupBox*>(path->parentWidget());
    auto* intervalGroup = qobject_cast<QGroupBox*>(interval->parentWidget());
    ASSERT_NE(pathGroup, nullptr);
    ASSERT_NE(intervalGroup, nullptr);
    EXPECT_EQ(pathGroup->title(), QStringLiteral("Путь файла:"));
    EXPECT_EQ(pathGroup->geometry(), QRect(8, 8, 185, 57));
    EXPECT_EQ(path->geometry(), QRect(8, 24, 169, 21));
    EXPECT_EQ(intervalGroup->title(), QStringLiteral("Интервал (сек.):"));
    EXPECT_EQ(intervalGroup->geometry(), QRect(200, 8, 97, 57));
    EXPECT_EQ(interval->geometry(), QRect(8, 24, 81, 22));
    EXPECT_EQ(button(1)->text(), QStringLiteral("Хорошо"));
    EXPECT_EQ(button(1)->geometry(), QRect(72, 72, 75, 25));
    EXPECT_EQ(button(2)->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(button(2)->geometry(), QRect(157, 72, 75, 25));
    for (const QPushButton* b : {button(1), button(2)}) {
        EXPECT_FALSE(b->isDefault());
        EXPECT_FALSE(b->autoDefault());
    }

    EXPECT_EQ(path->text(), QStringLiteral("D:\\Txt.Dat"));
    EXPECT_EQ(form->path(), QStringLiteral("D:\\Txt.Dat"));
    EXPECT_EQ(interval->value(), 1000);
    EXPECT_EQ(form->interval(), 1000);
    const QColor highlightText = QApplication::palette().color(QPalette::HighlightedText);
    EXPECT_EQ(path->palette().color(QPalette::Base), highlightText);
    EXPECT_EQ(interval->palette().color(QPalette::Base), highlightText);
    EXPECT_EQ(form->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));

    // Tab order: path, interval, "Хорошо", "Отмена".
    QList<QWidget*> tabOrder;
    for (QWidget* w = path; tabOrder.size() < 5; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()) tabOrder << w;
    }
    EXPECT_EQ(tabOrder, (QList<QWidget*>{path, interval, button(1), button(2), path}));
    ASSERT_NE(focusTimer, nullptr);
    EXPECT_EQ(focusTimer->interval(), 2000);
    EXPECT_FALSE(focusTimer->isActive());
}

TEST_F(Editor, OpensAndClosesInTheirOrders) {
    cpuchat::test::EnabledProbe probe(&main, [&] {
        return QStringLiteral("main-polling=%1 focus-timer=%2 editor-visible=%3")
            .arg(mainPolling->isActive())
            .arg(form->findChild<QTimer*>(QStringLiteral("Timer1"))->isActive())
            .arg(form->isVisible());
    });
    form->open();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(path->isEnabled());
    EXPECT_FALSE(main.isEnabled());
    EXPECT_FALSE(mainPolling->isActive());
    EXPECT_TRUE(focusTimer->isActive());

    button(1)->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(main.isEnabled());
    EXPECT_TRUE(mainPolling->isActive());
    EXPECT_FALSE(focusTimer->isActive());

    form->open();
    button(2)->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(main.isEnabled());
    EXPECT_TRUE(mainPolling->isActive());
    EXPECT_FALSE(focusTimer->isActive());

    EXPECT_EQ(probe.log, (QStringList{
                             "disabled main-polling=0 focus-timer=0 editor-visible=0",
                             "enabled main-polling=1 focus-timer=0 editor-visible=1",
                             "disabled main-polling=0 focus-timer=0 editor-visible=0",
                             "enabled main-polling=1 focus-timer=0 editor-visible=1",
                         }));
}

TEST_F(Editor, CancelKeepsWhatTheUserChanged) {
    QSignalSpy changed(form, &TForm2::changed);
    form->open();
    path->selectAll();
    typeText(path, QStringLiteral("C:\\Другой.txt"));
    typeInterval(QStringLiteral("2500"));
    button(2)->click();
    EXPECT_EQ(form->path(), QStringLiteral("C:\\Другой.txt"));
    EXPECT_EQ(form->interval(), 2500);
    EXPECT_GE(changed.count(), 1);
}

TEST_F(Editor, UserChangesAreReportedButTheRestoreIsNot) {
    QSignalSpy changed(form, &TForm2::changed);
    QTest::keyClick(path, Qt::Key_X);
    EXPECT_EQ(changed.count(), 1);
    QTest::keyClick(interval, Qt::Key_Up);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(form->interval(), 1001);
    typeInterval(QStringLiteral("70000"));
    EXPECT_EQ(form->interval(), 60000);
    const int afterTyping = changed.count();
    EXPECT_GT(afterTyping, 2);

    // Hidden, with other values in both fields: the restore writes the start values back.
    form->restoreDefaults();
    EXPECT_EQ(changed.count(), afterTyping);
    EXPECT_EQ(form->path(), QStringLiteral("D:\\Txt.Dat"));
    EXPECT_EQ(form->interval(), 1000);
    EXPECT_EQ(interval->text(), QStringLiteral("1000"));

    // A second restore changes nothing and reports nothing either.
    form->restoreDefaults();
    EXPECT_EQ(changed.count(), afterTyping);

    // The next user change is reported again.
    path->setText(QStringLiteral("E:\\x"));
    EXPECT_EQ(changed.count(), afterTyping + 1);
}

TEST_F(Editor, IntervalReadsAsAValidNumberWhileBeingTyped) {
    form->open();
    intervalText->selectAll();
    QTest::keyClick(interval, Qt::Key_Backspace);
    EXPECT_EQ(form->interval(), 1);
    QTest::keyClicks(interval, QStringLiteral("abc"));
    EXPECT_EQ(interval->text(), QString());
    QTest::keyClicks(interval, QStringLiteral("70000"));
    EXPECT_EQ(form->interval(), 60000);
    EXPECT_EQ(interval->text(), QStringLiteral("70000"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(interval, &out);
    EXPECT_EQ(interval->text(), QStringLiteral("60000"));
    EXPECT_EQ(form->interval(), 60000);
}

TEST_F(Editor, FocusTimerMovesTheFocusToARandomFieldAndSelectsItsText) {
    form->open();
    button(1)->setFocus();
    random.script = {1, 2, 3, 4, 5, 6};
    const struct {
        QWidget* field;
        const QLineEdit* text;
    } expected[] = {{path, path}, {interval, intervalText}, {path, path},
                    {interval, intervalText}, {path, path}, {interval, intervalText}};
    for (const auto& e : expected) {
        path->deselect();
        intervalText->deselect();
        tick();
        EXPECT_EQ(form->focusWidget(), e.field) << random.draws.size();
        EXPECT_TRUE(wholeTextSelected(e.text)) << random.draws.size();
    }
    // Every tick seeds afresh from the clock, then draws 1..6.
    ASSERT_EQ(random.seeds.size(), 6u);
    for (std::size_t i = 1; i < random.seeds.size(); ++i) EXPECT_NE(random.seeds[i], random.seeds[i - 1]);
    EXPECT_EQ(random.draws, (std::vector<std::pair<int, int>>(6, {1, 6})));
}

TEST_F(Editor, FocusTimerLeavesAFieldThatAlreadyHasTheFocusAlone) {
    form->open();
    path->setFocus();
    path->setSelection(0, 2);
    random.script = {3};
    tick();
    EXPECT_EQ(form->focusWidget(), path);
    EXPECT_EQ(path->selectedText(), QStringLiteral("D:"));

    // From a button the timer does move the focus and selects.
    button(2)->setFocus();
    random.script = {6};
    tick();
    EXPECT_EQ(form->focusWidget(), interval);
    EXPECT_TRUE(wholeTextSelected(intervalText));
}

TEST_F(Editor, CanBeClosedOnlyWithItsButtons) {
    form->open();
    QTest::keyClick(form, Qt::Key_Escape);
    QTest::keyClick(path, Qt::Key_Escape);
    QTest::keyClick(path, Qt::Key_Return);
    QTest::keyClick(interval, Qt::Key_Enter);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    QCloseEvent request;
    QApplication::sendEvent(form, &request);
    EXPECT_FALSE(request.isAccepted());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(main.isEnabled());
    EXPECT_FALSE(mainPolling->isActive());
    EXPECT_TRUE(focusTimer->isActive());
}

}  // namespace
