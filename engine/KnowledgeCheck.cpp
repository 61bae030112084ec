#include "KnowledgeCheck.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "Matching.h"
#include "ReachIndex.h"
#include "Text.h"

namespace cpuchat {

namespace {

constexpr auto npos = std::string_view::npos;

// The first character that no input holds (a small letter, which upper-casing never
// yields, or a marker, which the input line never lets through), or npos.
std::size_t firstImpossible(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (upperChar(text[i]) != text[i] || isFormatMarker(text[i])) return i;
    }
    return npos;
}

Finding impossibleKey(std::size_t n, char c) {
    return {n, isFormatMarker(c) ? Finding::Kind::KeyHoldsMarker : Finding::Kind::KeyHoldsSmallLetter,
            static_cast<unsigned char>(c)};
}

// The abuse words, findable in a text as the keys are.
struct AbuseWords {
    PatternIndex index;
    std::vector<std::size_t> lineOf;  // by id: the word's line in abuseWords()

    AbuseWords() {
        const LineList& words = abuseWords();
        for (std::size_t line = 1; line < words.size(); ++line) {
            if (index.add(words[line], line) == lineOf.size()) lineOf.push_back(line);  // ranked by line
        }
        index.build();
    }

    // The word the abuse screen finds first in `upperInput` (it tries them in the
    // list's order), or 0.
    std::size_t found(std::string_view upperInput) const {
        std::size_t first = npos;
        index.forEachIn(upperInput, first, [&](std::uint32_t id) {
            if (runScan(upperInput, index.pattern(id))) first = lineOf[id];
        });
        return first == npos ? 0 : first;
    }

    // The first word of the list that the abuse screen finds in every input that holds
    // `piece` and in which the run scan found `firstRun` (runScanFindsInEvery), or 0.
    std::size_t alwaysFound(std::string_view firstRun, std::string_view piece) const {
        std::size_t first = npos;
        index.forEachIn(piece, first, [&](std::uint32_t id) {
            if (runScanFindsInEvery(index.pattern(id), firstRun, piece)) first = lineOf[id];
        });
        return first == npos ? 0 : first;
    }
};

const AbuseWords& abuse() {
    static const AbuseWords words;
    return words;
}

// The keys of the branch lines that can answer, and where each stands, so that a
// line's walk can find the earlier lines of the same walk whose keys its inputs hold.
class WalkKeys {
public:
    void add(std::size_t line, std::size_t depth, std::string_view key) {
        places_.push_back(
            {keys_.add(key), static_cast<std::uint32_t>(depth), static_cast<std::uint32_t>(line)});
    }
    void build() {
        keys_.build();
        std::sort(places_.begin(), places_.end());
    }

    // The first line of depth `depth` after `parent` and before `line` (of that depth,
    // with key `key`) whose key the run scan finds in every input `key` is found in,
    // or npos.
    std::size_t firstTaking(std::size_t line, std::size_t depth, std::size_t parent,
                            std::string_view key) const {
        std::size_t best = line;
        std::size_t unranked = npos;  // keys are not ranked: the walk's lines are told apart below
        keys_.forEachIn(key, unranked, [&](std::uint32_t id) {
            const Place from{id, static_cast<std::uint32_t>(depth), static_cast<std::uint32_t>(parent + 1)};
            const auto it = std::lower_bound(places_.begin(), places_.end(), from);
            if (it == places_.end() || it->key != id || it->depth != depth || it->line >= best) return;
            if (runScanFindsInEvery(keys_.pattern(id), key, key)) best = it->line;
        });
        return best < line ? best : npos;
    }

private:
    struct Place {
        std::uint32_t key;
        std::uint32_t depth;
        std::uint32_t line;
        auto operator<=>(const Place&) const = default;
    };
    PatternIndex keys_;
    std::vector<Place> places_;  // by key, depth and line
};

// Format and close-marker findings of one line from line 1 on.
template <class Note>
void checkForm(std::size_t n, std::string_view line, Note note) {
    const auto add = [&](Finding::Kind kind) { note(Finding{n, kind}); };
    if (line.empty()) {
        add(Finding::Kind::EmptyLine);
        return;
    }
    const std::size_t caret = line.find('^');
    if (caret == npos) {
        add(Finding::Kind::NoCaret);
        return;
    }
    if (line.substr(0, caret).find(';') != npos) add(Finding::Kind::SemicolonInKey);
    const std::string_view answers = line.substr(caret + 1);
    const std::size_t lastSemicolon = answers.rfind(';');
    const std::string_view tail = lastSemicolon == npos ? answers : answers.substr(lastSemicolon + 1);
    if (!tail.empty() && tail != "@") add(Finding::Kind::AnswerNotClosed);
    for (std::size_t at = answers.find(";@"); at != npos; at = answers.find(";@", at + 1)) {
        if (caret + 1 + at + 2 < line.size()) {
            add(Finding::Kind::CloseMarkerNotLast);
            break;
        }
    }
    if (depthOf(line) > 0 && line.back() == '@') add(Finding::Kind::CloseMarkerOnBranch);
}

}  // namespace

