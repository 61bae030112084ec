#include <gtest/gtest.h>

#include <random>

#include "HeadIndex.h"
#include "KnowledgeCheck.h"
#include "Matching.h"
#include "ReachIndex.h"
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

TEST(MainScanIndex, FindsTheLineAScanOfEveryLineFindsAndLearningFindsEveryKey) {
    std::mt19937 gen(2718);
    // Few letters, so that lines share their beginnings and inputs find many of them,
    // with the markers, branch lines and empty lines a knowledge base may hold.
    const std::string alphabet = w("АБВ ^_;@");
    const auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(gen); };
    const auto randomText = [&](int maxLen) {
        std::string s;
        for (int n = pick(0, maxLen); n > 0; --n)
            s += alphabet[static_cast<std::size_t>(pick(0, int(alphabet.size()) - 1))];
        return s;
    };
    int found = 0, late = 0, keysFound = 0;
    for (int round = 0; round < 400; ++round) {
        LineList kb;
        for (int n = pick(1, 300); n > 0; --n) kb.append(randomText(10));
        const HeadIndex index(kb);
        for (int q = 0; q < 50; ++q) {
            const std::string input = toUpper(randomText(12));
            std::size_t plain = HeadIndex::npos;  // the matcher on every line, in order
            for (std::size_t n = 1; n < kb.size() && plain == HeadIndex::npos; ++n) {
                if (matchMainLine(kb[n], input) != std::string_view::npos) plain = n;
            }
            ASSERT_EQ(mainScanLinear(kb, input), plain) << input;
            ASSERT_EQ(index.firstMatch(kb, input), plain) << input << " in a list of " << kb.size();
            // Learning's look-up of a key, against keyOf() on every line.
            const std::size_t some = static_cast<std::size_t>(pick(0, int(kb.size()) - 1));
            const std::string key = q % 2 == 0 ? std::string(keyOf(kb[some])) : input;
            std::size_t keyed = HeadIndex::npos;
            for (std::size_t n = 1; n < kb.size() && keyed == HeadIndex::npos; ++n) {
                if (keyOf(kb[n]) == key) keyed = n;
            }
            ASSERT_EQ(firstKeyed(kb, key), keyed) << key;
            keysFound += keyed != HeadIndex::npos;
            found += plain != HeadIndex::npos;
            late += plain != HeadIndex::npos && plain > kb.size() / 2;
        }
    }
    // Inputs found nothing, lines early and lines late: every path was taken.
    EXPECT_GT(found, 2000);
    EXPECT_GT(late, 200);
    EXPECT_LT(found, 400 * 50);
    EXPECT_GT(keysFound, 5000);
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
        "_ВЕТКА^Ветка.;@",                 // 21: its main phrase never answers
        "ДОБРЫЙ ДОБРЫ^Да.;",               // 22: read exactly as line 12
        "Я ^Ответ.;",                      // 23: the matcher reads "^Ответ.;" as a word
    };
    EXPECT_EQ(
        findingsOf(kb),
        (std::vector<std::string>{
            "8 warning: unreachable branch line: no depth-1 line that can answer above it in its run",
            "10 warning: unreachable branch line: no main phrase that can answer above it in its run",
            "11 warning: never answered: every input it matches also matches line 2, which the main scan "
            "tries "
            "first",
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
            "21 warning: unreachable branch line: no main phrase that can answer above it in its run",
            "22 warning: never answered: every input it matches also matches line 13, which the main scan "
            "tries "
            "first",
            "23 error: key that no input can match: the main scan reads its \"^\" as part of a word (a blank "
            "before "
            "the \"^\", or an empty key)",
        }));
    // Line 19 lies under a main phrase that answers (the walk passes over the empty
    // line 18); line 21 lies under one whose key holds ";", which no phrase holds.
    LineList example;
    for (const auto& l : kb) example.append(w(l));
    const PhraseCounts counts = checkKnowledgeBase(example).counts;
    EXPECT_EQ(counts.main, 13);
    EXPECT_EQ(counts.branches, 9);
}

