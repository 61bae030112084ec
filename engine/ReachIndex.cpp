#include "ReachIndex.h"

#include <algorithm>
#include <bit>
#include <tuple>

namespace cpuchat {

namespace {

constexpr std::uint64_t kBase = 0x100000001B3ull;

}  // namespace

std::uint64_t PatternIndex::hashOf(std::string_view text) noexcept {
    std::uint64_t h = 0;
    for (const char c : text) h = h * kBase + static_cast<unsigned char>(c) + 1;
    return h;
}

std::uint64_t PatternIndex::key(std::uint64_t hash, std::size_t length) noexcept {
    return (hash ^ (length * 0x9E3779B97F4A7C15ull)) * 0xFF51AFD7ED558CCDull;
}

void PatternIndex::RankFilter::reset(std::size_t keys) {
    const int bits = std::max(1, static_cast<int>(std::bit_width(keys)) + 1);
    shift_ = 64 - bits;
    least_.assign(std::size_t{1} << bits, UINT32_MAX);
}

std::uint32_t PatternIndex::KeyTable::get(std::uint64_t key) const {
    if (slots_.empty()) return npos;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = home(top(key));; i = (i + 1) & mask) {
        if (slots_[i].value == npos) return npos;
        if (slots_[i].key == top(key)) return slots_[i].value;
    }
}

void PatternIndex::KeyTable::put(std::uint64_t key, std::uint32_t value) {
    if ((used_ + 1) * 2 > slots_.size()) {  // at most half full, so that a look-up ends soon
        const std::vector<Slot> old = std::move(slots_);
        bits_ = std::max(4, bits_ + 1);
        slots_.assign(std::size_t{1} << bits_, Slot{});
        used_ = 0;
        for (const Slot& slot : old) {
            if (slot.value != npos) place(slot);
        }
    }
    place({top(key), value});
}

void PatternIndex::KeyTable::place(Slot slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = home(slot.key);
    while (slots_[i].value != npos && slots_[i].key != slot.key) i = (i + 1) & mask;
    if (slots_[i].value == npos) ++used_;
    slots_[i] = slot;
}

std::uint32_t PatternIndex::add(std::string_view pattern, std::size_t rank) {
    const auto rank32 = static_cast<std::uint32_t>(std::min<std::size_t>(rank, UINT32_MAX));
    if (const std::uint32_t known = find(pattern); known != npos) {
        ranks_[known] = std::min(ranks_[known], rank32);
        return known;
    }
    const auto id = static_cast<std::uint32_t>(spans_.size());
    spans_.push_back({static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(pattern.size())});
    text_.append(pattern);
    ranks_.push_back(rank32);
    const std::uint64_t k = key(hashOf(pattern), pattern.size());
    sameKey_.push_back(lastWithKey_.get(k));
    lastWithKey_.put(k, id);
    while (power_.size() <= std::max(pattern.size(), kHead)) power_.push_back(power_.back() * kBase);
    return id;
}

void PatternIndex::build() {
    heads_.clear();
    std::fill(std::begin(shortRank_), std::end(shortRank_), kUnranked);
    for (std::uint32_t id = 0; id < spans_.size(); ++id) {
        const std::string_view p = pattern(id);
        if (p.size() < kHead) {
            shortRank_[p.size()] = std::min<std::size_t>(shortRank_[p.size()], ranks_[id]);
        } else {
            heads_.push_back(
                {key(hashOf(p.substr(0, kHead)), kHead), ranks_[id], static_cast<std::uint32_t>(p.size())});
        }
    }
    // One entry for each head and length, with the least rank, ordered by rank.
    const auto byLength = [](const Head& a, const Head& b) {
        return std::tie(a.key, a.length, a.rank) < std::tie(b.key, b.length, b.rank);
    };
    std::sort(heads_.begin(), heads_.end(), byLength);
    heads_.erase(
        std::unique(heads_.begin(), heads_.end(),
                    [](const Head& a, const Head& b) { return a.key == b.key && a.length == b.length; }),
        heads_.end());
    std::sort(heads_.begin(), heads_.end(),
              [](const Head& a, const Head& b) { return std::tie(a.key, a.rank) < std::tie(b.key, b.rank); });
    firstHead_.clear();
    for (std::size_t e = heads_.size(); e-- > 0;)
        firstHead_.put(heads_[e].key, static_cast<std::uint32_t>(e));
    patternRanks_.reset(spans_.size());
    for (std::uint32_t id = 0; id < spans_.size(); ++id) {
        patternRanks_.add(key(hashOf(pattern(id)), spans_[id].length), ranks_[id]);
    }
    headRanks_.reset(heads_.size());
    for (const Head& h : heads_) headRanks_.add(h.key, h.rank);
}

std::uint32_t PatternIndex::find(std::string_view pattern) const {
    for (std::uint32_t id = lastWithKey_.get(key(hashOf(pattern), pattern.size())); id != npos;
         id = sameKey_[id]) {
        if (this->pattern(id) == pattern) return id;
    }
    return npos;
}

void PatternIndex::hashPieces(std::string_view text) const {
    prefix_.resize(text.size() + 1);
    prefix_[0] = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        prefix_[i + 1] = prefix_[i] * kBase + static_cast<unsigned char>(text[i]) + 1;
    }
}

