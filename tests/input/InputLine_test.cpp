#include "InputLine.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "Cp1251.h"
#include "LayoutConversion.h"

namespace {

using namespace cpuchat;

TEST(InputLineConversion, MatchesTheCodePageConversionAndKeepsForeignCharacters) {
    std::string everyByte;
    for (int b = 1; b < 256; ++b) everyByte += static_cast<char>(b);
    EXPECT_EQ(toCp1251(convertLayout(fromCp1251(everyByte))), cpuchat::convertLayout(everyByte));
    EXPECT_EQ(convertLayout(QStringLiteral("ghbdtn \U0001F600\u4E2D")), QStringLiteral("привет \U0001F600\u4E2D"));
}

TEST(InputLineConversion, WritesBackOnlyWhenTheTextChanged) {
    QLineEdit line;
    line.setMaxLength(255);
    QSignalSpy sound(&line, &QLineEdit::textChanged);
    struct Row {
        QString before;
        QString after;
        int sounds;
    };
    const Row rows[] = {
        {QString(), QString(), 0},
        {QStringLiteral("ghbdtn"), QStringLiteral("привет"), 1},
        {QStringLiteral("Ghbdtn 123"), QStringLiteral("Привет 123"), 1},
        {QStringLiteral("привет, мир. 2024!"), QStringLiteral("привет, мир. 2024!"), 0},
        {QStringLiteral(";:\"/"), QStringLiteral("жЖЭ."), 1},
    };
    for (const Row& row : rows) {
        line.setText(row.before);
        sound.clear();
        EXPECT_EQ(applyLayoutConversion(&line), row.sounds == 1) << row.before.toStdString();
        EXPECT_EQ(line.text(), row.after);
        EXPECT_EQ(sound.count(), row.sounds) << row.before.toStdString();
    }
}

TEST(InputLineGuard, HitClearsTheLineWithTheSoundAndDisablesTheViewForGood) {
    QLineEdit line;
    QTextEdit view;
    InputGuard guard;
    line.setText(QStringLiteral("да@нет"));
    QSignalSpy sound(&line, &QLineEdit::textChanged);
    int ticks = 0;
    while (!runInputGuard(guard, &line, &view) && ticks < 100) ++ticks;
    EXPECT_EQ(ticks + 1, 3);
    EXPECT_TRUE(line.text().isEmpty());
    EXPECT_EQ(sound.count(), 1);
    EXPECT_FALSE(view.isEnabled());
    EXPECT_TRUE(line.isEnabled());
    EXPECT_TRUE(inputGuardIdle(guard, &line));

    // A clean phrase afterwards is walked but the view stays disabled.
    line.setText(QStringLiteral("привет"));
    EXPECT_FALSE(inputGuardIdle(guard, &line));
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(runInputGuard(guard, &line, &view));
    EXPECT_EQ(line.text(), QStringLiteral("привет"));
    EXPECT_FALSE(view.isEnabled());
}

TEST(InputLineGuard, CatchesAConvertedDollarWithinOneTickMoreThanTheLineHas) {
    QLineEdit line;
    QTextEdit view;
    InputGuard guard;
    line.setText(QStringLiteral("wtyf $"));
    applyLayoutConversion(&line);
    ASSERT_EQ(line.text(), QStringLiteral("цена ;"));
    int ticks = 1;
    while (!runInputGuard(guard, &line, &view) && ticks <= 100) ++ticks;
    EXPECT_EQ(ticks, 6);  // within n + 1 = 7
    EXPECT_TRUE(line.text().isEmpty());
    EXPECT_FALSE(view.isEnabled());
}

TEST(InputLineGuard, CharactersOutsideTheCodePageAreNeverTakenForMarkers) {
    QLineEdit line;
    QTextEdit view;
    InputGuard guard;
    line.setText(QStringLiteral("\U0001F600\u4E2D;"));
    int ticks = 1;
    while (!runInputGuard(guard, &line, &view) && ticks <= 100) ++ticks;
    EXPECT_EQ(ticks, 3);
}

}  // namespace
