#include "IntervalSpinBox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using cpuchat::IntervalSpinBox;

TEST(IntervalText, ReadsAsAWholeNumberWithinTheLimits) {
    const struct {
        const char* text;
        int interval;
    } rows[] = {
        {"1000", 1000},   {"1", 1},         {"60000", 60000},  {"", 1},           {"0", 1},
        {"70000", 60000}, {"60001", 60000}, {"-5", 1},         {"+25", 25},       {"-", 1},
        {"+", 1},         {"12.5", 1},      {"12,5", 1},       {"007", 7},        {"2147483647", 60000},
        {"99999999999", 1}, {"1-2", 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IntervalSpinBox::readInterval(QString::fromLatin1(row.text)), row.interval) << row.text;
    }
}

class IntervalField : public testing::Test {
protected:
    IntervalField() {
        field.setValue(1000);
        edit = field.findChild<QLineEdit*>();
    }
    // Replaces the whole text by typing, as a user who selected it all.
    void type(const QString& keys) {
        edit->selectAll();
        if (keys.isEmpty()) {
            QTest::keyClick(&field, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(&field, keys);
        }
    }
    void loseFocus() {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&field, &out);
    }

    IntervalSpinBox field;
    QLineEdit* edit = nullptr;
};

TEST_F(IntervalField, ReadsTypedTextAtEveryKeystroke) {
    type(QStringLiteral("7"));
    EXPECT_EQ(field.text(), QStringLiteral("7"));
    EXPECT_EQ(field.value(), 7);
    QTest::keyClick(&field, Qt::Key_0);
    EXPECT_EQ(field.value(), 70);
    type(QString());
    EXPECT_EQ(field.text(), QString());
    EXPECT_EQ(field.value(), 1);
    type(QStringLiteral("70000"));
    EXPECT_EQ(field.text(), QStringLiteral("70000"));
    EXPECT_EQ(field.value(), 60000);
    type(QStringLiteral("-"));
    EXPECT_EQ(field.text(), QStringLiteral("-"));
    EXPECT_EQ(field.value(), 1);
}

TEST_F(IntervalField, ShowsTheCorrectedNumberWhenItLosesTheFocus) {
    type(QStringLiteral("70000"));
    loseFocus();
    EXPECT_EQ(field.text(), QStringLiteral("60000"));
    EXPECT_EQ(field.value(), 60000);

    type(QString());
    loseFocus();
    EXPECT_EQ(field.text(), QStringLiteral("1"));
    EXPECT_EQ(field.value(), 1);

    type(QStringLiteral("+250"));
    loseFocus();
    EXPECT_EQ(field.text(), QStringLiteral("250"));
}

TEST_F(IntervalField, RefusesOtherCharacterKeys) {
    type(QStringLiteral("5"));
    QTest::keyClicks(&field, QStringLiteral("abc x;"));
    QKeyEvent cyrillic(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Я"));
    QApplication::sendEvent(&field, &cyrillic);
    EXPECT_EQ(field.text(), QStringLiteral("5"));
    EXPECT_EQ(field.value(), 5);
    // The sign keys and the decimal separator are let in.
    QTest::keyClicks(&field, QStringLiteral("+-") + field.locale().decimalPoint());
    EXPECT_EQ(field.text(), QStringLiteral("5+-") + field.locale().decimalPoint());
    EXPECT_EQ(field.value(), 1);
    // A pasted text with other characters is refused whole.
    QString pasted = QStringLiteral("12ab");
    int pos = 0;
    EXPECT_EQ(field.validate(pasted, pos), QValidator::Invalid);
}

TEST_F(IntervalField, ArrowsStepByOneAndStopAtTheLimits) {
    field.setValue(59999);
    QTest::keyClick(&field, Qt::Key_Up);
    EXPECT_EQ(field.value(), 60000);
    QTest::keyClick(&field, Qt::Key_Up);
    EXPECT_EQ(field.value(), 60000);
    EXPECT_EQ(field.text(), QStringLiteral("60000"));
    field.setValue(2);
    QTest::keyClick(&field, Qt::Key_Down);
    QTest::keyClick(&field, Qt::Key_Down);
    EXPECT_EQ(field.value(), 1);
    EXPECT_EQ(field.text(), QStringLiteral("1"));
}

TEST_F(IntervalField, ArrowStepsFromTheNumberTheTextReadsAs) {
    type(QStringLiteral("70000"));
    QTest::keyClick(&field, Qt::Key_Down);
    EXPECT_EQ(field.value(), 59999);
    type(QString());
    QTest::keyClick(&field, Qt::Key_Up);
    EXPECT_EQ(field.value(), 2);
}

}  // namespace
