#include <gtest/gtest.h>

#include <random>

#include "KnowledgeCheck.h"
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

std::vector<std::string> findingsOf(const std::vector<std::string>& utf8Lines) {
    LineList kb;
    for (const auto& l : utf8Lines) kb.append(w(l));
    std::vector<std::string> out;
    for (const Finding& f : checkKnowledgeBase(kb).findings) {
        out.push_back(std::to_string(f.line) + (f.isError() ? " error: " : " warning: ") +
                      toUtf8(f.message()));
    }
    return out;
}

TEST(KnowledgeCheck, ReportsOneFindingOfEachKindAndNothingElse) {
    const std::vector<std::string> kb = {
        "Заголовок; без ^ и как угодно",   // 0: the header is free
        "ПРИВЕТ^Привет!;Здравствуй.;",     // 1
        "_КАК ДЕЛА^Хорошо.;",              // 2
        "__А У ТЕБЯ^Тоже.;",               // 3
        "___ЕЩЁ^Ещё.;",                    // 4
        "_НЕТ^",                           // 5: an unanswered branch: normal
        "__ТОЖЕ^Да.;",                     // 6: reached from line 2 over line 5
        "ПОКА^До свидания.;@",             // 7
        "__ГЛУБОКО^Нет.;",                 // 8: depth 2 right under a main phrase
        "ЧТО ТАКОЕ СЧАСТЬЕ?^",             // 9: unanswered: normal
        "_ВЕТКА^Ой.;",                     // 10: its main phrase never answers
        "ПРИВЕТ^Дубль.;",                  // 11: a duplicate
        "ДОБРЫЙ ДЕНЬ.^Добрый!;",           // 12
        "КАК ДЕЛА?^Хорошо.;",              // 13
        "привет^Строчные.;",               // 14
        "БЕЗ КАРЕТКИ",                     // 15
        "КЛЮЧ^Ответ без точки с запятой",  // 16
        "ДО ВСТРЕЧИ^Пока.;@Ещё раз.;",     // 17: learning wrote after the "@"
        "",                                // 18
        "_^Пусто.;",                       // 19
        "КЛЮ;Ч^Ответ.;",                   // 20
        "_ВЕТКА^Ветка.;@",                 // 21
        "ДОБРЫЙ ДОБРЫ^Да.;",               // 22: answered first by line 12
        "Я ^Ответ.;",                      // 23: the matcher reads "^Ответ.;" as a word
    };
    EXPECT_EQ(
        findingsOf(kb),
        (std::vector<std::string>{
            "8 warning: unreachable branch line: no depth-1 line that can answer above it in its run",
            "10 warning: unreachable branch line: no main phrase that can answer above it in its run",
            "11 warning: key text answered first by line 2",
            "12 warning: key text does not reach this line (the main scan compares later key words with the "
            "line's "
            "beginning)",
            "14 error: key that no input can match: it holds \"п\", which the upper-cased input never holds",
            "15 error: no \"^\" (outside the format)",
            "16 error: answer not closed by \";\" (outside the format)",
            "17 warning: close marker \"@\" is not the line's last character (it has no effect)",
            "18 error: empty line (outside the format)",
            "19 error: key that no input can match: empty key",
            "20 error: \";\" in the key (outside the format)",
            "21 warning: close marker \"@\" on a branch line (branch lines never close the program)",
            "22 warning: key text answered first by line 13",
            "23 error: key that no input can match: the main scan reads its \"^\" as part of a word (a blank "
            "before "
            "the \"^\", or an empty key)",
        }));
    // Lines 19 and 21 lie under main phrases that answer (the walk passes over the
    // empty line 18), so they are reached: nothing more is reported for them.
    LineList example;
    for (const auto& l : kb) example.append(w(l));
    const PhraseCounts counts = checkKnowledgeBase(example).counts;
    EXPECT_EQ(counts.main, 13);
    EXPECT_EQ(counts.branches, 9);
}

// Random small knowledge bases: the index must name exactly the line a full main scan
// finds first, and a key said to be unmatchable must match no input at all.
TEST(KnowledgeCheck, AgreesWithAFullMainScan) {
    std::mt19937 gen(2024);
    const std::string alphabet = w("АБВ а^");
    const auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(gen); };
    const auto word = [&](const std::string& letters) {
        std::string s;
        for (int i = pick(1, 3); i > 0; --i)
            s += letters[static_cast<std::size_t>(pick(0, int(letters.size()) - 1))];
        return s;
    };
    int shadowed = 0, unmatchable = 0;
    for (int round = 0; round < 60; ++round) {
        LineList kb;
        kb.append("header");
        for (int n = 0; n < 80; ++n) {
            std::string line = pick(0, 5) == 0 ? "_" : "";
            for (int k = pick(1, 3); k > 0; --k) line += word(alphabet) + " ";
            line.pop_back();
            line += w("^Ответ.;");
            kb.append(line);
        }
        const CheckReport report = checkKnowledgeBase(kb);
        for (std::size_t n = 1; n < kb.size(); ++n) {
            const std::string_view line = kb[n];
            std::vector<std::string> expected;
            bool flaggedUnmatchable = false;
            for (const Finding& f : report.findings) {
                if (f.line != n) continue;
                if (f.message().starts_with("key that no input")) flaggedUnmatchable = true;
                if (f.message().starts_with("key text")) expected.push_back(f.message());
            }
            if (flaggedUnmatchable && line[0] != '_') {
                ++unmatchable;
                for (int t = 0; t < 300; ++t) {
                    std::string input;
                    for (int i = pick(0, 12); i > 0; --i)
                        input += alphabet[static_cast<std::size_t>(pick(0, 5))];
                    ASSERT_EQ(matchMainLine(line, toUpper(input)), std::string_view::npos) << toUtf8(line);
                }
            }
            if (flaggedUnmatchable || line[0] == '_') continue;
            const std::string key = toUpper(keyOf(line));
            std::vector<std::string> full;
            if (matchMainLine(line, key) == std::string_view::npos) {
                full.push_back(
                    "key text does not reach this line (the main scan compares later key words with the "
                    "line's "
                    "beginning)");
            } else {
                for (std::size_t m = 1; m < n; ++m) {
                    if (matchMainLine(kb[m], key) == std::string_view::npos) continue;
                    full.push_back("key text answered first by line " + std::to_string(m + 1));
                    ++shadowed;
                    break;
                }
            }
            ASSERT_EQ(expected, full) << toUtf8(line);
        }
    }
    EXPECT_GT(shadowed, 500);  // both checks above have really been exercised
    EXPECT_GT(unmatchable, 100);
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
