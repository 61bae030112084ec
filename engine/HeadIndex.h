#pragma once
// The main scan over a knowledge base without a visit to every line.
//
// The main scan's matcher finds a line only after the line's first word has been found
// whole in the input, so the input holds the word's first two characters in a row (or,
// for a first word of one character, that character); InputIndex::mayMatchHead() rules
// a line out by them. A HeadIndex keeps the lines by those two characters, in line
// order, so a scan visits only the lines under the pairs an input holds, and of those
// only the ones before the first line found. It costs four bytes a line and is built
// from the heads a LineList keeps, in two passes.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "LineList.h"

namespace cpuchat {

class HeadIndex {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    /// Indexes lines 1 on of `kb` (line 0 is never a key).
    explicit HeadIndex(const LineList& kb);

    /// The first line of `kb` (the list it was built from) that matchMainLine() finds in
    /// `upperInput`, or npos: what mainScanLinear() gives.
    std::size_t firstMatch(const LineList& kb, std::string_view upperInput) const;

    /// Bytes it holds.
    std::size_t memoryBytes() const noexcept {
        return start_.capacity() * sizeof(std::uint32_t) + lines_.capacity() * sizeof(std::uint32_t);
    }

private:
    static constexpr std::size_t kKeys = 1u << 16;  // a byte pair
    std::vector<std::uint32_t> start_;  // kKeys + 1 offsets into lines_
    std::vector<std::uint32_t> lines_;  // by pair, in ascending order under each
};

/// The main scan line by line: the first line from 1 on that matchMainLine() finds in
/// `upperInput`, or npos. The reference HeadIndex::firstMatch() answers as.
std::size_t mainScanLinear(const LineList& kb, std::string_view upperInput);

}  // namespace cpuchat
