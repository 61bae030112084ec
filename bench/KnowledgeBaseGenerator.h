#pragma once
// Knowledge bases and reply pools generated for the benchmarks: Russian-like keys of
// one or two words with answers and branch lines, and whole phrases as keys.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "LineList.h"
#include "Matching.h"
#include "Text.h"

namespace cpuchat::benchdata {

// Texts of the benchmark, converted once from UTF-8.
struct Texts {
    std::string foundInput = fromUtf8("поисковыйключ");
    std::string branchInput = fromUtf8("веткаключ");
    std::string foundLine = fromUtf8("ПОИСКОВЫЙКЛЮЧ^Найдено.;Нашлось.;");
    std::string branchLine = fromUtf8("_ВЕТКАКЛЮЧ^Ветка.;");
    std::string knownLine = fromUtf8("НАЙДЕНО.^");  // the found reply as a key
    std::string foundReply = fromUtf8("Найдено.");
    std::string branchReply = fromUtf8("Ветка.");
    std::string header = fromUtf8("База знаний для замера. Формат: КЛЮЧ^Ответ1;Ответ2; Ветка: _КЛЮЧ^Ответ;");
};
inline const Texts& texts() {
    static const Texts t;
    return t;
}

// A new unknown phrase: no generated key holds the hard sign or a digit.
inline std::string unknownPhrase(int n) { return fromUtf8("ъъъ ") + std::to_string(n); }

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {
        static constexpr std::string_view kConsonants[] = {"б", "в", "г", "д", "ж", "з", "к", "л", "м", "н",
                                                           "п", "р", "с", "т", "ф", "х", "ц", "ч", "ш"};
        static constexpr std::string_view kVowels[] = {"а", "е", "и", "о", "у", "ы", "я", "ю", "э"};
        for (std::string_view c : kConsonants) {
            for (std::string_view v : kVowels) {
                std::string utf8(c);
                utf8 += v;
                lower_.push_back(fromUtf8(utf8));
                upper_.push_back(toUpper(lower_.back()));
            }
        }
        const Texts& t = texts();
        guards_ = {toUpper(t.foundInput), toUpper(t.branchInput), toUpper(unknownPhrase(1))};
    }

    int pick(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }

    // A main phrase line: a key of one or two words, then 1 to 3 answers. Keys that
    // the main scan would find in one of the benchmark's inputs are drawn again, so
    // the found key is found only at its own line and the unknown phrase nowhere.
    std::string mainLine() {
        for (;;) {
            std::string line;
            key(line);
            line += '^';
            answers(line);
            if (std::none_of(guards_.begin(), guards_.end(), [&](const std::string& input) {
                    return matchMainLine(line, input) != std::string_view::npos;
                })) {
                return line;
            }
        }
    }

    std::string branchLine(int depth) {
        std::string line(static_cast<std::size_t>(depth), '_');
        key(line);
        line += '^';
        answers(line);
        return line;
    }

    // A line as people write and learning keeps them: a whole phrase of three to six
    // words with its final ".", "!" or "?" as the key, answered or not.
    std::string phraseLine(int depth, bool answered) {
        static constexpr char kEnds[] = {'.', '!', '?'};
        std::string line(static_cast<std::size_t>(depth), '_');
        const int words = pick(3, 6);
        for (int w = 0; w < words; ++w) {
            if (w > 0) line += ' ';
            word(line, true, 1, 3);
        }
        line += kEnds[pick(0, 2)];
        line += '^';
        if (answered) answers(line);
        return line;
    }

