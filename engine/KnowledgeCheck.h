#pragma once
// The check of a knowledge base for its authors (the console's --check). Every
// finding is decided by the engine's own matchers (Matching.h): the main scan's line
// matcher, the run scan and the branch walk's reading of a line; nothing here guesses
// what they would do.
//
// What each finding means (lines 0-based here; the console shows them 1-based, the
// header being line 1):
//
// error, outside the format: a line from line 1 on that is empty, has no "^", holds
//   ";" in its key, or has an answer not closed by ";" (text after its last ";", or
//   after its "^" when it has none, other than a lone close marker "@").
// error, a key that no input can match: a main phrase line with answers that the
//   main scan's matcher finds in no upper-cased input (for example because a letter
//   it compares is small, or because it reads the "^" as part of a word: a blank
//   before the "^", an empty key); a branch line with answers whose key the run scan
//   finds in no upper-cased input (a small letter, an empty key).
// warning, answered first by line N: a main phrase line with answers whose own key
//   text, sent as a phrase while no branch is open, is found by the main scan at the
//   earlier line N (an exact duplicate is one case).
// warning, does not reach it: a main phrase line with answers whose own key text the
//   matcher does not find in it at all, since later key words are compared with the
//   line's beginning ("ДОБРЫЙ ДЕНЬ.^" is not found in "ДОБРЫЙ ДЕНЬ.").
// warning, unreachable branch line: a branch line of depth d with answers such that
//   no line of depth d - 1 (for d = 1, the main phrase) that can itself answer lies
//   above it in its run. The run of a line is the lines from the nearest line above it
//   without leading "_" down to it; the walk starts below the line answered last and
//   passes over empty, unanswered, deeper and shallower lines alike, so any such line
//   above counts, not only the nearest. A line can answer when it has answers, a key
//   that some input can match and, for a branch line, is itself reached. A branch line
//   is never answered by the main scan, since a typed phrase holds no "_".
// warning, close marker not last: a "@" right after a ";" that is not the line's last
//   character (learning appended an answer after it, so it no longer closes), or a
//   "@" that ends a branch line (branch lines never close the program).
// Unanswered lines ("KEY^") are normal and never a finding.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KnowledgeCounts.h"
#include "LineList.h"

namespace cpuchat {

struct Finding {
    enum class Kind : std::uint8_t {
        // errors
        EmptyLine,
        NoCaret,
        SemicolonInKey,
        AnswerNotClosed,
        KeyHoldsSmallLetter,  // `detail`: the letter
        KeyReadsCaret,        // the main scan reads the "^" as part of a word
        EmptyBranchKey,
        // warnings
        AnsweredFirst,  // `detail`: the line that answers first
        DoesNotReach,
        UnreachableBranch,  // `detail`: the depth of the parent line it lacks
        CloseMarkerNotLast,
        CloseMarkerOnBranch,
    };
    std::size_t line = 0;  // 0-based index in the knowledge base
    Kind kind = Kind::EmptyLine;
    std::size_t detail = 0;
    bool operator==(const Finding&) const = default;

    bool isError() const noexcept { return kind < Kind::AnsweredFirst; }
    /// What it means, one line of English ("key text answered first by line 3"; lines
    /// named 1-based, as an editor shows them). Windows-1251, as the key it quotes.
    std::string message() const;
};

struct CheckReport {
    PhraseCounts counts;            // as the status bar shows them
    std::vector<Finding> findings;  // by line, in the order above within a line
};

/// Checks a knowledge base (line 0 is its header). Runs in time about linear in its
/// size: an index over the keys narrows which earlier lines can answer a key text,
/// and the main scan's matcher decides.
CheckReport checkKnowledgeBase(const LineList& kb);

}  // namespace cpuchat