std::string Finding::message() const {
    const auto quoted = [](std::string_view text) {
        std::string q(1, '"');
        q.append(text);
        q += '"';
        return q;
    };
    const std::string lineNo = std::to_string(detail + 1);
    const char c = static_cast<char>(detail);
    switch (kind) {
        case Kind::EmptyLine:
            return "empty line (outside the format)";
        case Kind::NoCaret:
            return "no \"^\" (outside the format)";
        case Kind::SemicolonInKey:
            return "\";\" in the key (outside the format)";
        case Kind::AnswerNotClosed:
            return "answer not closed by \";\" (outside the format)";
        case Kind::KeyHoldsSmallLetter:
            return "key that no input can match: it holds " + quoted(std::string_view(&c, 1)) +
                   ", which the upper-cased input never holds";
        case Kind::KeyHoldsMarker:
            return "key that no input can match: it holds " + quoted(std::string_view(&c, 1)) +
                   ", which the input guard keeps out of every phrase";
        case Kind::KeyReadsCaret:
            return "key that no input can match: the main scan reads its \"^\" as part of a word (a blank "
                   "before the \"^\", or an empty key)";
        case Kind::EmptyBranchKey:
            return "key that no input can match: empty key";
        case Kind::KeyTooLong:
            return "key that no input can match: it needs " + std::to_string(detail) +
                   " characters, and the input line holds " + std::to_string(kInputLineLength);
        case Kind::RebukedAsAbuse:
            return "rebuked as abuse: every input it matches holds " + quoted(abuseWords()[detail]) +
                   ", so a line of X.Dat answers instead";
        case Kind::NeverAnswered:
            return "never answered: every input it matches also matches line " + lineNo +
                   ", which the main scan tries first";
        case Kind::UnreachableBranch: {
            const std::string parent =
                detail == 0 ? "main phrase" : "depth-" + std::to_string(detail) + " line";
            return "unreachable branch line: no " + parent + " that can answer above it in its run";
        }
        case Kind::TakenInWalk:
            return "unreachable branch line: every input it matches also matches line " + lineNo +
                   ", which the branch walk tries first";
        case Kind::KeyTextRebuked:
            return "key text rebuked as abuse: it holds " + quoted(abuseWords()[detail]);
        case Kind::DoesNotReach:
            return "key text does not reach this line "
                   "(the main scan compares later key words with the line's beginning)";
        case Kind::AnsweredFirst:
            return "key text answered first by line " + lineNo;
        case Kind::CloseMarkerNotLast:
            return "close marker \"@\" is not the line's last character (it has no effect)";
        case Kind::CloseMarkerOnBranch:
            return "close marker \"@\" on a branch line (branch lines never close the program)";
    }
    return {};
}

