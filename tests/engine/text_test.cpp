#include <gtest/gtest.h>

#include "TestSupport.h"
#include "Text.h"

namespace cpuchat {
namespace {

using test::w;

TEST(Text, UpperCasesExactlyTheLatinAndRussianLetters) {
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        char expected = c;
        if (b >= 'a' && b <= 'z') expected = static_cast<char>(b - 32);
        if (b >= 0xE0) expected = static_cast<char>(b - 32);  // а..я
        if (b == 0xB8) expected = static_cast<char>(0xA8);    // ё
        EXPECT_EQ(upperChar(c), expected) << "byte " << b;
    }
    EXPECT_EQ(toUpper(w("привет, Мир! ёлка ЁЛКА abc ў")), w("ПРИВЕТ, МИР! ЁЛКА ЁЛКА ABC ў"));
}

TEST(Text, EveryByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
    EXPECT_EQ(toUtf8(std::string(1, '\x98')), "\xC2\x98");  // no character in the code page
}

TEST(Text, ConvertsUtf8ToTheCodePage) {
    struct Row {
        std::string utf8;
        std::string cp1251;
    } rows[] = {
        {"Привет", "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"ёЁ№", "\xB8\xA8\xB9"},
        {"«—»", "\xAB\x97\xBB"},
        {"€", "\x88"},
        {"日本", "??"},             // not in the code page
        {"a\xFF" "b", "a?b"},       // malformed byte
        {"\xD0", "?"},              // sequence cut short
        {"😀x", "?x"},              // beyond the basic plane
    };
    for (const Row& row : rows) EXPECT_EQ(fromUtf8(row.utf8), row.cp1251) << row.utf8;
}

TEST(Text, StrictConversionRefusesWhatTheLenientOneWouldReplace) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(fromUtf8Strict(toUtf8(all)), all);
    struct Row {
        std::string utf8;
        std::size_t offset;
        std::optional<char32_t> codePoint;  // nullopt: not UTF-8
    } rows[] = {
        {"ab日本", 2, U'日'},
        {"Привет 😀", 13, U'😀'},
        {std::string("a\xFF") + "b", 1, std::nullopt},
        {"ok\xD0", 2, std::nullopt},             // sequence cut short
        {"\xC0\xAF", 0, std::nullopt},           // overlong "/"
        {"\xED\xA0\x80", 0, std::nullopt},       // a surrogate
        {"x\xF4\x90\x80\x80", 1, std::nullopt},  // past U+10FFFF
    };
    for (const Row& row : rows) {
        try {
            fromUtf8Strict(row.utf8);
            ADD_FAILURE() << "accepted " << row.utf8;
        } catch (const Utf8Error& e) {
            EXPECT_EQ(e.offset(), row.offset) << row.utf8;
            EXPECT_EQ(e.codePoint(), row.codePoint) << row.utf8;
        }
    }
}

}  // namespace
}  // namespace cpuchat
