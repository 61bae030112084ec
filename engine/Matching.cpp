#include "Matching.h"

#include <algorithm>
#include <vector>

#include "Text.h"

namespace cpuchat {

namespace {

constexpr std::string_view kAbuseWordsUtf8[] = {
    " ЛОХ", " ХАМ", "БЕСТОЛКОВ", "БЕСТОЛОЧЬ", "БЛУДЛИВ", "БЛУДНИЦА", "БЛЯ ", "БЛЯ,", "БЛЯ.", "БЛЯ!",
    "БЛЯ?", "БЛЯДИ", "БЛЯДЬ", "БОЛВАН", "ВЫРОДК", "ВЫРОДОК", "ГАД ", "ГАД,", "ГАД.", "ГАД!",
    "ГАДИН", "ДРОЧУН", "ЖЕРТВА АБОРТА", "ЖМУРИК", "ЕБАТЬ", "ЕБЛАН", "ЕБЛО", "ДЕБИЛ", "ДУРА",
    "ДУРЕНЬ", "ДУРИК", "ДУРОЙ", "ДУРОЧ", "ДУРЫ", "КУРТИЗАН", "МАНДА", "МАНДЮ", "МРАЗЬ", "МУДАК",
    "МУДИЛ", "МУДАЗВОН", "МУДОЗВОН", "МУРЛО", "НЕДОНОСК", "НЕДОНОСОК", "НЕДОУМ", "ОТСОСИ", "ПАДЛ",
    "ПОДЛ", "ПИЗД", "ПОДОН", "ПРИДУРОК", "ПРОСТИТНЯ", "ПРОСТИТУТ", "СУКА", "СУКИ", "СУКУ", "СУЧАРА",
    "СУЧКА", "СУЧКИ", "СУЧОК", "ТЕБЯ СОТРУ", "ТРАХАТЬ", "ТРАХНУТ", "УБЛЮД", "УЁБИЩ", "УПЫР", "УРОД",
    "ХЕР ", "ХЕР,", "ХЕР.", "ХЕР!", "ХЕР?", "ХУИ", "ХУЙ", "ЧМО", "ЧУРК", "ШАЛАВА", "ШАЛАВКА",
    "ШЛЮХА", "ШЛЮШ", "Я СОТРУ",
};
constexpr std::string_view kHumanTopicWordsUtf8[] = {
    " ИМЯ", " ЛЕТ", "В ТУАЛЕТ", "ВИДЕ", "ВИЖУ", "ВОЛОС", "ДЕМОНТИРУЮ", "ДРОЧИ", "ДРОЧУ", "ДЫШАТЬ",
    "ДЫШУ", "ЖАРКО", "ЖИВ", "ЖОП", "ЖРАТЬ", "ИГРАЕМ", "ИГРАТЬ", "ИГРАЮ", "ИЗ ПЛОТИ", "ИМЯ ",
    "КАКАТЬ", "КУШАТЬ", "ЛЕТ ", "ЛЕТАТЬ", "ЛЕТЕТЬ", "ЛЮБИЛ", "ЛЮБЛЮ", "МАМА", "МАМОЙ", "МАМОЧК",
    "МАМУ", "МЕНЯ ЗОВУТ", "НЕ ПРОГА", "НЕ ПРОГРАММА", "НЕ РОБОТ", "НОГА", "НОГИ", "ОРГАН", "ПАПА",
    "ПАПОЙ", "ПАПОЧК", "ПАПУ", "ПЕРЕДЕЛАТЬ", "ПЕТЬ", "ПИСАТЬ", "ПИСЬ", "ПИСЯ", "ПИТЬ", "ПОБЕЖАЛ",
    "ПОДОЖДИ", "ПОЙДЁМ", "ПОПА", "ПОПК", "ПОШЛИ", "РОДИЛ", "РОДИТЕЛ", "РОДСТВЕННИК", "РОЖДЁН",
    "РУКА", "РУКИ", "СЛЫШАТЬ", "СЛЫШИ", "СЛЫШУ", "СМОТРЮ", "СОТРУ", "СПАТЬ", "ТЕЛО", "УДАЛЮ",
    "УМРУ", "УСТАЛ", "УСТАЮ", "УХОЖУ", "ХОДИТЬ", "ХОЛОДНО", "ХОЧУ", "ЧЕЛОВЕК", "ЧУВСТВО",
    "ЧУВСТВУЮ", "ШЕРСТ",
};

LineList wordList(const std::string_view* words, std::size_t count) {
    LineList list;
    list.append("");  // line 0 is never used as a word
    for (std::size_t i = 0; i < count; ++i) list.append(fromUtf8(words[i]));
    return list;
}

}  // namespace

bool runTo(std::string_view pattern, std::size_t w, std::string_view upperInput, RunCounters& at) noexcept {
    const std::size_t m = upperInput.size();
    auto& [i, j, k] = at;
    for (;;) {
        ++i;
        ++j;
        if (j > w) j = 1;
        // Position m + 1 is the end of the input and matches nothing.
        if (i <= m && upperInput[i - 1] == pattern[j - 1]) {
            ++k;
        } else {
            k = 0;
            j = 0;
        }
        if (k == w) return true;
        if (i >= m + 1) return false;
    }
}

bool runScan(std::string_view upperInput, std::string_view pattern) noexcept {
    if (pattern.empty()) return false;
    RunCounters at;
    return runTo(pattern, pattern.size(), upperInput, at);
}

bool runScanFindsInEvery(std::string_view pattern, std::string_view firstRun, std::string_view piece) {
    const std::size_t n = pattern.size();
    if (n == 0) return false;
    if (n <= firstRun.size() && firstRun.starts_with(pattern)) return true;
    if (piece.find(pattern) == std::string_view::npos) return false;
    // The run scan's state is how many characters of `pattern` it has matched: the
    // next character is compared with pattern[k], and one that differs starts it over
    // at 0 without being compared again. Run every state the input before `piece` can
    // leave through `piece` at once; states that meet go on as one.
    std::vector<std::size_t> states(n), next;
    for (std::size_t k = 0; k < n; ++k) states[k] = k;
    std::vector<bool> seen(n, false);
    for (const char c : piece) {
        next.clear();
        for (const std::size_t k : states) {
            const std::size_t to = c == pattern[k] ? k + 1 : 0;
            if (to == n || seen[to]) continue;  // found, or already on the way
            seen[to] = true;
            next.push_back(to);
        }
        for (const std::size_t k : next) seen[k] = false;
        states.swap(next);
        if (states.empty()) return true;
    }
    return false;
}

std::size_t matchMainLine(std::string_view line, std::string_view upperInput) noexcept {
    // Positions are 1-based as in the matcher's description; at(x) is L[x].
    const std::size_t m = upperInput.size();
    const auto at = [&](std::size_t pos) -> int {
        return pos >= 1 && pos <= line.size() ? static_cast<unsigned char>(line[pos - 1]) : -1;
    };
    std::size_t i = 0, j = 0, k = 0, c = 0, w = 0;
    for (;;) {
        const std::size_t end = measureWord(line, c);
        if (end == std::string_view::npos) return end;
        w = end - c;
        c = end;
        // Compare characters until the word is found or the input ends.
        for (;;) {
            ++i;
            ++j;
            if (j > w) j = 1;
            if (i <= m && upperInput[i - 1] == line[j - 1]) {
                ++k;
            } else {
                k = 0;
                j = 0;
            }
            if (k == w) ++c;
            if (at(c) == '^') return c - 1;
            if (k == w) break;
            if (i >= m + 1) return std::string_view::npos;
        }
    }
}

InputIndex::InputIndex(std::string_view upperInput) {
    for (std::size_t i = 0; i < upperInput.size(); ++i) {
        const auto a = static_cast<unsigned char>(upperInput[i]);
        chars_.set(a);
        if (i + 1 < upperInput.size()) {
            const auto b = static_cast<unsigned char>(upperInput[i + 1]);
            pairs_.set(a * 256u + b);
            if (i + 2 < upperInput.size()) triples_.set(tripleSlot(a, b, static_cast<unsigned char>(upperInput[i + 2])));
        }
    }
}

std::size_t depthOf(std::string_view line) noexcept {
    return std::min(line.find_first_not_of('_'), line.size());
}

WalkStep branchWalkStep(std::string_view line, std::size_t depth) noexcept {
    if (line.empty()) return {};
    const std::size_t underscores = depthOf(line);
    if (underscores == 0) return {.runEnds = true};
    if (underscores != depth) return {};
    const std::size_t caret = line.find('^', underscores);
    if (caret == std::string_view::npos || caret + 1 == line.size()) return {};
    return {.caret = caret};
}

bool anyWordFound(const LineList& words, std::string_view upperInput) noexcept {
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (runScan(upperInput, words[i])) return true;
    }
    return false;
}