    // A main phrase line whose key starts with `first` and goes on with one to three
    // words that keep the key reaching its own line: beginnings of `first`, which the
    // main scan looks for anew, and words longer than the one before, whose letters it
    // never compares (it compares the line's own beginning, one character further for
    // each letter). So every key needs the same first characters of an input, and the
    // keys differ in the lengths of their later words and in how much of their
    // beginning an input needs.
    std::string sharedFirstWordLine(const std::string& first) {
        for (;;) {
            std::string line = first;
            std::size_t previous = first.size();
            for (int w = pick(1, 3); w > 0; --w) {
                line += ' ';
                if (pick(0, 1) == 0) {
                    previous = static_cast<std::size_t>(pick(1, int(first.size()) - 1));
                    line.append(first, 0, previous);
                } else {
                    previous += static_cast<std::size_t>(pick(1, 60));
                    line += capitalWord(static_cast<int>(previous));
                }
            }
            const std::string key = line;
            line += '^';
            answers(line);
            if (matchMainLine(line, key) != std::string_view::npos) return line;
        }
    }

    // A main phrase line whose key is one word of `letters` letters.
    std::string longWordLine(int letters) {
        std::string line = capitalWord(letters);
        line += '^';
        answers(line);
        return line;
    }

    // A word of `letters` capital letters.
    std::string capitalWord(int letters) {
        std::string w;
        while (static_cast<int>(w.size()) < letters) word(w, true, 1, 1);
        w.resize(static_cast<std::size_t>(letters));
        return w;
    }

    // A sentence without ";": a line of a reply pool.
    std::string sentenceLine() {
        std::string line;
        sentence(line);
        return line;
    }

private:
    void word(std::string& out, bool upper, int minSyllables, int maxSyllables) {
        const auto& table = upper ? upper_ : lower_;
        const int n = pick(minSyllables, maxSyllables);
        for (int i = 0; i < n; ++i) out += table[static_cast<std::size_t>(pick(0, int(table.size()) - 1))];
    }
    void key(std::string& out) {
        const int words = pick(1, 2);
        for (int w = 0; w < words; ++w) {
            if (w > 0) out += ' ';
            word(out, true, 2, 4);
        }
    }
    void sentence(std::string& out) {
        static constexpr char kEnds[] = {'.', '.', '!', '?'};
        const std::size_t start = out.size();
        const int words = pick(2, 6);
        for (int w = 0; w < words; ++w) {
            if (w > 0) out += ' ';
            word(out, false, 1, 3);
        }
        out[start] = upperChar(out[start]);
        out += kEnds[pick(0, 3)];
    }
    void answers(std::string& out) {
        const int n = pick(1, 3);
        for (int i = 0; i < n; ++i) {
            sentence(out);
            out += ';';
        }
    }

    std::mt19937 rng_;
    std::vector<std::string> lower_, upper_;
    std::vector<std::string> guards_;
};

// About one main line in ten is followed by one or two branch lines. "НАЙДЕНО.^" lies
// at half the file (learning moves it), the found key and its branch at 95%.
inline LineList makeKnowledgeBase(std::size_t lines, Generator& g) {
    const Texts& t = texts();
    LineList kb;
    kb.reserve(lines, lines * 72);
    kb.append(t.header);
    const std::size_t knownAt = lines / 2;
    const std::size_t foundAt = lines * 95 / 100;
    bool known = false, found = false;
    while (kb.size() < lines) {
        if (!known && kb.size() >= knownAt) {
            kb.append(t.knownLine);
            known = true;
            continue;
        }
        if (!found && kb.size() >= foundAt && kb.size() + 2 <= lines) {
            kb.append(t.foundLine);
            kb.append(t.branchLine);
            found = true;
            continue;
        }
        kb.append(g.mainLine());
        if (g.pick(1, 10) == 1) {
            const int branches = g.pick(1, 2);
            for (int b = 1; b <= branches && kb.size() < lines; ++b) kb.append(g.branchLine(b));
        }
    }
    if (!known || !found) throw std::runtime_error("knowledge base too small for its marker lines");
    return kb;
}

inline LineList makePool(std::size_t lines, Generator& g) {
    LineList pool;
    pool.reserve(lines, lines * 40);
    while (pool.size() < lines) pool.append(g.sentenceLine());
    return pool;
}

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace cpuchat::benchdata
