#pragma once
// Which lines of a knowledge base the main scan can find in an input, without trying
// every line: the narrowing that --check uses, and that a scan of one input can use
// the same way (firstMatch() gives what the main scan over the added lines gives).
//
// The main scan's matcher finds a line only in an input that holds the line's first
// `reach` characters in a row, `reach` being its longest key word (MainKeyShape), and
// what it does with an input depends on nothing but those characters and the lengths
// of the key words. So lines are kept by their beginning (a PatternIndex finds the
// beginnings that occur in an input), and under one beginning by their word lengths
// in a tree, in which lines that share their first words share the matcher's work.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "LineList.h"
#include "Matching.h"

namespace cpuchat {

/// Strings, each with an id and a rank, and which of them occur in a text as a piece
/// of it. A search visits only the patterns ranked below a bound that the visitor may
/// lower as it goes (a caller that wants the first line of something ranks patterns
/// by line), so its cost grows with the text and with how many patterns so ranked
/// share the text's pieces, not with the number of patterns. Searches keep scratch
/// space: one thread at a time.
class PatternIndex {
public:
    static constexpr std::uint32_t npos = UINT32_MAX;

    /// The id of `pattern`: a new one, counting from 0, unless it was added before.
    /// Its rank is the least it was added with.
    std::uint32_t add(std::string_view pattern, std::size_t rank = 0);
    /// Makes the patterns added so far findable by forEachIn().
    void build();
    /// The id of `pattern`, or npos when it was never added.
    std::uint32_t find(std::string_view pattern) const;
    std::string_view pattern(std::uint32_t id) const {
        return std::string_view(text_).substr(spans_[id].offset, spans_[id].length);
    }
    std::size_t size() const noexcept { return spans_.size(); }

    /// Calls visit(id) once for each pattern added before build() and ranked below
    /// `bound` that occurs in `text` (the empty pattern occurs in every text); `visit`
    /// may lower `bound`, which spares the search the patterns ranked above it. Short
    /// patterns come first. Pieces are compared by hash: now and then a pattern that
    /// does not occur comes too, so the visitor decides with the pattern.
    template <class Visit>
    void forEachIn(std::string_view text, std::size_t& bound, Visit&& visit) const;

private:
    static constexpr std::size_t kHead = 4;  // shortRank_ below has one place for each shorter length
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };
    struct Head {
        std::uint64_t key;   // of a pattern's first kHead characters
        std::uint32_t rank;  // the least of the patterns with this head and length
        std::uint32_t length;
    };
    // Keys to numbers, open addressing; a key is a hash already. A slot keeps the top
    // 32 bits of its key: two keys that share them share a slot, which a search takes
    // as one more hash collision.
    class KeyTable {
    public:
        std::uint32_t get(std::uint64_t key) const;  // npos when absent
        void put(std::uint64_t key, std::uint32_t value);
        void clear() { *this = KeyTable(); }

    private:
        struct Slot {
            std::uint32_t key = 0;
            std::uint32_t value = npos;
        };
        static std::uint32_t top(std::uint64_t key) { return static_cast<std::uint32_t>(key >> 32); }
        std::size_t home(std::uint32_t top) const { return top >> (32 - bits_); }
        void place(Slot slot);
        std::vector<Slot> slots_;
        std::size_t used_ = 0;
        int bits_ = 0;
    };

    // The least rank of the keys in each of two to four places a key: most pieces of a
    // text are no pattern, or only patterns ranked too late to matter, and this says so
    // without a look-up in a table.
    class RankFilter {
    public:
        void reset(std::size_t keys);
        void add(std::uint64_t key, std::size_t rank) {
            std::uint32_t& least = least_[place(key)];
            least =
                std::min<std::uint32_t>(least, static_cast<std::uint32_t>(std::min<std::size_t>(rank, kTop)));
        }
        bool mayHoldBelow(std::uint64_t key, std::size_t bound) const { return least_[place(key)] < bound; }

    private:
        static constexpr std::uint32_t kTop = UINT32_MAX - 1;  // ranks from here on count as this
        std::size_t place(std::uint64_t key) const { return static_cast<std::size_t>(key >> shift_); }
        std::vector<std::uint32_t> least_ = std::vector<std::uint32_t>(1, 0);
        int shift_ = 63;
    };

    static std::uint64_t hashOf(std::string_view text) noexcept;
    static std::uint64_t key(std::uint64_t hash, std::size_t length) noexcept;
    std::uint64_t pieceKey(std::size_t at, std::size_t length) const {
        return key(prefix_[at + length] - prefix_[at] * power_[length], length);
    }
    void hashPieces(std::string_view text) const;

    std::string text_;
    std::vector<Span> spans_;
    std::vector<std::uint32_t> ranks_;    // ranks from UINT32_MAX on count as UINT32_MAX
    std::vector<std::uint32_t> sameKey_;  // the pattern added before with the same key
    KeyTable lastWithKey_;                // key -> the last pattern added with it
    // The lengths of the patterns of at least kHead characters, by the key of their
    // first kHead and by rank: at each place of a text only those are tried.
    std::vector<Head> heads_;
    KeyTable firstHead_;  // key of a head -> its first entry in heads_
    static constexpr std::size_t kUnranked = SIZE_MAX;
    std::size_t shortRank_[kHead] = {kUnranked, kUnranked, kUnranked, kUnranked};  // least rank by length
    RankFilter patternRanks_, headRanks_;                                          // as of build()
    std::vector<std::uint64_t> power_{1};
    mutable std::vector<std::uint64_t> prefix_;
    mutable std::vector<std::uint32_t> seen_;
    mutable std::uint32_t epoch_ = 0;
};