TEST(KnowledgeCheck, FindsWhatKeepsALineFromEverAnswering) {
    std::string longKey;
    for (int i = 0; i < 150; ++i) longKey += "ДА";
    struct Row {
        std::vector<std::string> kb;  // line 0 is the header
        std::vector<std::string> findings;
    } rows[] = {
        // Every input that holds ПРИВЕТ ДРУГ is taken by ПРИВЕТ first.
        {{"h", "ПРИВЕТ^А2;", "ПРИВЕТ ДРУГ^А3;"},
         {"2 warning: never answered: every input it matches also matches line 2, which the main scan tries "
          "first"}},
        // Later key words are compared with the line's beginning: КАК ДЕЛА ДРУГ needs
        // what КАК ДЕЛА needs and more.
        {{"h", "КАК ДЕЛА^Да.;", "КАК ДЕЛА ДРУГ^Нет.;"},
         {"2 warning: never answered: every input it matches also matches line 2, which the main scan tries "
          "first"}},
        // A first word "^" alone takes every phrase.
        {{"h", "^ ВСЁ^Да.;", "ПРИВЕТ^Нет.;"},
         {"2 warning: never answered: every input it matches also matches line 2, which the main scan tries "
          "first"}},
        // Only the key text goes to the earlier line; "мой друг" alone reaches line 2.
        {{"h", "ДРУГ^Да.;", "МОЙ ДРУГ^Нет.;"}, {"2 warning: key text answered first by line 2"}},
        // The abuse screen comes before the search.
        {{"h", "ДУРА^r1;", "ДУРА^r1;"},
         {"1 error: rebuked as abuse: every input it matches holds \"ДУРА\", so a line of X.Dat answers "
          "instead",
          "2 error: rebuked as abuse: every input it matches holds \"ДУРА\", so a line of X.Dat answers "
          "instead"}},
        {{"h", "ДУРАК^r1;"},
         {"1 error: rebuked as abuse: every input it matches holds \"ДУРА\", so a line of X.Dat answers "
          "instead"}},
        {{"h", "ПРИВЕТ^Да.;", "_ТЫ ДУРА^Сам.;"},
         {"2 error: rebuked as abuse: every input it matches holds \"ДУРА\", so a line of X.Dat answers "
          "instead"}},
        // The main scan needs only "ТЫ ДУ" of ТЫ ДУРАК, but its key text is rebuked.
        {{"h", "ТЫ ДУРАК^r1;"}, {"1 warning: key text rebuked as abuse: it holds \"ДУРА\""}},
        // "ДДУРА" holds ДУРА, but the run scan does not find it there.
        {{"h", "ДДУРА^r1;"}, {}},
        // Branch lines under a main phrase that never answers, and one that the walk
        // always answers from the line before it.
        {{"h", "ДА^r1;", "ДА^r2;", "_НЕТ^r3;"},
         {"2 warning: never answered: every input it matches also matches line 2, which the main scan tries "
          "first",
          "3 warning: unreachable branch line: no main phrase that can answer above it in its run"}},
        // "ДДА" holds ДА, but the run scan does not find it there: line 3 answers "ддА".
        {{"h", "ПРИВЕТ^r1;", "_ДА^r2;", "_ДДА^r3;"}, {}},
        // Line 4 is still reached from line 2: the walk passes over line 3.
        {{"h", "ПРИВЕТ^r1;", "_ДА^r2;", "_ДА^r3;", "__ЕЩЁ^r4;"},
         {"3 warning: unreachable branch line: every input it matches also matches line 3, which the branch "
          "walk "
          "tries first"}},
        {{"h", "ПРИВЕТ^r1;", "_ДА^r2;", "_НУ ДА^r3;", "_Д^r4;"},
         {"3 warning: unreachable branch line: every input it matches also matches line 3, which the branch "
          "walk "
          "tries first"}},
        // Line 5 is reached only from line 2 (line 4 never answers), whose walk tries line 3 first.
        {{"h", "ПРИВЕТ^r1;", "_ДА^r2;", "__ЕЩЁ^r3;", "_ДА^r4;", "__ЕЩЁ^r5;"},
         {"4 warning: unreachable branch line: every input it matches also matches line 3, which the branch "
          "walk "
          "tries first",
          "5 warning: unreachable branch line: every input it matches also matches line 4, which the branch "
          "walk "
          "tries first"}},
        // Keys longer than the input line, and markers that the input guard keeps out.
        {{"h", longKey + "^r1;", "ПРИВЕТ^r2;", "_" + longKey + "^r3;"},
         {"1 error: key that no input can match: it needs 300 characters, and the input line holds 255",
          "3 error: key that no input can match: it needs 300 characters, and the input line holds 255"}},
        {{"h", "ЭЮЭЩ@^r1;", "ПРИВЕТ^r2;", "_Э_Ю^r3;", "_ЭЮЭЩ.^"},
         {"1 error: key that no input can match: it holds \"@\", which the input guard keeps out of every "
          "phrase",
          "3 error: key that no input can match: it holds \"_\", which the input guard keeps out of every "
          "phrase"}},
        {{"h", "ПРИВЕТ^r1;", "_ДА^r2;@"},
         {"2 warning: close marker \"@\" on a branch line (branch lines never close the program)"}},
    };
    for (const Row& row : rows) EXPECT_EQ(findingsOf(row.kb), row.findings) << row.kb[1];
}