MainKeyShape readMainKeyShape(std::string_view line) {
    // The matcher finds a word of length w only when the last w input characters it
    // compared were the line's first w characters in a row: k counts matches since the
    // last mismatch, and j counts along with k until k passes the current word's
    // length, which never happens before that word is found. So every input it finds
    // the line in holds, for each word, the line's first w characters in a row.
    //
    // The witness is the least an input needs: the first word; then, for each further
    // word, the characters that carry the run on when the word is longer than the one
    // before (j goes on counting), or else one character that breaks the run and the
    // line's first w characters again (a run already as long as the word never equals
    // it again). It holds no character beyond the ones every match needs.
    MainKeyShape key;
    const char breaker = line.starts_with(' ') ? '.' : ' ';
    std::size_t c = 0;
    std::size_t previous = 0;
    for (;;) {
        const std::size_t end = measureWord(line, c);
        if (end == std::string_view::npos) return key;  // never found
        const std::size_t w = end - c;
        if (w == 1 && line[end - 1] == '^') {
            key.caretFirst = key.words.empty();
            break;
        }
        if (previous == 0) {
            key.witness.append(line.substr(0, w));
        } else if (w > previous) {
            key.witness.append(line.substr(previous, w - previous));
        } else {
            key.witness += breaker;
            key.witness.append(line.substr(0, w));
        }
        key.words.push_back(static_cast<std::uint32_t>(w));
        previous = w;
        key.reach = std::max(key.reach, w);
        c = end + 1;
        if (line[c - 1] == '^') break;
    }
    key.ends = true;
    return key;
}

std::uint32_t ReachIndex::child(std::uint32_t node, std::uint32_t length) const {
    for (std::uint32_t c = nodes_[node].firstChild; c != kNone; c = nodes_[c].nextSibling) {
        if (nodes_[c].length == length) return c;
    }
    return kNone;
}

std::uint32_t ReachIndex::child(std::uint32_t node, std::uint32_t length, std::uint32_t orAddFor) {
    std::uint32_t* link = &nodes_[node].firstChild;
    for (; *link != kNone; link = &nodes_[*link].nextSibling) {
        if (nodes_[*link].length == length) return *link;
    }
    // Lines come in ascending order, so appending keeps siblings in the order of their first line.
    const auto c = static_cast<std::uint32_t>(nodes_.size());
    *link = c;  // before the push, which may move the nodes
    nodes_.push_back({.length = length, .firstLine = orAddFor});
    return c;
}

void ReachIndex::add(std::size_t n, const MainKeyShape& shape) {
    const auto line = static_cast<std::uint32_t>(n);
    if (shape.caretFirst) {
        caretFirst_.push_back(line);
        return;
    }
    if (!shape.ends) return;
    const std::uint32_t id = beginnings_.add(kb_[n].substr(0, shape.reach), line);
    if (id == roots_.size()) {
        roots_.push_back(static_cast<std::uint32_t>(nodes_.size()));
        nodes_.push_back({.firstLine = line});
    }
    std::uint32_t node = roots_[id];
    for (const std::uint32_t w : shape.words) node = child(node, w, line);
    if (nodes_[node].line == kNone) nodes_[node].line = line;
}

void ReachIndex::search(std::uint32_t node, std::string_view beginning, std::string_view upperInput,
                        RunCounters counters, std::size_t& best) const {
    for (std::uint32_t c = nodes_[node].firstChild; c != kNone; c = nodes_[c].nextSibling) {
        const Node& next = nodes_[c];
        if (next.firstLine >= best) break;  // siblings come in the order of their first line
        RunCounters at = counters;
        if (!runTo(beginning, next.length, upperInput, at)) continue;
        if (next.line < best) best = next.line;  // a key that ends here is found: "^" follows its word
        search(c, beginning, upperInput, at, best);
    }
}

std::size_t ReachIndex::firstMatch(std::string_view upperInput, std::size_t before) const {
    std::size_t best = before;
    for (const std::uint32_t line : caretFirst_) {
        if (line >= best) break;
        if (matchMainLine(kb_[line], upperInput) != std::string_view::npos) {
            best = line;
            break;
        }
    }
    // Beginnings are ranked by their first line: once a line is found, only the ones
    // with an earlier line are still looked for.
    beginnings_.forEachIn(upperInput, best, [&](std::uint32_t id) {
        search(roots_[id], beginnings_.pattern(id), upperInput, {}, best);
    });
    return best < before ? best : npos;
}

std::size_t ReachIndex::firstCovering(std::size_t n, const MainKeyShape& shape) const {
    std::size_t best = n;
    // A lone "^" as the first word takes every input the input line lets through.
    if (!caretFirst_.empty()) best = std::min<std::size_t>(best, caretFirst_.front());
    if (shape.words.empty()) return best < n ? best : npos;
    const std::string_view line = kb_[n];
    const std::vector<std::uint32_t>& words = shape.words;

    // Keys that read as this one's first words: the matcher does with them what it does
    // with this line until their "^" takes the input.
    std::size_t reach = 0;
    std::uint32_t node = kNone;
    for (std::size_t k = 0; k < words.size(); ++k) {
        if (words[k] > reach) {
            reach = words[k];
            const std::uint32_t id = beginnings_.find(line.substr(0, reach));
            node = id == PatternIndex::npos ? kNone : roots_[id];
            for (std::size_t q = 0; q < k && node != kNone; ++q) node = child(node, words[q]);
        }
        if (node != kNone) node = child(node, words[k]);
        if (node != kNone) best = std::min<std::size_t>(best, nodes_[node].line);
    }

    // Keys of one word that every input this line is found in holds.
    const std::string_view beginning = line.substr(0, shape.reach);
    const std::string_view firstWord = line.substr(0, words.front());
    beginnings_.forEachIn(beginning, best, [&](std::uint32_t id) {
        const std::string_view word = beginnings_.pattern(id);
        if (word.empty()) return;
        const std::uint32_t one = child(roots_[id], static_cast<std::uint32_t>(word.size()));
        if (one == kNone || nodes_[one].line >= best) return;
        if (runScanFindsInEvery(word, firstWord, beginning)) best = nodes_[one].line;
    });
    return best < n ? best : npos;
}

}  // namespace cpuchat