template <class Visit>
void PatternIndex::forEachIn(std::string_view text, std::size_t& bound, Visit&& visit) const {
    if (spans_.empty()) return;
    if (++epoch_ == 0) {  // the marks of 4 billion searches ago could pass for new ones
        seen_.assign(seen_.size(), 0);
        epoch_ = 1;
    }
    seen_.resize(spans_.size(), 0);
    const auto offer = [&](std::uint64_t k) {
        if (!patternRanks_.mayHoldBelow(k, bound)) return;
        for (std::uint32_t id = lastWithKey_.get(k); id != npos; id = sameKey_[id]) {
            if (ranks_[id] >= bound || seen_[id] == epoch_) continue;
            seen_[id] = epoch_;
            visit(id);
        }
    };
    if (shortRank_[0] < bound) offer(key(0, 0));
    hashPieces(text);
    const std::size_t m = text.size();
    for (std::size_t length = 1; length < kHead; ++length) {
        for (std::size_t at = 0; at + length <= m && shortRank_[length] < bound; ++at)
            offer(pieceKey(at, length));
    }
    for (std::size_t at = 0; at + kHead <= m; ++at) {
        const std::uint64_t head = pieceKey(at, kHead);
        if (!headRanks_.mayHoldBelow(head, bound)) continue;
        std::uint32_t e = firstHead_.get(head);
        if (e == npos) continue;
        for (; e < heads_.size() && heads_[e].key == head && heads_[e].rank < bound; ++e) {
            if (heads_[e].length <= m - at) offer(pieceKey(at, heads_[e].length));
        }
    }
}

/// How the main scan's matcher reads the key of a line.
struct MainKeyShape {
    /// The lengths of the key words it looks for, in order. A word that is a lone "^"
    /// ends the key: the matcher takes the line at the next comparison, whatever the input.
    std::vector<std::uint32_t> words;
    /// The longest word: every input the line is found in holds the line's first
    /// `reach` characters in a row.
    std::size_t reach = 0;
    /// The shortest input the line can be found in, made of the characters every match
    /// needs (when the line can be found at all: matchMainLine() decides).
    std::string witness;
    /// The first word is a lone "^": the line is found in every input whose first
    /// character is not "^".
    bool caretFirst = false;
    /// The matcher reads the key to its end; when it does not (a word runs into the end
    /// of the line), the line is never found.
    bool ends = false;
};
MainKeyShape readMainKeyShape(std::string_view line);

/// Main phrase lines by their beginning and word lengths (see the top of this file).
class ReachIndex {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    explicit ReachIndex(const LineList& kb) : kb_(kb) {}

    /// Adds line `n` of the knowledge base, read as `shape`; lines are added in
    /// ascending order. A line whose key reads exactly as an earlier one's is always
    /// found second, and is kept only as that line. Lines the matcher can never find
    /// are not kept.
    void add(std::size_t n, const MainKeyShape& shape);
    /// Makes the lines added so far findable; call it before the searches below.
    void build() { beginnings_.build(); }

    /// What the main scan over the added lines finds: the first one before `before`
    /// that matchMainLine() finds in `upperInput`, or npos.
    std::size_t firstMatch(std::string_view upperInput, std::size_t before) const;

    /// The first added line before line `n` (read as `shape`) that the main scan finds
    /// in every input the input line lets through that it finds line `n` in, or npos.
    /// Such a line is one whose key reads as line `n`'s first words do, one of a single
    /// word that every such input holds by runScanFindsInEvery(), or one whose first
    /// word is a lone "^". Keys of several words found inside line `n`'s own are not
    /// looked for.
    std::size_t firstCovering(std::size_t n, const MainKeyShape& shape) const;

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    // A node of a beginning's tree: the lines whose first words have these lengths.
    struct Node {
        std::uint32_t length = 0;  // of the last word
        std::uint32_t firstChild = kNone;
        std::uint32_t nextSibling = kNone;  // siblings in the order of their first line
        std::uint32_t firstLine = 0;        // the first line under this node
        std::uint32_t line = kNone;         // the first line whose key ends here
    };
    std::uint32_t child(std::uint32_t node, std::uint32_t length) const;
    std::uint32_t child(std::uint32_t node, std::uint32_t length, std::uint32_t orAddFor);
    // Goes on from `node`, whose words the matcher found in `upperInput` with
    // `counters`, to the first line under it found there, if it comes before `best`.
    void search(std::uint32_t node, std::string_view beginning, std::string_view upperInput,
                RunCounters counters, std::size_t& best) const;

    const LineList& kb_;
    PatternIndex beginnings_;
    std::vector<std::uint32_t> roots_;  // by beginning id
    std::vector<Node> nodes_;
    std::vector<std::uint32_t> caretFirst_;  // lines whose first word is "^"
};

}  // namespace cpuchat
