#pragma once
// The character matchers of the engine: the run scan used by the screens and the
// branch scan, the word-by-word matcher of the main scan, the answer choice, and
// the two built-in word lists. Inputs are upper-cased once by the caller.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "LineList.h"

namespace cpuchat {

/// The characters that separate and mark the fields of a knowledge-base line ("^",
/// "_", ";" and "@"). No phrase may hold one: the window's input guard clears the input
/// line that does, and the console refuses to send it.
constexpr bool isFormatMarker(char c) noexcept { return c == '^' || c == '_' || c == ';' || c == '@'; }

/// The most characters the input line holds, and so the longest phrase a user can send.
inline constexpr std::size_t kInputLineLength = 255;

/// The counters of the run scan and of the main scan's matcher: the input position i,
/// the pattern position j and the run length k.
struct RunCounters {
    std::size_t i = 0, j = 0, k = 0;
};

/// Compares input characters from where `at` stands until the run of matches reaches
/// `w` characters of `pattern`'s beginning (true, with `at` where it did) or the input
/// ends (false). The run scan is this from zero counters; the main scan's matcher does
/// this for each key word, going on with the counters of the word before.
bool runTo(std::string_view pattern, std::size_t w, std::string_view upperInput, RunCounters& at) noexcept;

/// Run scan: a left-to-right search for `pattern` in `upperInput` that never compares
/// again the character at which a partial match failed ("ДА" is found in "НУ ДА" but
/// not in "ДДА"). An empty pattern is never found.
bool runScan(std::string_view upperInput, std::string_view pattern) noexcept;

/// True when the run scan finds `pattern` in every input in which it has found
/// `firstRun` and which holds `piece` in a row (`firstRun` begins `piece`): because
/// `pattern` begins `firstRun`, so that its run goes as that one's until it is found
/// first, or because the run scan finds it within `piece` whatever the characters
/// before `piece` had matched of it. It may say no where every such input holds
/// `pattern` after all; it never says yes wrongly.
bool runScanFindsInEvery(std::string_view pattern, std::string_view firstRun, std::string_view piece);

/// How the main-scan matcher measures the words of a key: from `c`, the 1-based
/// position of the character before the word (0 for the first word, else the blank
/// that ended the word before), the position of the word's last character; npos when
/// the line can never match (no "^" after the word, or an unanswered line). The
/// word's first character always belongs to it, whatever it is.
inline std::size_t measureWord(std::string_view line, std::size_t c) noexcept {
    // line[c] is the character after position c.
    for (++c; c < line.size(); ++c) {
        if (line[c] == ' ') return c;
        if (line[c] == '^') return c + 1 == line.size() ? std::string_view::npos : c;  // unanswered
    }
    return std::string_view::npos;  // no "^": never matches
}

/// Main-scan match of knowledge-base line `line` against `upperInput`: the 0-based
/// position of the "^" that ends its key, or npos. Every word of the key is compared
/// with the run-scan counters carried over from the word before and against the
/// line's own beginning (so "КАК Д" finds "КАК ДЕЛА?^", and "ДОБРЫЙ ДЕНЬ." does not
/// find "ДОБРЫЙ ДЕНЬ.^"). Unanswered lines and lines without "^" never match.
std::size_t matchMainLine(std::string_view line, std::string_view upperInput) noexcept;

/// Which characters and character pairs occur in an input: a cheap test that rules
/// out most knowledge-base lines before the main-scan matcher runs on them.
class InputIndex {
public:
    explicit InputIndex(std::string_view upperInput);
    /// False only when a line with this head (LineList::head()) cannot match in the
    /// main scan; inline, since the main scan runs it on every line of the knowledge base.
    bool mayMatchHead(std::uint32_t head) const noexcept {
        // A line matches only after its first word has been found whole in the input,
        // so the word's first characters occur there in a row.
        if ((head & LineList::kHeadValid) == 0) return false;  // shorter than two bytes
        const std::uint32_t first = head & 0xFF;
        const std::uint32_t second = (head >> 8) & 0xFF;
        if (second == ' ' || second == '^') {
            if (second == '^' && (head & LineList::kHeadTwoBytes) != 0) return false;  // unanswered
            // A first word that is "^" alone ends the key at the first comparison,
            // whatever the input holds.
            return first == '^' || chars_[first];
        }
        if (!pairs_[first * 256u + second]) return false;
        // When the first word has a third character, its first three occur in a row.
        const std::uint32_t third = (head >> 16) & 0xFF;
        if ((head & LineList::kHeadThreeBytes) == 0 || third == ' ' || third == '^') return true;
        return triples_[tripleSlot(first, second, third)];
    }

private:
    static std::uint32_t tripleSlot(std::uint32_t a, std::uint32_t b, std::uint32_t c) noexcept {
        return ((a * 0x9E37u) ^ (b * 0x85EBu) ^ (c * 0xC2B3u)) & 0xFFFFu;
    }
    std::bitset<256> chars_;
    std::bitset<65536> pairs_;
    std::bitset<65536> triples_;  // hashed: may say yes wrongly, never no wrongly
};

/// What the branch walk makes of a line while it looks for lines of depth `depth`:
/// a line without leading "_" (and not empty) ends the walk's run; an empty line,
/// a line of another depth (deeper and shallower alike), an unanswered line and one
/// without "^" are passed over; any other line is a candidate, whose key runs from
/// after its "_" to `caret`.
struct WalkStep {
    bool runEnds = false;
    std::size_t caret = std::string_view::npos;  // npos unless a candidate
};
WalkStep branchWalkStep(std::string_view line, std::size_t depth) noexcept;

/// Number of leading "_": the depth of a branch line, 0 for a main phrase line.
std::size_t depthOf(std::string_view line) noexcept;

/// True when the run scan finds any word of `words` from line 1 on (line 0 is never a
/// word) in `upperInput`.
bool anyWordFound(const LineList& words, std::string_view upperInput) noexcept;

/// Number of ";" in a line: its number of answers.
int countAnswers(std::string_view line) noexcept;

/// Answer `pick` (1-based) of a line whose key ends at `caret`: answer 1 starts after
/// the "^", answer p after the (p-1)-th ";" of the line; it runs to the next ";" or,
/// for an answer not closed by ";", to the end of the line.
std::string_view answerAt(std::string_view line, std::size_t caret, int pick) noexcept;

/// Characters before the first "^" (the whole line when it has none).
std::string_view keyOf(std::string_view line) noexcept;

/// The first line from 1 on whose keyOf() is `key`, or npos. The heads the list keeps
/// (LineList::head()) rule out nearly every other line without a look at its text, so
/// learning looks a phrase up in a large knowledge base quickly.
std::size_t firstKeyed(const LineList& lines, std::string_view key) noexcept;

/// The abuse words (lines 1 to 82; line 0 empty) and human-topic words (lines 1 to 79).
const LineList& abuseWords();
const LineList& humanTopicWords();

}  // namespace cpuchat
