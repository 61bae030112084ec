#pragma once
// The check of a knowledge base for its authors (the console's --check). Every
// finding is decided by the engine's own matchers (Matching.h): the main scan's line
// matcher, the run scan and the branch walk's reading of a line; nothing here guesses
// what they would do.
//
// Inputs are what the input line lets through: at most kInputLineLength characters,
// none of them a marker of the format ("^", "_", ";", "@"). Of the screens that come
// before the search, only the abuse screen can keep a key from ever answering: it
// looks at nothing but the input, with the built-in abuse words. The repeat screen
// needs the phrase to equal the last one, and the long-phrase screen lets one long
// phrase in three through, so neither holds back every input a key matches.
//
// Each line gets at most one finding, the most useful one: the first that applies in
// the order below (lines 0-based here; the console shows them 1-based, the header
// being line 1).
//
// error, outside the format: a line from line 1 on that is empty, has no "^", holds
//   ";" in its key, or has an answer not closed by ";" (text after its last ";", or
//   after its "^" when it has none, other than a lone close marker "@").
// error, a key that no input can match: a main phrase line with answers that the
//   main scan's matcher finds in no input (because a character it compares is a small
//   letter or a marker, because it reads the "^" as part of a word: a blank before the
//   "^", an empty key, or because it needs more characters than the input line
//   holds); a branch line with answers whose key the run scan finds in no input (a
//   small letter, a marker, an empty key, a key longer than the input line).
// error, rebuked as abuse: a line with answers whose every input holds an abuse word
//   that the abuse screen finds, so that a line of X.Dat answers instead; the finding
//   names the word.
// warning, never answered: a main phrase line with answers whose every input is also
//   an input of the earlier line N, which the main scan tries first: a key that reads
//   as line N's first words, or a one-word key N that every input of the line holds
//   (an exact duplicate is one case).
// warning, unreachable branch line: a branch line of depth d with answers that no walk
//   answers. Either no line of depth d - 1 (for d = 1, the main phrase) that can
//   itself answer lies above it in its run (the run of a line is the lines from the
//   nearest line above it without leading "_" down to it; the walk starts below the
//   line answered last and passes over empty, unanswered, deeper and shallower lines
//   alike, so any such line above counts, not only the nearest), or every input of its
//   key is also found by the key of an earlier line N of depth d that the walk from the
//   nearest such line tries first. A line can answer when it has answers, a key that
//   some input can match, is not rebuked and not never answered and, for a branch
//   line, is itself reached. A branch line is never answered by the main scan, since a
//   phrase holds no "_".
// warning, key text rebuked: a main phrase line whose own key text, sent as a phrase,
//   holds an abuse word (while other inputs can still reach it).
// warning, does not reach it: a main phrase line with answers whose own key text the
//   matcher does not find in it at all, since later key words are compared with the
//   line's beginning ("ДОБРЫЙ ДЕНЬ.^" is not found in "ДОБРЫЙ ДЕНЬ.").
// warning, answered first by line N: a main phrase line with answers whose own key
//   text, sent as a phrase while no branch is open, is answered by the earlier line N
//   (and other inputs can still reach the line).
// warning, close marker not last: a "@" right after a ";" that is not the line's last
//   character (learning appended an answer after it, so it no longer closes), or a
//   "@" that ends a branch line (branch lines never close the program).
// Unanswered lines ("KEY^") are normal and never a finding.
//
// The findings of a line that can never answer are sure; the search for them is not
// complete: a key covered by a key of several words found inside its own, or by
// several earlier keys together, goes unreported.
//
// Cost. With N lines of B bytes in all, and K = kInputLineLength (no key longer than
// the input line is looked at closely), the check is O(B + N·K^4) in the worst case
// (about linear in practice: K^4 stands for a key whose every piece is an earlier
// key), except for one search: the line that answers a key text is looked for only
// among lines whose beginning occurs in the text, and among lines that share a
// beginning only among those whose first words the matcher finds in it; when
// thousands of keys share their beginning and no earlier one takes a later one's key
// text, that is O(N^2·K). Knowledge bases of 100,000 lines of the shapes check_bench
// makes, among them keys that all begin with one 30-letter word and one-word keys of 1
// to 250 letters, are checked in about a second.

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
        KeyHoldsMarker,       // `detail`: the marker
        KeyReadsCaret,        // the main scan reads the "^" as part of a word
        EmptyBranchKey,
        KeyTooLong,      // `detail`: the characters an input needs
        RebukedAsAbuse,  // `detail`: the abuse word (its line in abuseWords())
        // warnings
        NeverAnswered,      // `detail`: the earlier line that takes its inputs
        UnreachableBranch,  // `detail`: the depth of the parent line it lacks
        TakenInWalk,        // `detail`: the earlier line of the walk that takes its inputs
        KeyTextRebuked,     // `detail`: the abuse word
        DoesNotReach,
        AnsweredFirst,  // `detail`: the line that answers first
        CloseMarkerNotLast,
        CloseMarkerOnBranch,
    };
    std::size_t line = 0;  // 0-based index in the knowledge base
    Kind kind = Kind::EmptyLine;
    std::size_t detail = 0;
    bool operator==(const Finding&) const = default;

    bool isError() const noexcept { return kind < Kind::NeverAnswered; }
    /// What it means, one line of English ("key text answered first by line 3"; lines
    /// named 1-based, as an editor shows them). Windows-1251, as the key it quotes.
    std::string message() const;
};

struct CheckReport {
    PhraseCounts counts;            // as the status bar shows them
    std::vector<Finding> findings;  // by line, at most one a line
};

/// Checks a knowledge base (line 0 is its header). An index over the keys
/// (ReachIndex.h) narrows which earlier lines can take a key's inputs, and the
/// engine's own matchers decide.
CheckReport checkKnowledgeBase(const LineList& kb);

}  // namespace cpuchat
