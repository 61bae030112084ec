#include "Cp1251.h"

#include <gtest/gtest.h>

namespace {

using namespace cpuchat;

TEST(Cp1251Text, EveryCodePageCharacterSurvivesTheRoundTrip) {
    std::string everyByte;
    for (int b = 1; b < 256; ++b) everyByte += static_cast<char>(b);
    const QString text = fromCp1251(everyByte);
    EXPECT_EQ(text.size(), 255);
    EXPECT_EQ(toCp1251(text), everyByte);
    EXPECT_EQ(fromCp1251(toCp1251(QStringLiteral("Привет, ёж №1"))), QStringLiteral("Привет, ёж №1"));
}

TEST(Cp1251Text, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    // A character beyond the basic plane is one position, not two.
    EXPECT_EQ(toCp1251(QStringLiteral("a\u4E2D\U0001F600b")), "a??b");
}

}  // namespace