CheckReport checkKnowledgeBase(const LineList& kb) {
    CheckReport report;
    report.counts = countPhrases(kb);
    // The most useful finding of each line: kinds are listed most useful first.
    std::vector<std::optional<Finding>> found(kb.size());
    const auto note = [&](const Finding& f) {
        if (!found[f.line] || f.kind < found[f.line]->kind) found[f.line] = f;
    };
    std::vector<bool> screened(kb.size(), false);  // some input can reach the search for it
    std::vector<bool> canAnswer(kb.size(), false);
    ReachIndex mainKeys(kb);
    WalkKeys walkKeys;

    // Each line on its own: its form, and whether any input can match its key and
    // pass the abuse screen.
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::string_view line = kb[n];
        checkForm(n, line, note);
        const std::size_t caret = line.find('^');
        if (caret == npos || caret + 1 == line.size()) continue;  // outside the format, or unanswered
        const std::size_t depth = depthOf(line);
        if (depth == 0) {
            const MainKeyShape key = readMainKeyShape(line);
            const std::string_view beginning = line.substr(0, key.reach);
            const std::string_view firstWord = line.substr(0, key.words.empty() ? 0 : key.words.front());
            if (const std::size_t at = firstImpossible(key.witness); at != npos) {
                note(impossibleKey(n, key.witness[at]));
            } else if (matchMainLine(line, key.witness) == npos) {
                note({n, Finding::Kind::KeyReadsCaret});
            } else if (key.witness.size() > kInputLineLength) {
                note({n, Finding::Kind::KeyTooLong, key.witness.size()});
            } else if (const std::size_t word = abuse().alwaysFound(firstWord, beginning)) {
                note({n, Finding::Kind::RebukedAsAbuse, word});
            } else {
                screened[n] = true;
                mainKeys.add(n, key);
            }
            continue;
        }
        const WalkStep step = branchWalkStep(line, depth);
        if (step.caret == npos) continue;
        const std::string_view key = line.substr(depth, step.caret - depth);
        if (key.empty()) {
            note({n, Finding::Kind::EmptyBranchKey});
        } else if (const std::size_t at = firstImpossible(key); at != npos) {
            note(impossibleKey(n, key[at]));
        } else if (key.size() > kInputLineLength) {
            note({n, Finding::Kind::KeyTooLong, key.size()});
        } else if (const std::size_t word = abuse().alwaysFound(key, key)) {
            note({n, Finding::Kind::RebukedAsAbuse, word});
        } else {
            screened[n] = true;
            walkKeys.add(n, depth, key);
        }
    }
    mainKeys.build();
    walkKeys.build();

    // Each main phrase against the lines above it, and its own key text sent as a
    // phrase while no branch is open.
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::string_view line = kb[n];
        if (!screened[n] || depthOf(line) != 0) continue;
        if (const std::size_t earlier = mainKeys.firstCovering(n, readMainKeyShape(line)); earlier != npos) {
            note({n, Finding::Kind::NeverAnswered, earlier});
            continue;
        }
        canAnswer[n] = true;
        std::string text = toUpper(keyOf(line));
        if (text.size() > kInputLineLength) text.resize(kInputLineLength);  // as much as can be typed
        if (text.empty() || std::any_of(text.begin(), text.end(), isFormatMarker))
            continue;  // cannot be sent
        if (const std::size_t word = abuse().found(text)) {
            note({n, Finding::Kind::KeyTextRebuked, word});
        } else if (matchMainLine(line, text) == npos) {
            note({n, Finding::Kind::DoesNotReach});
        } else if (const std::size_t first = mainKeys.firstMatch(text, n); first != npos) {
            note({n, Finding::Kind::AnsweredFirst, first});
        }
    }

    // The branch walk: a branch line is reached from the nearest line above it in its
    // run, of the depth above its own, that can answer and is reached itself;
    // reached[d] is that line of depth d in the current run.
    std::vector<std::size_t> reached;
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::string_view line = kb[n];
        const std::size_t depth = depthOf(line);
        const WalkStep step = branchWalkStep(line, std::max<std::size_t>(depth, 1));
        if (step.runEnds) {
            reached.assign(1, canAnswer[n] ? n : npos);
            continue;
        }
        if (step.caret == npos || !screened[n]) continue;  // passed over by every walk, or a finding already
        const std::size_t parent = depth - 1 < reached.size() ? reached[depth - 1] : npos;
        if (parent == npos) {
            note({n, Finding::Kind::UnreachableBranch, depth - 1});
            continue;
        }
        const std::string_view key = line.substr(depth, step.caret - depth);
        if (const std::size_t earlier = walkKeys.firstTaking(n, depth, parent, key); earlier != npos) {
            note({n, Finding::Kind::TakenInWalk, earlier});
            continue;
        }
        if (reached.size() <= depth) reached.resize(depth + 1, npos);
        reached[depth] = n;
    }

    for (const std::optional<Finding>& f : found) {
        if (f) report.findings.push_back(*f);
    }
    return report;
}

}  // namespace cpuchat
