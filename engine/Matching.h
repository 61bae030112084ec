#pragma once
// The character matchers of the engine: the run scan used by the screens and the
// branch scan, the word-by-word matcher of the main scan, the answer choice, and
// the two built-in word lists. Inputs are upper-cased once by the caller.

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

#include "LineList.h"

namespace cpuchat {

/// Run scan: a left-to-right search for `pattern` in `upperInput` that never compares
/// again the character at which a partial match failed ("ДА" is found in "НУ ДА" but
/// not in "ДДА"). An empty pattern is never found.
bool runScan(std::string_view upperInput, std::string_view pattern) noexcept;

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
    /// False only when `line` cannot match in the main scan.
    bool mayMatch(std::string_view line) const noexcept;

private:
    std::bitset<256> chars_;
    std::bitset<65536> pairs_;
};

/// Number of ";" in a line: its number of answers.
int countAnswers(std::string_view line) noexcept;

/// Answer `pick` (1-based) of a line whose key ends at `caret`: answer 1 starts after
/// the "^", answer p after the (p-1)-th ";" of the line; it runs to the next ";" or,
/// for an answer not closed by ";", to the end of the line.
std::string_view answerAt(std::string_view line, std::size_t caret, int pick) noexcept;

/// Characters before the first "^" (the whole line when it has none).
std::string_view keyOf(std::string_view line) noexcept;

/// The abuse words (lines 1 to 82; line 0 empty) and human-topic words (lines 1 to 79).
const LineList& abuseWords();
const LineList& humanTopicWords();

}  // namespace cpuchat
