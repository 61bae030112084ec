#include <gtest/gtest.h>

#include "DialogueView.h"

namespace cpuchat {
namespace {

TextAttributes attrs(ColorRef colour, bool bold = false) {
    TextAttributes a;
    a.colour = colour;
    a.font.bold = bold;
    return a;
}

TEST(DialogueView, EveryLineIsOneCentredParagraphInItsOwnAttributes) {
    DialogueView v;
    v.appendLine(QStringLiteral("Первая"), attrs(colorRef(255, 0, 0), true));
    v.appendLine(QStringLiteral("Вторая"), attrs(colorRef(0, 0, 255)));
    ASSERT_EQ(v.lineCount(), 2);
    EXPECT_EQ(v.document()->blockCount(), 2);
    EXPECT_EQ(v.lineText(0), QStringLiteral("Первая"));
    EXPECT_EQ(v.lineText(1), QStringLiteral("Вторая"));
    EXPECT_EQ(v.lineText(2), QString());
    for (int i = 0; i < 2; ++i) EXPECT_EQ(v.lineAlignment(i), Qt::AlignHCenter) << i;
    EXPECT_EQ(v.lineFormat(0).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(v.lineFormat(0).fontWeight(), QFont::Bold);
    EXPECT_EQ(v.lineFormat(1).foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(v.lineFormat(1).fontWeight(), QFont::Normal);
}

TEST(DialogueView, ALongOrBrokenLineStaysOneLine) {
    DialogueView v;
    v.resize(200, 100);
    v.appendLine(QString(300, u'ж'), attrs(0));
    v.appendLine(QStringLiteral("раз\nдва\r\nтри"), attrs(0));
    EXPECT_EQ(v.lineCount(), 2);
    EXPECT_EQ(v.document()->blockCount(), 2);
    EXPECT_EQ(v.lineText(1), QStringLiteral("раз два  три"));
    v.removeLastLine();
    EXPECT_EQ(v.lineText(0), QString(300, u'ж'));
}

TEST(DialogueView, RemovingTakesTheLastParagraphAndKeepsTheOthersIntact) {
    DialogueView v;
    v.appendLine(QStringLiteral("a"), attrs(colorRef(255, 0, 0)));
    v.appendLine(QString(), attrs(0));
    v.appendLine(QStringLiteral("c"), attrs(0));
    v.removeLastLine();
    EXPECT_EQ(v.lineCount(), 2);
    EXPECT_EQ(v.document()->blockCount(), 2);
    EXPECT_EQ(v.lineText(1), QString());
    v.removeLastLine();
    v.removeLastLine();
    EXPECT_EQ(v.lineCount(), 0);
    EXPECT_TRUE(v.document()->isEmpty());
    v.removeLastLine();  // nothing to remove
    EXPECT_EQ(v.lineCount(), 0);
    // The first line after emptying is centred again.
    v.appendLine(QStringLiteral("d"), attrs(0));
    EXPECT_EQ(v.lineAlignment(0), Qt::AlignHCenter);
    EXPECT_EQ(v.toPlainText(), QStringLiteral("d"));
}

}  // namespace
}  // namespace cpuchat