// Random small knowledge bases: the index must name exactly the line a full main scan
// finds first, a key said to be unmatchable must match no input at all, and a line said
// never to answer must leave every input it matches to the line it names.
TEST(KnowledgeCheck, AgreesWithAFullMainScan) {
    std::mt19937 gen(2024);
    const std::string typed = w("АБВГД а");  // what the input line lets through
    const auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(gen); };
    const auto letters = [&](const std::string& from, int most) {
        std::string s;
        for (int i = pick(0, most); i > 0; --i)
            s += from[static_cast<std::size_t>(pick(0, int(from.size()) - 1))];
        return s;
    };
    int shadowed = 0, unmatchable = 0, neverAnswered = 0, inputsTaken = 0;
    for (int round = 0; round < 120; ++round) {
        LineList kb;
        kb.append("header");
        for (int n = 0; n < 40; ++n) {
            std::string line = pick(0, 5) == 0 ? "_" : "";
            // Words of 1 to 3 letters, or of growing lengths: such a key reaches its
            // own line, and its key text holds more than every input needs.
            const bool growing = pick(0, 1) == 0;
            for (std::size_t k = pick(1, 3) + growing, size = 0; k > 0; --k) {
                size = growing ? size + static_cast<std::size_t>(pick(1, 3))
                               : static_cast<std::size_t>(pick(1, 3));
                std::string word;
                while (word.size() < size) word += typed[static_cast<std::size_t>(pick(0, 5))];  // "А" to " "
                line += word + " ";
            }
            line.pop_back();
            // Now and then a small letter, which no upper-cased input holds, or a "^"
            // inside the key: the key ends there, but the main scan may read the "^" as
            // part of a word.
            if (pick(0, 9) == 0) line[static_cast<std::size_t>(pick(0, int(line.size()) - 1))] = typed.back();
            if (pick(0, 9) == 0) line[static_cast<std::size_t>(pick(0, int(line.size()) - 1))] = '^';
            line += w("^Ответ.;");
            kb.append(line);
        }
        const CheckReport report = checkKnowledgeBase(kb);
        std::vector<const Finding*> of(kb.size(), nullptr);
        for (const Finding& f : report.findings) of[f.line] = &f;
        for (std::size_t n = 1; n < kb.size(); ++n) {
            const std::string_view line = kb[n];
            if (line[0] == '_') continue;
            const Finding* f = of[n];
            const std::string key = toUpper(keyOf(line));
            if (f && f->message().starts_with("key that no input")) {
                ++unmatchable;
                for (int t = 0; t < 300; ++t) {
                    ASSERT_EQ(matchMainLine(line, toUpper(letters(typed, 12))), std::string_view::npos)
                        << toUtf8(line);
                }
                continue;
            }
            if (f && (f->kind == Finding::Kind::NeverAnswered || f->kind == Finding::Kind::RebukedAsAbuse)) {
                neverAnswered += f->kind == Finding::Kind::NeverAnswered;
                const std::string witness = readMainKeyShape(line).witness;
                for (int t = 0; t < 100; ++t) {
                    const std::string input =
                        toUpper(letters(typed, 3) + (t % 2 ? witness : key) + letters(typed, 3));
                    if (matchMainLine(line, input) == std::string_view::npos) continue;
                    ++inputsTaken;
                    if (f->kind == Finding::Kind::RebukedAsAbuse) {
                        ASSERT_TRUE(anyWordFound(abuseWords(), input))
                            << toUtf8(line) << " / " << toUtf8(input);
                    } else {
                        ASSERT_LT(f->detail, n);
                        ASSERT_NE(matchMainLine(kb[f->detail], input), std::string_view::npos)
                            << toUtf8(line) << " / " << toUtf8(input);
                    }
                }
                continue;
            }
            std::vector<std::string> expected;
            if (f && f->message().starts_with("key text")) expected.push_back(f->message());
            std::vector<std::string> full;
            std::size_t word = 1;  // the first abuse word the abuse screen finds in the key text
            while (word < abuseWords().size() && !runScan(key, abuseWords()[word])) ++word;
            if (word < abuseWords().size()) {
                full.push_back(Finding{n, Finding::Kind::KeyTextRebuked, word}.message());
            } else if (matchMainLine(line, key) == std::string_view::npos) {
                full.push_back(Finding{n, Finding::Kind::DoesNotReach}.message());
            } else {
                for (std::size_t m = 1; m < n; ++m) {
                    if (matchMainLine(kb[m], key) == std::string_view::npos) continue;
                    full.push_back(Finding{n, Finding::Kind::AnsweredFirst, m}.message());
                    ++shadowed;
                    break;
                }
            }
            ASSERT_EQ(expected, full) << toUtf8(line);
        }
    }
    // Every check above has really been exercised.
    EXPECT_GT(shadowed, 100);
    EXPECT_GT(unmatchable, 300);
    EXPECT_GT(neverAnswered, 800);
    EXPECT_GT(inputsTaken, 50000);
}

