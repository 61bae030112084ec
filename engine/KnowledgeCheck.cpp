#include "KnowledgeCheck.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "Matching.h"
#include "Text.h"

namespace cpuchat {

namespace {

constexpr auto npos = std::string_view::npos;

// How the main scan's matcher can find a line, read with its own word measure.
//
// The matcher finds a word of length w only when the last w input characters it
// compared were the line's first w characters in a row: k counts matches since the
// last mismatch, and j counts along with k until k passes the current word's length,
// which never happens before that word is found. So every input in which the line is
// found holds, for each word measured before the key ends, the line's first w
// characters in a row, and in particular its first `reach` characters, `reach` being
// the longest of those words. A word that is a lone "^" ends the key at the next
// comparison, whatever the input holds, so the words after it are never needed.
//
// The witness is the least an input needs: the first word; then, for each further
// word, the characters that carry the run on when the word is longer than the one
// before (j goes on counting), or else one character that breaks the run and the
// line's first w characters again (a run already as long as the word never equals it
// again). It holds no character beyond the ones every match needs, so when it holds
// one that upper-casing never yields, no input can match; otherwise the matcher
// itself is asked whether it finds the line in the witness.
struct MainKey {
    std::string witness;
    std::size_t reach = 0;
};

MainKey readMainKey(std::string_view line) {
    MainKey key;
    const char breaker = line.starts_with(' ') ? '.' : ' ';
    std::size_t c = 0;
    std::size_t previous = 0;
    for (;;) {
        const std::size_t end = measureWord(line, c);
        if (end == npos) break;  // the line never matches; the matcher says so below
        const std::size_t w = end - c;
        if (w == 1 && line[end - 1] == '^') break;
        if (previous == 0) {
            key.witness.append(line.substr(0, w));
        } else if (w > previous) {
            key.witness.append(line.substr(previous, w - previous));
        } else {
            key.witness += breaker;
            key.witness.append(line.substr(0, w));
        }
        previous = w;
        key.reach = std::max(key.reach, w);
        c = end + 1;
        if (line[c - 1] == '^') break;
    }
    return key;
}

// The first character that upper-casing never yields, or npos.
std::size_t firstSmall(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (upperChar(text[i]) != text[i]) return i;
    }
    return npos;
}

// Lines that the main scan can find, by the hash of their first `reach` characters:
// the characters every input they are found in holds in a row (see MainKey). For an
// input, looking up every piece of it whose length is one of the lines' reaches gives
// every line that can be found in it, and some more when hashes collide; the main
// scan's matcher then decides. So the index never drops a line that matches: it only
// spares the matcher the lines whose necessary characters the input lacks.
class ReachIndex {
public:
    void add(std::size_t line, std::string_view prefix) {
        if (prefix.empty()) {
            anyInput_.push_back(line);  // found in every input (its key ends at once)
            return;
        }
        entries_.push_back({hashOf(prefix), static_cast<std::uint32_t>(line)});
        if (prefix.size() >= hasLength_.size()) hasLength_.resize(prefix.size() + 1);
        hasLength_[prefix.size()] = true;
    }

    // Groups the lines by bucket, each group in ascending line order.
    void build() {
        for (std::size_t n = 0; n < hasLength_.size(); ++n) {
            if (hasLength_[n]) lengths_.push_back(n);
        }
        bits_ = std::max(4, static_cast<int>(std::bit_width(entries_.size())) + 1);
        starts_.assign((std::size_t{1} << bits_) + 1, 0);
        for (const Entry& e : entries_) ++starts_[bucket(e.hash) + 1];
        for (std::size_t b = 1; b < starts_.size(); ++b) starts_[b] += starts_[b - 1];
        std::vector<Entry> sorted(entries_.size());
        std::vector<std::uint32_t> next(starts_.begin(), starts_.end() - 1);
        for (const Entry& e : entries_) sorted[next[bucket(e.hash)]++] = e;
        entries_ = std::move(sorted);
    }

    // The first line before `before` that the main scan finds in `upperInput`, or npos.
    std::size_t firstMatch(const LineList& kb, std::string_view upperInput, std::size_t before) const {
        std::size_t best = before;
        for (std::size_t line : anyInput_) {
            if (line >= best) break;
            if (matchMainLine(kb[line], upperInput) != npos) {
                best = line;
                break;
            }
        }
        const std::size_t m = upperInput.size();
        std::vector<std::uint64_t> prefix(m + 1, 0), power(m + 1, 1);
        for (std::size_t i = 0; i < m; ++i) {
            prefix[i + 1] = prefix[i] * kBase + static_cast<unsigned char>(upperInput[i]) + 1;
            power[i + 1] = power[i] * kBase;
        }
        for (std::size_t length : lengths_) {
            if (length > m) break;
            for (std::size_t at = 0; at + length <= m; ++at) {
                const std::uint64_t hash = mix(prefix[at + length] - prefix[at] * power[length], length);
                const std::size_t b = bucket(hash);
                for (std::uint32_t e = starts_[b]; e < starts_[b + 1]; ++e) {
                    const Entry& entry = entries_[e];
                    if (entry.line >= best) break;
                    if (entry.hash == hash && matchMainLine(kb[entry.line], upperInput) != npos) {
                        best = entry.line;
                        break;
                    }
                }
            }
        }
        return best < before ? best : npos;
    }

private:
    struct Entry {
        std::uint64_t hash;
        std::uint32_t line;
    };
    static constexpr std::uint64_t kBase = 0x100000001B3ull;

