#pragma once
// An ordered list of text lines, read from a file whole and written back whole.
// Lines live in one buffer with a span per line, so a knowledge base of a million
// lines costs its text plus 16 bytes a line rather than a heap block per line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cpuchat {

class LineList {
public:
    LineList() = default;
    LineList(std::initializer_list<std::string_view> lines);

    /// The lines of plain text split at CR LF, LF or CR (a final line break makes no
    /// extra line), kept inside `bytes` itself: a large file is held once, and until
    /// the list is changed fileBytes() gives back exactly the bytes it was made from.
    static LineList overBytes(std::string bytes);
    std::string_view fileBytes() const noexcept { return buffer_; }

    std::size_t size() const noexcept { return spans_.size(); }
    bool empty() const noexcept { return spans_.empty(); }

    /// Line `index`; an index the list does not hold reads as empty text.
    std::string_view operator[](std::size_t index) const noexcept {
        if (index >= spans_.size()) return {};
        const Span& s = spans_[index];
        return std::string_view(buffer_).substr(s.offset, s.length);
    }

    /// Last line, or empty text for an empty list.
    std::string_view back() const noexcept { return empty() ? std::string_view{} : (*this)[size() - 1]; }

    void append(std::string_view line);
    /// Removes line `index`; an index the list does not hold changes nothing.
    void remove(std::size_t index);
    void removeLast() { if (!empty()) remove(size() - 1); }
    void clear() noexcept;
    void reserve(std::size_t lines, std::size_t bytes);

    std::vector<std::string> toVector() const;
    bool operator==(const LineList& other) const;

    /// Bytes of text held (not counting the spans).
    std::size_t textBytes() const noexcept { return buffer_.size(); }

    /// The first three bytes of line `index` and how long it is (two bytes, three or
    /// more), kept beside the spans so that a scan can rule lines out without reading
    /// them. 0 for a line shorter than two bytes.
    std::uint32_t head(std::size_t index) const noexcept { return heads_[index]; }
    static constexpr std::uint32_t kHeadValid = 1u << 24;
    static constexpr std::uint32_t kHeadTwoBytes = 1u << 25;
    static constexpr std::uint32_t kHeadThreeBytes = 1u << 26;

    /// Records that the list as it is now was written as the file content numbered
    /// `stamp` (never 0). A writer that kept that content can then write the list
    /// again from where it changed, not from its beginning. Bookkeeping only, which is
    /// why a list nobody may change can be marked.
    void markWritten(std::uint64_t stamp) const noexcept {
        written_ = stamp;
        unchanged_ = spans_.size();
    }
    /// The content last marked by markWritten() (0 for none), and how many of the
    /// list's first lines are still as they were then.
    std::uint64_t writtenStamp() const noexcept { return written_; }
    std::size_t unchangedSinceWritten() const noexcept { return unchanged_; }

private:
    struct Span {
        std::size_t offset;
        std::size_t length;
    };
    std::string buffer_;
    std::vector<Span> spans_;
    std::vector<std::uint32_t> heads_;
    std::size_t garbage_ = 0;  // bytes of buffer_ outside the lines
    mutable std::uint64_t written_ = 0;
    mutable std::size_t unchanged_ = 0;  // lines before this one are as written_ holds them
};

}  // namespace cpuchat