// The abuse screen and the search as a plain scan of every line, with the open branch
// kept between phrases: which line answers a phrase, or npos (rebuked, or unknown).
struct LinearSearch {
    const LineList& kb;
    std::size_t depth = 0, anchor = 0;

    std::size_t answer(std::string_view upperInput) {
        if (anyWordFound(abuseWords(), upperInput)) return std::string_view::npos;  // the branch stays open
        while (depth >= 1) {
            if (++anchor >= kb.size()) break;
            const WalkStep step = branchWalkStep(kb[anchor], depth);
            if (step.runEnds) break;
            if (step.caret == std::string_view::npos) continue;
            if (!runScan(upperInput, kb[anchor].substr(depth, step.caret - depth))) continue;
            ++depth;
            return anchor;
        }
        depth = 0;
        for (std::size_t n = 1; n < kb.size(); ++n) {
            if (matchMainLine(kb[n], upperInput) == std::string_view::npos) continue;
            depth = 1;
            anchor = n;
            return n;
        }
        return std::string_view::npos;
    }
};

// Random knowledge bases with branches and abusive keys, and random talks in which the
// next phrase is mostly made from a key near the line answered last: no line that the
// check says never answers may answer.
TEST(KnowledgeCheck, NoLineItCallsDeadEverAnswers) {
    std::mt19937 gen(77);
    const auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(gen); };
    const std::string letters = w("ДУРАК");
    const std::string pieces[] = {w("ДУРА"), w("ДУР"), w("УРА")};  // "ДУРА" is an abuse word
    const auto word = [&](int most) {
        std::string s;
        if (pick(0, 3) == 0) s = pieces[static_cast<std::size_t>(pick(0, 2))];
        for (int i = pick(1, most); i > 0; --i)
            s += letters[static_cast<std::size_t>(pick(0, int(letters.size()) - 1))];
        return s;
    };
    const auto keyOfLine = [](std::string_view line) {
        const std::size_t depth = depthOf(line);
        return std::string(line.substr(depth, keyOf(line).size() - depth));
    };
    int answeredBranches = 0, deadBranches = 0, rebuked = 0, neverAnswered = 0;
    for (int round = 0; round < 300; ++round) {
        LineList kb;
        kb.append("header");
        for (int n = 0; n < 30; ++n) {
            const int depth = std::max(0, pick(-2, 2));
            std::string line(static_cast<std::size_t>(depth), '_');
            for (int k = pick(1, 2); k > 0; --k) line += word(4) + " ";
            line.back() = '^';
            if (pick(0, 7) != 0) line += w("Ответ.;");
            kb.append(line);
        }
        const CheckReport report = checkKnowledgeBase(kb);
        std::vector<bool> answered(kb.size(), false);
        for (int talk = 0; talk < 20; ++talk) {
            LinearSearch search{kb};
            for (int said = 0; said < 30; ++said) {
                // A key of a line shortly below the one answered last, or of any line,
                // or two keys, with a letter or two around.
                const std::size_t near =
                    std::min(kb.size() - 1, search.anchor + static_cast<std::size_t>(pick(1, 4)));
                const std::size_t from =
                    pick(0, 2) != 0 ? near : static_cast<std::size_t>(pick(1, int(kb.size()) - 1));
                std::string phrase = word(2);
                phrase += keyOfLine(kb[from]);
                if (pick(0, 3) == 0) {
                    phrase += ' ';
                    phrase += keyOfLine(kb[static_cast<std::size_t>(pick(1, int(kb.size()) - 1))]);
                }
                if (pick(0, 1) == 0) phrase += word(2);
                const std::size_t line = search.answer(toUpper(phrase));
                if (line != std::string_view::npos) answered[line] = true;
            }
        }
        for (std::size_t n = 1; n < kb.size(); ++n) answeredBranches += answered[n] && kb[n][0] == '_';
        for (const Finding& f : report.findings) {
            using K = Finding::Kind;
            const bool dead = f.isError() || f.kind == K::NeverAnswered || f.kind == K::UnreachableBranch ||
                              f.kind == K::TakenInWalk;
            if (!dead) continue;
            deadBranches += f.kind == K::UnreachableBranch || f.kind == K::TakenInWalk;
            rebuked += f.kind == K::RebukedAsAbuse;
            neverAnswered += f.kind == K::NeverAnswered;
            ASSERT_FALSE(answered[f.line]) << "line " << f.line << ": " << toUtf8(f.message()) << "\n"
                                           << toUtf8(kb[f.line]);
        }
    }
    // Every kind of line that never answers has come up, and the talks reached branches.
    EXPECT_GT(answeredBranches, 300);
    EXPECT_GT(deadBranches, 1000);
    EXPECT_GT(rebuked, 300);
    EXPECT_GT(neverAnswered, 1000);
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