    static std::uint64_t mix(std::uint64_t hash, std::size_t length) {
        return hash ^ (length * 0x9E3779B97F4A7C15ull);
    }
    static std::uint64_t hashOf(std::string_view text) {
        std::uint64_t h = 0;
        for (char c : text) h = h * kBase + static_cast<unsigned char>(c) + 1;
        return mix(h, text.size());
    }
    std::size_t bucket(std::uint64_t hash) const {
        return static_cast<std::size_t>((hash * 0xFF51AFD7ED558CCDull) >> (64 - bits_));
    }

    std::vector<Entry> entries_;
    std::vector<std::size_t> anyInput_;
    std::vector<bool> hasLength_;
    std::vector<std::size_t> lengths_;
    std::vector<std::uint32_t> starts_;
    int bits_ = 4;
};

// Format and close-marker findings of one line from line 1 on.
void checkForm(std::size_t n, std::string_view line, std::vector<Finding>& out) {
    const auto add = [&](Finding::Kind kind) { out.push_back({n, kind}); };
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
            return "key that no input can match: it holds \"" + std::string(1, static_cast<char>(detail)) +
                   "\", which the upper-cased input never holds";
        case Kind::KeyReadsCaret:
            return "key that no input can match: the main scan reads its \"^\" as part of a word (a blank "
                   "before the \"^\", or an empty key)";
        case Kind::EmptyBranchKey:
            return "key that no input can match: empty key";
        case Kind::AnsweredFirst:
            return "key text answered first by line " + std::to_string(detail + 1);
        case Kind::DoesNotReach:
            return "key text does not reach this line "
                   "(the main scan compares later key words with the line's beginning)";
        case Kind::UnreachableBranch: {
            const std::string parent =
                detail == 0 ? "main phrase" : "depth-" + std::to_string(detail) + " line";
            return "unreachable branch line: no " + parent + " that can answer above it in its run";
        }
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
    std::vector<Finding>& findings = report.findings;
    std::vector<bool> canAnswer(kb.size(), false);
    ReachIndex index;

    // Each line on its own: its form, and whether any input can match its key.
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::string_view line = kb[n];
        checkForm(n, line, findings);
        const std::size_t caret = line.find('^');
        if (caret == npos || caret + 1 == line.size()) continue;  // outside the format, or unanswered
        const std::size_t depth = depthOf(line);
        const MainKey key = readMainKey(line);
        const bool mainScanFinds =
            firstSmall(key.witness) == npos && matchMainLine(line, key.witness) != npos;
        if (mainScanFinds) index.add(n, line.substr(0, key.reach));
        if (depth == 0) {
            canAnswer[n] = mainScanFinds;
            if (!mainScanFinds) {
                const std::size_t small = firstSmall(key.witness);
                findings.push_back(small == npos ? Finding{n, Finding::Kind::KeyReadsCaret}
                                                 : Finding{n, Finding::Kind::KeyHoldsSmallLetter,
                                                           static_cast<unsigned char>(key.witness[small])});
            }
            continue;
        }
        const WalkStep step = branchWalkStep(line, depth);
        if (step.caret == npos) continue;
        const std::string_view branchKey = line.substr(depth, step.caret - depth);
        canAnswer[n] = firstSmall(branchKey) == npos && runScan(branchKey, branchKey);
        if (!canAnswer[n]) {
            const std::size_t small = firstSmall(branchKey);
            findings.push_back(small == npos ? Finding{n, Finding::Kind::EmptyBranchKey}
                                             : Finding{n, Finding::Kind::KeyHoldsSmallLetter,
                                                       static_cast<unsigned char>(branchKey[small])});
        }
    }
    index.build();

    // Each main phrase's own key text, sent as a phrase while no branch is open.
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::string_view line = kb[n];
        if (!canAnswer[n] || depthOf(line) != 0) continue;
        const std::string upperKey = toUpper(keyOf(line));
        if (matchMainLine(line, upperKey) == npos) {
            findings.push_back({n, Finding::Kind::DoesNotReach});
            continue;
        }
        const std::size_t first = index.firstMatch(kb, upperKey, n);
        if (first != npos) findings.push_back({n, Finding::Kind::AnsweredFirst, first});
    }

    // The branch walk: a branch line is reached from a line of the depth above it, in
    // its run, that can answer and is reached itself. reachedIn[d] is the run in which
    // such a line of depth d was last seen; run 1 is the lines before any main phrase.
    std::size_t run = 1;
    std::vector<std::size_t> reachedIn(1, 0);
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::string_view line = kb[n];
        const std::size_t depth = depthOf(line);
        const WalkStep step = branchWalkStep(line, std::max<std::size_t>(depth, 1));
        if (step.runEnds) {
            ++run;
            reachedIn[0] = canAnswer[n] ? run : 0;
            continue;
        }
        if (step.caret == npos) continue;  // passed over by every walk
        if (reachedIn.size() <= depth) reachedIn.resize(depth + 1, 0);
        if (reachedIn[depth - 1] != run) {
            findings.push_back({n, Finding::Kind::UnreachableBranch, depth - 1});
        } else if (canAnswer[n]) {
            reachedIn[depth] = run;
        }
    }

    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return report;
}

}  // namespace cpuchat
