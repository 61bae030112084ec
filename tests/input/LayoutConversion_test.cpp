#include "LayoutConversion.h"

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "Text.h"

namespace {

using cpuchat::convertLayout;
using cpuchat::fromUtf8;
using cpuchat::toUtf8;

std::string convertUtf8(std::string_view utf8) { return toUtf8(convertLayout(fromUtf8(utf8))); }

struct TableRow {
    char typed;
    const char* becomes;  // UTF-8
};

// Every entry of the keyboard table.
const TableRow kTable[] = {
    {'q', "й"}, {'w', "ц"}, {'e', "у"}, {'r', "к"}, {'t', "е"}, {'y', "н"}, {'u', "г"},
    {'i', "ш"}, {'o', "щ"}, {'p', "з"}, {'Q', "Й"}, {'W', "Ц"}, {'E', "У"}, {'R', "К"},
    {'T', "Е"}, {'Y', "Н"}, {'U', "Г"}, {'I', "Ш"}, {'O', "Щ"}, {'P', "З"},
    {'a', "ф"}, {'s', "ы"}, {'d', "в"}, {'f', "а"}, {'g', "п"}, {'h', "р"}, {'j', "о"},
    {'k', "л"}, {'l', "д"}, {'A', "Ф"}, {'S', "Ы"}, {'D', "В"}, {'F', "А"}, {'G', "П"},
    {'H', "Р"}, {'J', "О"}, {'K', "Л"}, {'L', "Д"},
    {'z', "я"}, {'x', "ч"}, {'c', "с"}, {'v', "м"}, {'b', "и"}, {'n', "т"}, {'m', "ь"},
    {'Z', "Я"}, {'X', "Ч"}, {'C', "С"}, {'V', "М"}, {'B', "И"}, {'N', "Т"}, {'M', "Ь"},
    {'`', "ё"}, {'~', "Ё"}, {'[', "х"}, {'{', "Х"}, {']', "ъ"}, {'}', "Ъ"},
    {';', "ж"}, {':', "Ж"}, {'"', "Э"}, {'<', "б"}, {'>', "ю"}, {'/', "."},
    {'|', "/"}, {'@', "\""}, {'#', "№"}, {'$', ";"}, {'^', ":"}, {'&', "?"},
};

TEST(LayoutConversion, TableHasSeventyEntriesAndLeavesEveryOtherCharacterAlone) {
    ASSERT_EQ(std::size(kTable), 70u);
    std::set<unsigned char> sources;
    for (const TableRow& row : kTable) {
        SCOPED_TRACE(std::string(1, row.typed));
        sources.insert(static_cast<unsigned char>(row.typed));
        EXPECT_EQ(toUtf8(convertLayout(std::string(1, row.typed))), row.becomes);
    }
    ASSERT_EQ(sources.size(), 70u);
    for (int b = 0; b < 256; ++b) {
        if (sources.count(static_cast<unsigned char>(b)) != 0) continue;
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(convertLayout(one), one) << "byte " << b;
    }
}

TEST(LayoutConversion, KeepsTheProgramsOwnDeviationsFromTheStandardLayout) {
    // Comma, full stop, apostrophe and question mark stay; nothing ever gives "э".
    EXPECT_EQ(convertLayout(",.'?"), ",.'?");
    const char smallE = fromUtf8("э")[0];
    for (int b = 0; b < 256; ++b) {
        if (static_cast<char>(b) == smallE) continue;
        EXPECT_NE(convertLayout(std::string(1, static_cast<char>(b)))[0], smallE) << "byte " << b;
    }
}

TEST(LayoutConversion, ConvertsEachPositionOnceInOnePass) {
    const std::pair<const char*, const char*> cases[] = {
        {"|", "/"},
        {"/", "."},
        {"$", ";"},
        {"^", ":"},
        {"@", "\""},
        {"#", "№"},
        {"&", "?"},
        {"\"", "Э"},
        {"ghbdtn", "привет"},
        {"Ghbdtn", "Привет"},
        {"ghbdtn 123", "привет 123"},
        {"a,b.c", "ф,и.с"},
        {"<>", "бю"},
        {"|/$;^:@\"", "/.;ж:Ж\"Э"},
        {"привет, мир 2024.", "привет, мир 2024."},
        {"", ""},
    };
    for (const auto& [typed, expected] : cases) {
        EXPECT_EQ(convertUtf8(typed), expected) << "typed: " << typed;
    }
}

TEST(LayoutConversion, KeepsTheLength) {
    std::string everyByte;
    for (int b = 255; b >= 0; --b) everyByte += static_cast<char>(b);
    EXPECT_EQ(convertLayout(everyByte).size(), everyByte.size());
    // A NUL inside the text neither ends nor shortens it.
    EXPECT_EQ(convertLayout(std::string_view("a\0b", 3)), fromUtf8("ф") + '\0' + fromUtf8("и"));
}

TEST(LayoutConversion, IsNotIdempotentOnPunctuation) {
    const std::string once = convertLayout("$^@|");
    EXPECT_EQ(toUtf8(once), ";:\"/");
    EXPECT_EQ(toUtf8(convertLayout(once)), "жЖЭ.");
}

}  // namespace
