#include "HeadIndex.h"

#include <algorithm>
#include <bitset>
#include <memory>

#include "Matching.h"

namespace cpuchat {

namespace {

// The pair a line is kept under: its first two bytes.
std::uint32_t pairOf(std::uint32_t head) noexcept { return head & 0xFFFFu; }

}  // namespace

HeadIndex::HeadIndex(const LineList& kb) : start_(kKeys + 1, 0) {
    // Counting sort by pair: lines stay in ascending order under each.
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::uint32_t head = kb.head(n);
        if ((head & LineList::kHeadValid) != 0) ++start_[pairOf(head) + 1];
    }
    for (std::size_t k = 0; k < kKeys; ++k) start_[k + 1] += start_[k];
    lines_.resize(start_[kKeys]);
    std::vector<std::uint32_t> next(start_.begin(), start_.end() - 1);
    for (std::size_t n = 1; n < kb.size(); ++n) {
        const std::uint32_t head = kb.head(n);
        if ((head & LineList::kHeadValid) != 0) lines_[next[pairOf(head)]++] = static_cast<std::uint32_t>(n);
    }
}

std::size_t HeadIndex::firstMatch(const LineList& kb, std::string_view upperInput) const {
    // The pairs a found line can begin with (as InputIndex::mayMatchHead() lets them
    // through): a character of the input, or "^", then a blank or "^" (a first word of
    // one character); or two characters the input holds in a row.
    const auto seen = std::make_unique<std::bitset<kKeys>>();
    std::vector<std::uint32_t> pairs;
    const auto want = [&](std::uint32_t a, std::uint32_t b) {
        const std::uint32_t key = a | (b << 8);
        if (!seen->test(key)) {
            seen->set(key);
            pairs.push_back(key);
        }
    };
    want('^', ' ');
    want('^', '^');
    for (std::size_t i = 0; i < upperInput.size(); ++i) {
        const auto a = static_cast<unsigned char>(upperInput[i]);
        want(a, ' ');
        want(a, '^');
        if (i + 1 < upperInput.size()) want(a, static_cast<unsigned char>(upperInput[i + 1]));
    }
    const InputIndex filter(upperInput);
    std::size_t best = npos;
    for (const std::uint32_t key : pairs) {
        for (std::uint32_t e = start_[key]; e < start_[key + 1]; ++e) {
            const std::uint32_t n = lines_[e];
            if (n >= best) break;
            if (!filter.mayMatchHead(kb.head(n))) continue;
            if (matchMainLine(kb[n], upperInput) != std::string_view::npos) {
                best = n;
                break;
            }
        }
    }
    return best;
}

std::size_t mainScanLinear(const LineList& kb, std::string_view upperInput) {
    const InputIndex filter(upperInput);
    for (std::size_t n = 1; n < kb.size(); ++n) {
        if (!filter.mayMatchHead(kb.head(n))) continue;
        if (matchMainLine(kb[n], upperInput) != std::string_view::npos) return n;
    }
    return HeadIndex::npos;
}

}  // namespace cpuchat
