#include <gtest/gtest.h>

#include <random>

#include "Matching.h"
#include "TestSupport.h"
#include "Text.h"

namespace cpuchat {
namespace {

using test::w;

bool scan(const char* inputUtf8, const char* patternUtf8) { return runScan(toUpper(w(inputUtf8)), w(patternUtf8)); }

TEST(RunScan, NeverComparesAgainTheCharacterThatBrokeAMatch) {
    struct Row {
        const char* input;
        const char* pattern;
        bool found;
    } rows[] = {
        {"ну да", "ДА", true},     {"дда", "ДА", false},        {"гдда", "ДА", false},
        {"ггад ", "ГАД ", false},  {"гад ", "ГАД ", true},       {"да", "ДА", true},
        {"д", "ДА", false},        {"", "ДА", false},           {"x", "", false},
        {"ты гад", "ГАД ", false}, {"ты гад!", "ГАД!", true},   {"ты гад и всё", "ГАД ", true},
        {"Лох", " ЛОХ", false},    {"ты лох", " ЛОХ", true},    {"плохо", " ЛОХ", false},
        {"ёжик", "ЁЖ", true},      {"Hello", "HELL", true},     {"аб аб", "АБ АБ", true},
    };
    for (const Row& row : rows) EXPECT_EQ(scan(row.input, row.pattern), row.found) << row.input << " / " << row.pattern;
}

std::size_t match(const char* line, const char* input) {
    return matchMainLine(w(line), toUpper(w(input)));
}

TEST(MainScanMatcher, MatchesWordByWordAgainstTheLinesOwnBeginning) {
    constexpr auto npos = std::string_view::npos;
    struct Row {
        const char* line;
        const char* input;
        std::size_t caret;  // byte position of the "^" that ends the key, npos: no match
    } rows[] = {
        {"ПРИВЕТ^Привет!;", "привет!", 6},
        {"ПРИВЕТ^Привет!;", "приветик", 6},
        {"ПРИВЕТ^Привет!;", "ппривет", npos},
        {"ПРИВЕТ^Привет!;", "приве", npos},
        {"КАК ДЕЛА?^Хорошо.;", "как д", 9},
        {"ДОБРЫЙ ДЕНЬ.^Добрый!;", "добрый день.", npos},
        {"ДОБРЫЙ ДЕНЬ.^Добрый!;", "добрый добры", 12},
        {"ЧТО ТАКОЕ СЧАСТЬЕ?^", "что такое счастье?", npos},  // unanswered
        {"ВАСЯ.^", "вася.", npos},
        {"БЕЗ КАРЕТКИ", "без каретки", npos},  // outside the format
        {"_КАК ДЕЛА^Хорошо.;", "как дела", npos},  // branch lines need a "_"
        {"_КАК ДЕЛА^Хорошо.;", "_как дела", npos},  // later words start over at the line's start
        {"_КАК ДЕЛА^Хорошо.;", "_как _как", 9},
        {"^ ПУСТОЙ КЛЮЧ^x;", "", 0},  // a key word "^" alone ends the key at once
        {"ДА^Да.;", "ну да", 2},
        {"Д^x;", "д", 1},
    };
    for (const Row& row : rows) EXPECT_EQ(match(row.line, row.input), row.caret) << row.line << " / " << row.input;
}

TEST(MainScanMatcher, PrefilterNeverRulesOutALineThatMatches) {
    std::mt19937 gen(12345);
    const std::string alphabet = w("АБВ ^_;");
    auto randomText = [&](int maxLen) {
        std::string s;
        const int n = std::uniform_int_distribution<int>(0, maxLen)(gen);
        for (int i = 0; i < n; ++i) s += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(gen)];
        return s;
    };
    int matched = 0;
    for (int round = 0; round < 200000; ++round) {
        const std::string line = randomText(9);
        const std::string input = toUpper(randomText(8));
        const bool matches = matchMainLine(line, input) != std::string_view::npos;
        if (matches) {
            ++matched;
            ASSERT_TRUE(InputIndex(input).mayMatchHead(LineList{line}.head(0))) << line << " / " << input;
        }
    }
    EXPECT_GT(matched, 1000);  // the check above has really been exercised
}

TEST(AnswerChoice, CutsTheChosenAnswer) {
    const std::string line = w("ПРИВЕТ^Привет!;Здравствуй.;Хай;");
    const std::size_t caret = line.find('^');
    EXPECT_EQ(answerAt(line, caret, 1), w("Привет!"));
    EXPECT_EQ(answerAt(line, caret, 2), w("Здравствуй."));
    EXPECT_EQ(answerAt(line, caret, 3), w("Хай"));
    EXPECT_EQ(countAnswers(line), 3);
    // An answer without a closing ";" runs to the end of the line.
    const std::string open = w("КЛЮЧ^Один;Два");
    EXPECT_EQ(answerAt(open, open.find('^'), 2), w("Два"));
    const std::string none = w("КЛЮЧ^Без точки с запятой");
    EXPECT_EQ(countAnswers(none), 0);
    EXPECT_EQ(answerAt(none, none.find('^'), 1), w("Без точки с запятой"));
    EXPECT_EQ(keyOf(w("__А У ТЕБЯ^Тоже.;")), w("__А У ТЕБЯ"));
    EXPECT_EQ(keyOf("NOCARET"), "NOCARET");
}

TEST(WordLists, HoldTheBuiltInWordsWithTheirBlanks) {
    const LineList& abuse = abuseWords();
    ASSERT_EQ(abuse.size(), 83u);
    EXPECT_EQ(abuse[0], "");
    EXPECT_EQ(abuse[1], w(" ЛОХ"));
    EXPECT_EQ(abuse[7], w("БЛЯ "));
    EXPECT_EQ(abuse[82], w("Я СОТРУ"));
    const LineList& human = humanTopicWords();
    ASSERT_EQ(human.size(), 80u);
    EXPECT_EQ(human[1], w(" ИМЯ"));
    EXPECT_EQ(human[20], w("ИМЯ "));
    EXPECT_EQ(human[79], w("ШЕРСТ"));
}

}  // namespace
}  // namespace cpuchat