int countAnswers(std::string_view line) noexcept {
    return static_cast<int>(std::count(line.begin(), line.end(), ';'));
}

std::string_view answerAt(std::string_view line, std::size_t caret, int pick) noexcept {
    std::size_t start = caret + 1;
    if (pick >= 2) {
        std::size_t pos = std::string_view::npos;
        for (int seen = 0; seen < pick - 1; ++seen) {
            pos = line.find(';', pos == std::string_view::npos ? 0 : pos + 1);
            if (pos == std::string_view::npos) return {};
        }
        start = pos + 1;
    }
    if (start > line.size()) return {};
    const std::size_t end = line.find(';', start);
    return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string_view keyOf(std::string_view line) noexcept { return line.substr(0, line.find('^')); }

std::size_t firstKeyed(const LineList& lines, std::string_view key) noexcept {
    if (key.find('^') != std::string_view::npos) return std::string_view::npos;  // a key ends at its first "^"
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(key[i]));
    };
    const std::uint32_t mask = key.size() >= 2 ? LineList::kHeadValid | 0xFFFFu : 0;
    const std::uint32_t want = key.size() >= 2 ? LineList::kHeadValid | byte(0) | (byte(1) << 8) : 0;
    for (std::size_t n = 1; n < lines.size(); ++n) {
        if ((lines.head(n) & mask) != want) continue;
        const std::string_view line = lines[n];
        if (line.starts_with(key) && (line.size() == key.size() || line[key.size()] == '^')) return n;
    }
    return std::string_view::npos;
}


const LineList& abuseWords() {
    static const LineList words = wordList(kAbuseWordsUtf8, std::size(kAbuseWordsUtf8));
    return words;
}

const LineList& humanTopicWords() {
    static const LineList words = wordList(kHumanTopicWordsUtf8, std::size(kHumanTopicWordsUtf8));
    return words;
}

}  // namespace cpuchat
